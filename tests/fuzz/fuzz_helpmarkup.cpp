// libFuzzer target for the help markup: tags for size, colour and style, topics between
// "<key>" and "<end>". The first line of the input names the topic to show.
#include "fuzzsupport.h"

#include "help/helpmarkup.h"

#include <cstddef>
#include <cstdint>

namespace {

void checkFormats(const QList<HelpParagraph>& paragraphs)
{
    for (const HelpParagraph& p : paragraphs) {
        FUZZ_CHECK(p.format.size >= HelpFormat::kMinSize);
        FUZZ_CHECK(p.format.size <= HelpFormat::kMaxSize);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    startFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text =
        QString::fromUtf8(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    const QString key = lines.takeFirst();
    checkFormats(renderHelpTopic(lines, key));
    checkFormats(renderHelpTopic(lines, QString()));
    for (const QString& line : lines) {
        QString tag;
        QString rest;
        if (splitHelpLine(line, tag, rest)) {
            HelpFormat format;
            applyHelpTag(tag, format);
            FUZZ_CHECK(format.size >= HelpFormat::kMinSize && format.size <= HelpFormat::kMaxSize);
        }
    }
    return 0;
}
