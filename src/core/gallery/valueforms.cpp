// Text forms of project values (numbers, booleans, colours, fonts).
#include "gallery/valueforms.h"

#include <QStringList>

namespace {

const QStringList& trueWords()
{
    static const QStringList words = {
        QStringLiteral("j"), QStringLiteral("ja"),   QStringLiteral("o"),  QStringLiteral("oui"),
        QStringLiteral("y"), QStringLiteral("yes"),  QStringLiteral("w"),  QStringLiteral("wahr"),
        QStringLiteral("x"), QStringLiteral("true"), QStringLiteral("an"), QStringLiteral("on")};
    return words;
}

} // namespace

bool TextToBool(const QString& text)
{
    if (text.isEmpty() || text == u"0")
        return false;
    if (trueWords().contains(text.toLower()))
        return true;
    return TextToInt(text) != 0;
}

bool isYesNoWord(const QString& text)
{
    static const QStringList falseWords = {QStringLiteral("n"),      QStringLiteral("nein"),
                                           QStringLiteral("no"),     QStringLiteral("false"),
                                           QStringLiteral("falsch"), QStringLiteral("aus"),
                                           QStringLiteral("off")};
    const QString word = text.toLower();
    return trueWords().contains(word) || falseWords.contains(word);
}

QString FontToText(const FontSpec& font, bool styleSheetForm, const QString& fields)
{
    const bool withName = fields.contains(u'f');
    const bool withStyles = fields.contains(u'a');
    const bool withSize = fields.contains(u's');
    const bool withColor = fields.contains(u'c');

    if (!styleSheetForm) {
        QString styles;
        if (withStyles) {
            if (font.bold)
                styles += u'B';
            if (font.italic)
                styles += u'I';
            if (font.strikeOut)
                styles += u'D';
            if (font.underline)
                styles += u'U';
        }
        return (withName ? font.name : QString()) + u',' + styles + u',' +
               (withSize ? QString::number(font.size) : QString()) + u',' +
               (withColor ? QString::number(font.color) : QString());
    }

    QString css;
    if (withName)
        css += QStringLiteral("font-family: ") + font.name + QStringLiteral("; ");
    if (withStyles) {
        css += font.bold ? QStringLiteral("font-weight: bold; ")
                         : QStringLiteral("font-weight: normal; ");
        css += font.italic ? QStringLiteral("font-style: italic; ")
                           : QStringLiteral("font-style: normal; ");
        if (font.strikeOut) {
            QString decoration = QStringLiteral("text-decoration: line-through; ");
            if (font.underline)
                decoration.replace(QStringLiteral(" line-through; "),
                                   QStringLiteral(" line-through underline; "));
            css += decoration;
        } else if (font.underline) {
            css += QStringLiteral("text-decoration: underline; ");
        } else {
            css += QStringLiteral("text-decoration: none; ");
        }
    }
    if (withSize)
        css += QStringLiteral("font-size: ") + QString::number(font.size) + QStringLiteral("pt; ");
    if (withColor)
        css += QStringLiteral("color: ") + ColorToHtml(font.color) + QStringLiteral("; ");
    return css;
}

void TextToFont(const QString& text, FontSpec& font)
{
    if (text.isEmpty())
        return;
    const QStringList fields = text.split(u',');
    const auto field = [&fields](int i) { return i < fields.size() ? fields.at(i) : QString(); };

    if (!field(0).isEmpty())
        font.name = field(0);

    const QString styles = field(1).toUpper();
    font.bold = styles.contains(u'B') || styles.contains(u'F');
    font.italic = styles.contains(u'I') || styles.contains(u'K');
    font.underline = styles.contains(u'U');
    font.strikeOut = styles.contains(u'D') || styles.contains(u'S');

    // A size of 0 keeps the old one; negative sizes are meaningless in points and are
    // ignored the same way.
    const int size = TextToInt(field(2));
    if (size > 0)
        font.size = qMin(size, kMaxFontPoints);

    if (!field(3).isEmpty())
        font.color = TextToInt(field(3));
}

QFont toQFont(const FontSpec& font)
{
    QFont qfont(font.name);
    if (font.size > 0)
        qfont.setPointSize(font.size);
    qfont.setBold(font.bold);
    qfont.setItalic(font.italic);
    qfont.setUnderline(font.underline);
    qfont.setStrikeOut(font.strikeOut);
    return qfont;
}

FontSpec fontSpecFromQFont(const QFont& font, int color)
{
    FontSpec record;
    record.name = font.family();
    record.bold = font.bold();
    record.italic = font.italic();
    record.underline = font.underline();
    record.strikeOut = font.strikeOut();
    record.size = font.pointSize() > 0 ? font.pointSize() : qRound(font.pointSizeF());
    record.color = color;
    return record;
}
