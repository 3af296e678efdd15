// The help markup parser: tags to attributes, lines of a topic to paragraphs.
#include "help/helpmarkup.h"

#include "util/colourvalue.h"
#include "util/textutil.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Tags compare after lower-casing the ASCII letters only, whatever the locale.
QString asciiLower(const QString& text)
{
    QString result = text;
    for (QChar& ch : result) {
        if (ch >= u'A' && ch <= u'Z')
            ch = QChar(ch.unicode() + (u'a' - u'A'));
    }
    return result;
}

} // namespace

void applyHelpTag(const QString& rawTag, HelpFormat& format)
{
    QString tag = asciiLower(rawTag);

    if (tag.contains(u's')) {
        tag.remove(u's');
        // "<s>" or "<s0>" names no size; keep the current one rather than a zero font.
        const int points = TextToInt(tag);
        if (points >= HelpFormat::kMinSize)
            format.size = std::min(points, HelpFormat::kMaxSize);
    }
    if (tag.contains(u'c')) {
        // Removing every "c" also eats hexadecimal digits c of a following "#" colour.
        tag.remove(u'c');
        format.color = TextToInt(tag);
    }
    if (tag.contains(u'#'))
        format.color = HtmlToColor(tag);

    if (tag == u"n")
        format.styles = {};
    else if (tag == u"b")
        format.styles = HelpStyle::Bold;
    else if (tag == u"i")
        format.styles = HelpStyle::Italic;
    else if (tag == u"u")
        format.styles = HelpStyle::Underline;
}

bool splitHelpLine(const QString& line, QString& tag, QString& text)
{
    const qsizetype open = line.indexOf(u'<');
    if (open < 0) {
        tag.clear();
        text = line;
        return false;
    }
    text = line.mid(open + 1);
    tag = nextToken(text, QStringLiteral(">"));
    return true;
}

QList<HelpParagraph> renderHelpTopic(const QStringList& lines, const QString& key)
{
    QList<HelpParagraph> paragraphs;
    HelpFormat format;
    const QString topicLine = u"<"_s + key + u">"_s;
    bool showing = key.isEmpty();

    for (const QString& line : lines) {
        if (!key.isEmpty() && line == u"<end>")
            showing = false;
        if (line == topicLine) {
            showing = true;
            continue;
        }
        if (!showing)
            continue;
        QString tag;
        QString text;
        const bool hasTag = splitHelpLine(line, tag, text);
        if (hasTag)
            applyHelpTag(tag, format);
        if (!text.isEmpty() || !hasTag)
            paragraphs.append({text, format});
    }
    return paragraphs;
}

const QStringList& lHlp()
{
    static const QStringList list = {
        // Placeholders of the page templates.
        u"<Vor>"_s,
        u"<b>"_s,
        u"<s12>Platzhalter in den Vorlagedateien (htm)"_s,
        u"<s8>"_s,
        u"<n>"_s,
        QString(),
        u"Sie können eigene Vorlagen im HTML Format erstellen. Fügen Sie in Ihren Dateien die "
        u"Platzhalter ein. Diese werden beim Generieren ersetzt."_s,
        QString(),
        u"[Titel]"_s,
        u"[Index]"_s,
        u"[Bild]"_s,
        u"[Bezeichnung]"_s,
        u"[Navigation]"_s,
        u"[Datum]"_s,
        u"[Zeit]"_s,
        u"<end>"_s,
        u"---------------------------------------"_s,
        // Text stamp.
        u"<Txt>"_s,
        u"<b>"_s,
        u"<s12>Text in Bild einfügen"_s,
        u"<s8>"_s,
        u"<n>"_s,
        QString(),
        u"Hiermit können Texte wie Copyright Hinweise oder ähnliches in die Bilder eingefügt "
        u"werden."_s,
        QString(),
        u"z.B:"_s,
        u"(c) 2005 by Mir"_s,
        u"<end>"_s,
        u"---------------------------------------"_s,
        // Logo.
        u"<Logo>"_s,
        u"<b>"_s,
        u"<s12>Logo einfügen"_s,
        u"<s8>"_s,
        u"<n>"_s,
        QString(),
        u"Hiermit können andere Bilder wie Logos oder Wasserzeichen in die Bilder eingefügt "
        u"werden."_s,
        u"<end>"_s,
        u"---------------------------------------"_s,
        // Navigation.
        u"<Nav>"_s,
        u"<b>"_s,
        u"<s12>Sie können einen Text oder ein Bild zur Navigation angeben"_s,
        u"<s8>"_s,
        u"<n>"_s,
        QString(),
        u"Wenn Sie ein Bild angeben, so wird der Link einfach mit dem angegebenen Bild "
        u"erstellt."_s,
        QString(),
        u"<end>"_s,
        u"---------------------------------------"_s,
        // Loading pictures.
        u"<PicLoad>"_s,
        u"<b>"_s,
        u"<s12>Verzeichnis / Bilder laden"_s,
        u"<s8>"_s,
        u"<n>"_s,
        QString(),
        u"Hier können Sie Bilder zur Bilderliste der Galerie zufügen oder wieder entfernen."_s,
        QString(),
        u"Mit Verzeichnis laden werden alle Bilder des ausgewählten Verzeichnisses in die Liste "
        u"geladen."_s,
        QString(),
        u"<end>"_s,
        u"---------------------------------------"_s,
        QString(),
        QString(),
    };
    return list;
}
