// The settings table and the start list; adding a setting is one row here.
#include "gallery/settingstable.h"

#include <QHash>

namespace {

QString s(const char16_t* text)
{
    return QString::fromUtf16(text);
}

SettingDef makeRow(const char16_t* key, const char16_t* control, SettingType type, int minimum,
                   int maximum, const QString& form, const char16_t* start)
{
    SettingDef d;
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

SettingDef boolRow(const char16_t* key, const char16_t* control, bool form, const char16_t* start)
{
    return makeRow(key, control, SettingType::Bool, 0, 1, form ? s(u"1") : s(u"0"), start);
}

SettingDef intRow(const char16_t* key, const char16_t* control, int minimum, int maximum, int form,
                  const char16_t* start)
{
    return makeRow(key, control, SettingType::Int, minimum, maximum, QString::number(form), start);
}

SettingDef unboundedRow(const char16_t* key, const char16_t* control)
{
    return intRow(key, control, kIntMin, kIntMax, 0, nullptr);
}

SettingDef textRow(const char16_t* key, const char16_t* control, const char16_t* form,
                   const char16_t* start, SettingType type = SettingType::Text)
{
    return makeRow(key, control, type, kIntMin, kIntMax, s(form), start);
}

SettingDef choiceRow(const char16_t* key, const char16_t* control, bool vertical)
{
    SettingDef d = makeRow(key, control, SettingType::Choice, 0, 2, s(u"0"), nullptr);
    d.choices = vertical ? QStringList{s(u"oben"), s(u"zentriert"), s(u"unten")}
                         : QStringList{s(u"links"), s(u"zentriert"), s(u"rechts")};
    return d;
}

SettingDef fontRow(const char16_t* key, const char16_t* control, const char16_t* start)
{
    return makeRow(key, control, SettingType::Font, kIntMin, kIntMax, kWindowFontText, start);
}

SettingDef colourRow(const char16_t* key, const char16_t* control, int form, const char16_t* start)
{
    return makeRow(key, control, SettingType::Colour, kIntMin, kIntMax, QString::number(form),
                   start);
}

SettingDef ftpRow(const char16_t* key, const char16_t* control, const char16_t* form,
                  const char16_t* whenEmpty)
{
    SettingDef d = textRow(key, control, form, nullptr);
    d.afterPictures = true;
    d.whenEmpty = s(whenEmpty);
    return d;
}

QList<SettingDef> buildTable()
{
    using T = SettingType;
    return {
        boolRow(u"PicDatBez", u"ePicDatBez", false, nullptr),
        intRow(u"TnWidth", u"eTnWidth", 0, 1000, 120, u"150"),
        intRow(u"TnHeight", u"eTnHeight", 0, 1000, 120, u"100"),
        textRow(u"TnPraefix", u"eTnPraefix", u"tn_", u"tn_"),
        boolRow(u"PicModifi", u"ePicModifi", true, u"1"),
        intRow(u"PicWidth", u"ePicWidth", 0, 4000, 640, u"600"),
        intRow(u"PicHeight", u"ePicHeight", 0, 4000, 640, u"400"),
        textRow(u"PicPraefix", u"ePicPraefix", u"", nullptr),
        intRow(u"Qual", u"edQual", 1, 100, 80, u"80"),
        intRow(u"Hell", u"edHell", -255, 255, 0, u"0"),
        intRow(u"Kontr", u"edKontr", -255, 255, 0, u"0"),
        intRow(u"Satt", u"edSatt", -255, 255, 0, u"0"),
        intRow(u"Red", u"edRed", -255, 255, 0, nullptr),
        intRow(u"Green", u"edGreen", -255, 255, 0, nullptr),
        intRow(u"Blue", u"edBlue", -255, 255, 0, nullptr),
        boolRow(u"Black", u"edBlack", false, nullptr),
        boolRow(u"Old", u"edOld", false, nullptr),
        textRow(u"BildText", u"edBildText", u"", nullptr),
        choiceRow(u"BildTextH", u"eBildTextH", false),
        choiceRow(u"BildTextV", u"eBildTextV", true),
        unboundedRow(u"BildTextL", u"edBildTextL"),
        unboundedRow(u"BildTextT", u"edBildTextT"),
        fontRow(u"BildFont", u"eBildFont", u"Arial,I,9,-16777208"),
        textRow(u"WZImage", u"eWZImage", u"", nullptr),
        choiceRow(u"WZH", u"eWZH", false),
        choiceRow(u"WZV", u"eWZV", true),
        unboundedRow(u"WZL", u"eWZL"),
        unboundedRow(u"WZT", u"eWZT"),
        intRow(u"WZTrans", u"eWZTrans", 0, 100, 50, u"50"),
        intRow(u"WZSize", u"eWZSize", 0, 200, 100, u"100"),
        textRow(u"Titel", u"edTitel", u"Lumivista", u"Lumivista"),
        colourRow(u"BGColor", u"eBGColor", 0, u"0"),
        fontRow(u"TitelFont", u"eTitelFont", u"Tahoma,B,20,65535"),
        fontRow(u"Font", u"eFont", u"Tahoma,B,12,65535"),
        fontRow(u"NaviFont", u"eNaviFont", u"Tahoma,B,12,65535"),
        textRow(u"VorIndex", u"edVorIndex", u"", nullptr, T::Path),
        textRow(u"VorBild", u"edVorBild", u"", nullptr, T::Path),
        intRow(u"Col", u"edCol", 1, 1000, 5, u"4"),
        intRow(u"Row", u"edRow", 1, 1000, 5, u"4"),
        intRow(u"Rahmen", u"edRahmen", 0, 10, 1, u"1"),
        textRow(u"PPrior", u"edPPrior", u"<---", u"<---"),
        textRow(u"PIndex", u"edPIndex", u"Index", u"Index"),
        textRow(u"PNext", u"edPNext", u"--->", u"--->"),
        textRow(u"PTrenn", u"edPTrenn", u" | ", u" | "),
        textRow(u"Index", u"edIndex", u"index.htm", u"index"),
        textRow(u"TnPath", u"edTnPath", u"image1", u""),
        textRow(u"PicPath", u"edPicPath", u"image2", u""),
        boolRow(u"NewNum", u"edNewNum", false, nullptr),
        boolRow(u"CDImage", u"edCDImage", false, u"0"),
        textRow(u"Ziel", u"edZiel", u"", nullptr, T::Path),
        ftpRow(u"FtpServer", u"edFtpServer", u"", u""),
        ftpRow(u"FtpUser", u"edFtpUser", u"", u""),
        ftpRow(u"FtpPath", u"edFtpPath", u"/", u"/"),
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

} // namespace

const QList<SettingDef>& settingsTable()
{
    static const QList<SettingDef> table = buildTable();
    return table;
}

qsizetype settingRow(const QString& key)
{
    return rowsByKey().value(key.toLower(), -1);
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
    static const QStringList lines = {
        QStringLiteral("TnWidth=150"),
        QStringLiteral("TnHeight=100"),
        QStringLiteral("TnPraefix=tn_"),
        QStringLiteral("PicModifi=1"),
        QStringLiteral("PicWidth=600"),
        QStringLiteral("PicHeight=400"),
        QStringLiteral("Qual=80"),
        QStringLiteral("Hell=0"),
        QStringLiteral("Kontr=0"),
        QStringLiteral("Satt=0"),
        QStringLiteral("BildFont=Arial,I,9,-16777208"),
        QStringLiteral("WZTrans=50"),
        QStringLiteral("WZSize=100"),
        QStringLiteral("Titel=Lumivista"),
        QStringLiteral("BGColor=0"),
        QStringLiteral("TitelFont=Tahoma,B,20,65535"),
        QStringLiteral("Font=Tahoma,B,12,65535"),
        QStringLiteral("NaviFont=Tahoma,B,12,65535"),
        QStringLiteral("Col=4"),
        QStringLiteral("Row=4"),
        QStringLiteral("Rahmen=1"),
        QStringLiteral("PPrior=<---"),
        QStringLiteral("PIndex=Index"),
        QStringLiteral("PNext=--->"),
        QStringLiteral("PTrenn= | "),
        QStringLiteral("Index=index"),
        QStringLiteral("TnPath="),
        QStringLiteral("PicPath="),
        QStringLiteral("CDImage=0"),
    };
    return lines;
}
