// Built-in page templates, user templates and the preparation of every page.
#include "gallery/templates.h"

#include "gallery/mobilepage.h"
#include "gallery/pagefile.h"
#include "util/cp1252.h"
#include "util/error.h"
#include "util/generatorcomment.h"
#include "util/paths.h"
#include "util/version.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

QStringList builtInTemplate(const QString& line11)
{
    return {
        QStringLiteral("<html>"),
        QStringLiteral("<head>"),
        QStringLiteral(
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">"),
        QStringLiteral("<title>[Titel]</title>"),
        QStringLiteral("</head>"),
        QStringLiteral("<body>"),
        QStringLiteral("  <table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" width=\"100%\" "
                       "height=\"80%\">"),
        QStringLiteral("    <tr>"),
        QStringLiteral("      <td width=\"100%\" height=\"100\" align=\"center\" "
                       "valign=\"middle\">"),
        QStringLiteral("      <h1 align=\"center\">[Titel]</h1>"),
        line11,
        QStringLiteral("      <p>[navigation]</p>"),
        QStringLiteral("      </td>"),
        QStringLiteral("    </tr>"),
        QStringLiteral("  </table>"),
        QStringLiteral("</body>"),
        QStringLiteral("</html>"),
    };
}

const QString kLineBreak = QStringLiteral("\r\n");

// Decodes a template: a byte-order mark wins; text without one that is valid UTF-8 (plain
// ASCII included) is UTF-8, anything else Windows-1252.
QString decodeTemplate(const QByteArray& bytes)
{
    if (auto bom = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*bom);
        return decoder.decode(bytes);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return fromCp1252(bytes);
}

void writeTemplateIfMissing(const QString& path, const QStringList& lines)
{
    if (QFileInfo::exists(path))
        return;
    writeTextFile(path, joinPageLines(lines));
}

} // namespace

QStringList mIndex()
{
    return builtInTemplate(QStringLiteral("      <p>[index]</p>"));
}

QStringList mBild()
{
    return builtInTemplate(QStringLiteral("      <p>[bild]<br>[bezeichnung]</p>"));
}

QString joinPageLines(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + kLineBreak;
    return text;
}

QStringList splitPageLines(const QString& text)
{
    QString unified = text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    unified.replace(QChar(u'\r'), QChar(u'\n'));
    QStringList lines = unified.split(QChar(u'\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

PageStamp PageStamp::forRun(const QDateTime& datZeit)
{
    PageStamp stamp;
    stamp.datZeit = datZeit;
    stamp.version = programVersion();
    stamp.homeUrl = homePageUrl();
    return stamp;
}

QString PageStamp::date() const
{
    return locale.toString(datZeit.date(), QLocale::ShortFormat);
}

QString PageStamp::time() const
{
    // The long time format of Qt carries the time-zone name ("t", "tttt"); the pages show
    // the clock time only.
    QStringList parts = locale.timeFormat(QLocale::LongFormat).split(QChar(u' '));
    parts.removeIf([](const QString& part) {
        return !part.isEmpty() && part.count(QChar(u't')) == part.size();
    });
    return locale.toString(datZeit.time(), parts.join(QChar(u' ')).trimmed());
}

QString PageStamp::dateTime() const
{
    if (datZeit.time() == QTime(0, 0))
        return date();
    return date() + QChar(u' ') + time();
}

void HTMLInit(QString& page, const PageStamp& stamp)
{
    const QString comment = kLineBreak + QLatin1String(kGeneratorCommentStart) + stamp.version +
                            QStringLiteral("), ") + stamp.dateTime() + QStringLiteral(" - ") +
                            stamp.homeUrl + QLatin1String(kGeneratorCommentEnd);
    const qsizetype html = page.indexOf(QStringLiteral("<html"), 0, Qt::CaseInsensitive);
    const qsizetype close = page.indexOf(QChar(u'>'), html < 0 ? 0 : html);
    page.insert(close < 0 ? 0 : close + 1, comment);

    const QString link =
        QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" href=\"font.css\">") +
        kLineBreak;
    const qsizetype head = page.indexOf(QStringLiteral("</head"), 0, Qt::CaseInsensitive);
    page.insert(head < 0 ? 0 : head, link);

    page.replace(QStringLiteral("[Datum]"), stamp.date(), Qt::CaseSensitive);
    page.replace(QStringLiteral("[Zeit]"), stamp.time(), Qt::CaseSensitive);
}

QStringList readTemplateFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw LumiError(QStringLiteral("Die Vorlage \"%1\" kann nicht gelesen werden: %2")
                            .arg(path, file.errorString()));
    // A template is a page; anything this large is not one and would only exhaust memory.
    constexpr qint64 kMaxTemplateBytes = 16 * 1024 * 1024;
    if (file.size() > kMaxTemplateBytes)
        throw LumiError(QStringLiteral("Die Vorlage \"%1\" ist zu gro\u00DF.").arg(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw LumiError(QStringLiteral("Die Vorlage \"%1\" kann nicht gelesen werden: %2")
                            .arg(path, file.errorString()));
    return splitPageLines(decodeTemplate(bytes));
}

PageTemplates chooseTemplates(const QString& vorIndex, const QString& vorBild, bool mobilePages)
{
    PageTemplates templates;
    QString reading;
    try {
        reading = vorIndex;
        if (!vorIndex.isEmpty())
            templates.index = readTemplateFile(vorIndex);
        reading = vorBild;
        if (!vorBild.isEmpty())
            templates.picture = readTemplateFile(vorBild);
    } catch (const LumiError& error) {
        templates.problems.append(error.message());
        templates.unreadFile = reading;
    }
    if (templates.index.isEmpty())
        templates.index = mobilePages ? mobileIndexTemplate() : mIndex();
    if (templates.picture.isEmpty())
        templates.picture = mobilePages ? mobilePictureTemplate() : mBild();
    return templates;
}

void writeBuiltInTemplates(const QString& folder)
{
    writeTemplateIfMissing(resolvePath(QStringLiteral("index.htm"), folder), mIndex());
    writeTemplateIfMissing(resolvePath(QStringLiteral("bild.htm"), folder), mBild());
}
