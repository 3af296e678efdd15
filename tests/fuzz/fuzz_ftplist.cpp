// libFuzzer target for the LIST parser (Unix "ls -l" and MS-DOS styles).
#include "fuzzsupport.h"

#include "ftp/ftplisting.h"
#include "util/error.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    startFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QDateTime now(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    const QString text =
        QString::fromUtf8(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        FtpListEntry entry;
        if (parseFtpListLine(line, now, entry)) {
            // A name is what the FTP window shows and sends back in CWD, DELE and RETR.
            FUZZ_CHECK(!entry.name.isEmpty());
            FUZZ_CHECK(!entry.name.contains(QLatin1Char('\n')));
            FUZZ_CHECK(entry.size >= -1);
        }
    }
    try {
        (void)parseFtpListing(lines, now);
    } catch (const LumiError&) {
    }
    return 0;
}
