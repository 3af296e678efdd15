// The settings table and the start list; adding a setting is one row here.
#include "gallery/settingstable.h"

#include <QHash>
#include <QRegularExpression>

namespace {

QString s(const char16_t* text)
{
    return QString::fromUtf16(text);
}

SettingDef makeRow(const char16_t* key, const char16_t* control, SettingField field,
                   SettingType type, int minimum, int maximum, const QString& form,
                   const char16_t* start)
{
    SettingDef d;
    d.field = field;
    d.key = s(key);
    d.control = s(control);
    d.type = type;
    d.minimum = minimum;
    d.maximum = maximum;
    d.form = form;
    d.hasStart = start != nullptr;
    d.start = start ? s(start) : QString();
    return d;
}

constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr int kIntMax = std::numeric_limits<int>::max();

using S = ProjectSettings;

SettingDef boolRow(const char16_t* key, const char16_t* control, bool S::*field, bool form,
                   const char16_t* start)
{
    return makeRow(key, control, field, SettingType::Bool, 0, 1, form ? s(u"1") : s(u"0"), start);
}

SettingDef intRow(const char16_t* key, const char16_t* control, int S::*field, int minimum,
                  int maximum, int form, const char16_t* start)
{
    return makeRow(key, control, field, SettingType::Int, minimum, maximum, QString::number(form),
                   start);
}

SettingDef unboundedRow(const char16_t* key, const char16_t* control, int S::*field)
{
    return intRow(key, control, field, kIntMin, kIntMax, 0, nullptr);
}

SettingDef textRow(const char16_t* key, const char16_t* control, QString S::*field,
                   const char16_t* form, const char16_t* start,
                   SettingType type = SettingType::Text)
{
    return makeRow(key, control, field, type, kIntMin, kIntMax, s(form), start);
}

SettingDef choiceRow(const char16_t* key, const char16_t* control, int S::*field, bool vertical)
{
    SettingDef d = makeRow(key, control, field, SettingType::Choice, 0, 2, s(u"0"), nullptr);
    d.choices = vertical ? QStringList{s(u"oben"), s(u"zentriert"), s(u"unten")}
                         : QStringList{s(u"links"), s(u"zentriert"), s(u"rechts")};
    return d;
}

SettingDef fontRow(const char16_t* key, const char16_t* control, FontSpec S::*field,
                   const char16_t* start)
{
    return makeRow(key, control, field, SettingType::Font, kIntMin, kIntMax, kWindowFontText,
                   start);
}

SettingDef colourRow(const char16_t* key, const char16_t* control, int S::*field, int form,
                     const char16_t* start)
{
    return makeRow(key, control, field, SettingType::Colour, kIntMin, kIntMax,
                   QString::number(form), start);
}

SettingDef ftpRow(const char16_t* key, const char16_t* control, QString S::*field,
                  const char16_t* form, const char16_t* whenEmpty)
{
    SettingDef d = textRow(key, control, field, form, nullptr);
    d.afterPictures = true;
    d.whenEmpty = s(whenEmpty);
    return d;
}

// A choice of the FTP window, written after [End] like the FTP fields; a project without
// the line reads the first choice.
SettingDef ftpChoiceRow(const char16_t* key, const char16_t* control, int S::*field,
                        const QStringList& choices)
{
    SettingDef d = makeRow(key, control, field, SettingType::Choice, 0, int(choices.size()) - 1,
                           s(u"0"), nullptr);
    d.choices = choices;
    d.afterPictures = true;
    d.strictRange = true;
    return d;
}

// A check box added after the original settings: written after [End] and only when set, so
// a project without the line reads it as off and makes the same gallery as before; new
// projects start with it set.
SettingDef laterBoolRow(const char16_t* key, const char16_t* control, bool S::*field)
{
    SettingDef d = makeRow(key, control, field, SettingType::Bool, 0, 1, s(u"0"), u"1");
    d.afterPictures = true;
    d.strictRange = true;
    return d;
}

QList<SettingDef> buildTable()
{
    using T = SettingType;
    return {
        boolRow(u"PicDatBez", u"ePicDatBez", &S::picDatBez, false, nullptr),
        intRow(u"TnWidth", u"eTnWidth", &S::tnWidth, 0, 1000, 120, u"150"),
        intRow(u"TnHeight", u"eTnHeight", &S::tnHeight, 0, 1000, 120, u"100"),
        textRow(u"TnPraefix", u"eTnPraefix", &S::tnPraefix, u"tn_", u"tn_"),
        boolRow(u"PicModifi", u"ePicModifi", &S::picModifi, true, u"1"),
        intRow(u"PicWidth", u"ePicWidth", &S::picWidth, 0, 4000, 640, u"600"),
        intRow(u"PicHeight", u"ePicHeight", &S::picHeight, 0, 4000, 640, u"400"),
        textRow(u"PicPraefix", u"ePicPraefix", &S::picPraefix, u"", nullptr),
        intRow(u"Qual", u"edQual", &S::qual, 1, 100, 80, u"80"),
        intRow(u"Hell", u"edHell", &S::hell, -255, 255, 0, u"0"),
        intRow(u"Kontr", u"edKontr", &S::kontr, -255, 255, 0, u"0"),
        intRow(u"Satt", u"edSatt", &S::satt, -255, 255, 0, u"0"),
        intRow(u"Red", u"edRed", &S::red, -255, 255, 0, nullptr),
        intRow(u"Green", u"edGreen", &S::green, -255, 255, 0, nullptr),
        intRow(u"Blue", u"edBlue", &S::blue, -255, 255, 0, nullptr),
        boolRow(u"Black", u"edBlack", &S::black, false, nullptr),
        boolRow(u"Old", u"edOld", &S::old, false, nullptr),
        textRow(u"BildText", u"edBildText", &S::bildText, u"", nullptr),
        choiceRow(u"BildTextH", u"eBildTextH", &S::bildTextH, false),
        choiceRow(u"BildTextV", u"eBildTextV", &S::bildTextV, true),
        unboundedRow(u"BildTextL", u"edBildTextL", &S::bildTextL),
        unboundedRow(u"BildTextT", u"edBildTextT", &S::bildTextT),
        fontRow(u"BildFont", u"eBildFont", &S::bildFont, u"Arial,I,9,-16777208"),
        textRow(u"WZImage", u"eWZImage", &S::wzImage, u"", nullptr),
        choiceRow(u"WZH", u"eWZH", &S::wzH, false),
        choiceRow(u"WZV", u"eWZV", &S::wzV, true),
        unboundedRow(u"WZL", u"eWZL", &S::wzL),
        unboundedRow(u"WZT", u"eWZT", &S::wzT),
        intRow(u"WZTrans", u"eWZTrans", &S::wzTrans, 0, 100, 50, u"50"),
        intRow(u"WZSize", u"eWZSize", &S::wzSize, 0, 200, 100, u"100"),
        textRow(u"Titel", u"edTitel", &S::titel, u"Lumivista", u"Lumivista"),
        colourRow(u"BGColor", u"eBGColor", &S::bgColor, 0, u"0"),
        fontRow(u"TitelFont", u"eTitelFont", &S::titelFont, u"Tahoma,B,20,65535"),
        fontRow(u"Font", u"eFont", &S::font, u"Tahoma,B,12,65535"),
        fontRow(u"NaviFont", u"eNaviFont", &S::naviFont, u"Tahoma,B,12,65535"),
        textRow(u"VorIndex", u"edVorIndex", &S::vorIndex, u"", nullptr, T::Path),
        textRow(u"VorBild", u"edVorBild", &S::vorBild, u"", nullptr, T::Path),
        intRow(u"Col", u"edCol", &S::col, 1, 1000, 5, u"4"),
        intRow(u"Row", u"edRow", &S::row, 1, 1000, 5, u"4"),
        intRow(u"Rahmen", u"edRahmen", &S::rahmen, 0, 10, 1, u"1"),
        textRow(u"PPrior", u"edPPrior", &S::pPrior, u"<---", u"<---"),
        textRow(u"PIndex", u"edPIndex", &S::pIndex, u"Index", u"Index"),
        textRow(u"PNext", u"edPNext", &S::pNext, u"--->", u"--->"),
        textRow(u"PTrenn", u"edPTrenn", &S::pTrenn, u" | ", u" | "),
        textRow(u"Index", u"edIndex", &S::index, u"index.htm", u"index"),
        textRow(u"TnPath", u"edTnPath", &S::tnPath, u"image1", u""),
        textRow(u"PicPath", u"edPicPath", &S::picPath, u"image2", u""),
        boolRow(u"NewNum", u"edNewNum", &S::newNum, false, nullptr),
        boolRow(u"CDImage", u"edCDImage", &S::cdImage, false, u"0"),
        textRow(u"Ziel", u"edZiel", &S::ziel, u"", nullptr, T::Path),
        ftpRow(u"FtpServer", u"edFtpServer", &S::ftpServer, u"", u""),
        ftpRow(u"FtpUser", u"edFtpUser", &S::ftpUser, u"", u""),
        ftpRow(u"FtpPath", u"edFtpPath", &S::ftpPath, u"/", u"/"),
        ftpChoiceRow(u"FtpTls", u"edFtpTls", &S::ftpTls,
                     {s(u"ifavailable"), s(u"require"), s(u"plain")}),
        laterBoolRow(u"SmoothScale", u"edSmoothScale", &S::smoothScale),
        laterBoolRow(u"MobilePages", u"edMobilePages", &S::mobilePages),
    };
}

const QHash<QString, qsizetype>& rowsByKey()
{
    static const QHash<QString, qsizetype> rows = [] {
        QHash<QString, qsizetype> map;
        const QList<SettingDef>& table = settingsTable();
        for (qsizetype i = 0; i < table.size(); ++i)
            map.insert(table.at(i).key.toLower(), i);
        return map;
    }();
    return rows;
}

bool isWholeNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+$"));
    return number.match(text).hasMatch();
}

// Check boxes: TextToBool.
SettingValue readBool(const QString& text)
{
    SettingValue v;
    v.number = TextToBool(text) ? 1 : 0;
    if (!text.isEmpty() && !isYesNoWord(text) && !isWholeNumber(text))
        v.problem = QStringLiteral("is not 1/0, yes/no or ja/nein");
    return v;
}

// Numbers, choice positions and colours: TextToInt, clamped to the row's range.
SettingValue readNumber(const SettingDef& def, const QString& text)
{
    SettingValue v;
    const int read = TextToInt(text);
    v.number = qBound(def.minimum, read, def.maximum);
    bool fits = false;
    text.toInt(&fits);
    v.clamped = v.number != read || (isWholeNumber(text) && !fits);
    if (!isWholeNumber(text)) {
        v.problem = QStringLiteral("is not a whole number");
    } else if (def.strictRange && v.clamped) {
        v.number = def.form.toInt();
        v.clamped = false;
        v.problem = QStringLiteral("is outside %1 to %2").arg(def.minimum).arg(def.maximum);
    }
    return v;
}

// Font texts: TextToFont onto the given font.
SettingValue readFont(const QString& text, const FontSpec& font)
{
    SettingValue v;
    v.font = font;
    TextToFont(text, v.font);
    const QStringList fields = text.split(u',');
    const QString size = fields.value(2);
    const QString colour = fields.value(3);
    v.clamped = isWholeNumber(size) && TextToInt(size) > kMaxFontPoints;
    bool colourFits = false;
    colour.toInt(&colourFits);
    if (fields.size() > 4)
        v.problem = QStringLiteral("has more than four fields");
    else if (!size.isEmpty() && !isWholeNumber(size))
        v.problem = QStringLiteral("has a size that is not a whole number");
    else if (!colour.isEmpty() && (!isWholeNumber(colour) || !colourFits))
        v.problem = QStringLiteral("has a colour that is not a whole number");
    return v;
}

// Texts and paths: one line; empty reads as the row's `whenEmpty`.
SettingValue readText(const SettingDef& def, const QString& text)
{
    SettingValue v;
    v.text = text.isEmpty() ? def.whenEmpty : singleLine(text);
    if (v.text != text && !text.isEmpty())
        v.problem = QStringLiteral("cannot contain a line break");
    return v;
}

} // namespace

QString singleLine(const QString& text)
{
    if (!text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    QString line = text;
    line.replace(u'\r', u' ');
    line.replace(u'\n', u' ');
    return line;
}

SettingValue readSettingValue(const SettingDef& def, const QString& text, const FontSpec& font)
{
    switch (def.type) {
    case SettingType::Bool:
        return readBool(text);
    case SettingType::Int:
    case SettingType::Choice:
    case SettingType::Colour:
        return readNumber(def, text);
    case SettingType::Font:
        return readFont(text, font);
    case SettingType::Text:
    case SettingType::Path:
        break;
    }
    return readText(def, text);
}

const QList<SettingDef>& settingsTable()
{
    static const QList<SettingDef> table = buildTable();
    return table;
}

qsizetype settingRow(const QString& key)
{
    return rowsByKey().value(key.toLower(), -1);
}

const QString& settingKey(SettingField field)
{
    for (const SettingDef& def : settingsTable()) {
        if (def.field == field)
            return def.key;
    }
    Q_UNREACHABLE(); // every field of the snapshot has its row
}

const SettingDef* findSetting(const QString& key)
{
    const qsizetype row = settingRow(key);
    return row < 0 ? nullptr : &settingsTable().at(row);
}

QString keyOfControl(const QString& controlName)
{
    if (controlName.startsWith(QLatin1String("ed")))
        return controlName.mid(2);
    if (controlName.startsWith(u'e') || controlName.startsWith(u'l'))
        return controlName.mid(1);
    return controlName;
}

const QStringList& startLines()
{
    static const QStringList lines = [] {
        QStringList start;
        for (const SettingDef& def : settingsTable()) {
            if (def.hasStart)
                start.append(def.key + u'=' + def.start);
        }
        return start;
    }();
    return lines;
}
