// libFuzzer target for the ini store: reading a file of any bytes, looking up keys and
// setting a value. A value that may be stored must be found again, in memory and after
// the file was written and read back.
#include "fuzzsupport.h"

#include "util/inifile.h"

#include <cstddef>
#include <cstdint>

namespace {

// The input is "section\nkey\nvalue\nfile bytes"; missing parts are empty.
QByteArray takeLine(QByteArray& input)
{
    const qsizetype end = input.indexOf('\n');
    const QByteArray line = end < 0 ? input : input.left(end);
    input.remove(0, end < 0 ? input.size() : end + 1);
    return line;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    startFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString section = QString::fromUtf8(takeLine(input));
    const QString key = QString::fromUtf8(takeLine(input));
    const QString value = QString::fromUtf8(takeLine(input));

    static const QString path = fuzzScratchFile(QStringLiteral("ini"));
    writeScratch(path, input);
    std::optional<QStringList> lines = ini::readLines(path);
    FUZZ_CHECK(lines.has_value());
    (void)ini::findValue(*lines, section, key);
    (void)ini::findValue(*lines, QStringLiteral("lumivista"), QStringLiteral("Portable"));

    if (!ini::invalidReason(section, key, value).isEmpty())
        return 0;
    ini::setValue(*lines, section, key, value);
    FUZZ_CHECK(ini::findValue(*lines, section, key) == value);

    writeScratch(path, ini::serialize(*lines));
    const std::optional<QStringList> reread = ini::readLines(path);
    FUZZ_CHECK(reread.has_value());
    FUZZ_CHECK(ini::findValue(*reread, section, key) == value);
    return 0;
}
