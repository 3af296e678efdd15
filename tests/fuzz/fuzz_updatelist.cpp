// libFuzzer target for the downloaded update list: version, download address and info
// text read from a file of any bytes, and the checks made before anything is shown or
// handed to the desktop.
#include "fuzzsupport.h"

#include "update/updatecheck.h"

#include <QUrl>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    startFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString path = fuzzScratchFile(QStringLiteral("txt"));
    writeScratch(path, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));

    UpdateSource source;
    source.listUrl = QStringLiteral("http://127.0.0.1:9/update.txt"); // never fetched here
    source.localFile = path;
    source.section = QStringLiteral("Lumivista");
    source.runningVersion = QStringLiteral("1.2.3.4");
    UpdateCheck check(source);
    check.readList();
    FUZZ_CHECK(check.hasResult());
    FUZZ_CHECK(!check.infoText().contains(QLatin1Char(';')));
    FUZZ_CHECK(check.foundVersionText().endsWith(check.foundVersion()));
    FUZZ_CHECK(check.isDownloadVisible() == !check.downloadAddress().isEmpty());
    if (isWebAddress(check.downloadAddress())) {
        const QString scheme = QUrl(check.downloadAddress().trimmed()).scheme().toLower();
        FUZZ_CHECK(scheme == QLatin1String("http") || scheme == QLatin1String("https"));
    }
    (void)updateWindowWidth(10, 300, check.infoText());
    return 0;
}
