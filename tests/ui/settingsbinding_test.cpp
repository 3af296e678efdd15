// The table-driven binding: every setting of the table has its control in the main window,
// and every value survives the way project -> controls -> project.
#include "mainform_fixture.h"

#include "ui/mainform_widgets.h"
#include "ui/settingsbinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

using namespace Qt::StringLiterals;

namespace {

// A value of each setting that differs from its form and start values.
QString unusualValue(const SettingDef& def)
{
    switch (def.type) {
    case SettingType::Bool:
        return def.form == u"1"_s ? u"0"_s : u"1"_s;
    case SettingType::Int:
        return QString::number(def.maximum == std::numeric_limits<int>::max() ? -123456
                                                                              : def.maximum - 1);
    case SettingType::Choice:
        return u"2"_s;
    case SettingType::Colour:
        return u"-16777208"_s;
    case SettingType::Font:
        return u"Liberation Serif,BIDU,31,16711680"_s;
    case SettingType::Text:
    case SettingType::Path:
        return u" ä=ö | "_s + def.key + u" "_s;
    }
    return {};
}

} // namespace

using SettingsBindingTest = MainFormTest;

TEST_F(SettingsBindingTest, EveryWindowSettingHasItsControlByObjectName)
{
    const SettingsBinding& binding = form().binding();
    QStringList expectedUnbound;
    for (const SettingDef& def : settingsTable()) {
        if (def.afterPictures && def.key.startsWith(QLatin1String("Ftp"))) {
            expectedUnbound.append(def.key); // the FTP window's fields
            continue;
        }
        QWidget* control = binding.control(def.key);
        ASSERT_NE(control, nullptr) << qPrintable(def.key);
        EXPECT_EQ(control->objectName(), def.control);
    }
    EXPECT_EQ(binding.unboundKeys(), expectedUnbound);
}

TEST_F(SettingsBindingTest, EveryValueRoundTripsThroughTheControls)
{
    ProjectState source;
    for (const SettingDef& def : settingsTable())
        source.applyValueText(def.key, unusualValue(def));
    form().binding().load(source);
    ProjectState copy;
    form().binding().store(copy);
    for (const SettingDef& def : settingsTable()) {
        if (def.afterPictures)
            continue;
        EXPECT_EQ(copy.valueText(def.key), source.valueText(def.key)) << qPrintable(def.key);
        EXPECT_NE(copy.valueText(def.key), ProjectState().valueText(def.key))
            << qPrintable(def.key);
    }
}

TEST_F(SettingsBindingTest, ControlsCarryTheFormValuesAndRanges)
{
    TMainForm unshown; // before the start settings
    auto* tnWidth = unshown.findChild<QSpinBox*>(u"eTnWidth"_s);
    ASSERT_NE(tnWidth, nullptr);
    EXPECT_EQ(tnWidth->value(), 120);
    EXPECT_EQ(tnWidth->maximum(), 1000);
    EXPECT_EQ(unshown.findChild<QSpinBox*>(u"edQual"_s)->minimum(), 1);
    EXPECT_EQ(unshown.findChild<QSpinBox*>(u"edHell"_s)->minimum(), -255);
    EXPECT_EQ(unshown.findChild<QSpinBox*>(u"eWZL"_s)->minimum(), std::numeric_limits<int>::min());
    EXPECT_EQ(unshown.findChild<QLineEdit*>(u"edIndex"_s)->text(), u"index.htm"_s);
    EXPECT_EQ(unshown.findChild<QLineEdit*>(u"edTnPath"_s)->text(), u"image1"_s);
    EXPECT_TRUE(unshown.findChild<QCheckBox*>(u"ePicModifi"_s)->isChecked());
    EXPECT_EQ(unshown.findChild<QComboBox*>(u"eWZH"_s)->itemText(2), u"rechts"_s);
    EXPECT_EQ(unshown.findChild<QComboBox*>(u"eWZV"_s)->itemText(0), u"oben"_s);
}

TEST_F(SettingsBindingTest, ValueTextsAreReadLikeTheProjectFile)
{
    const SettingsBinding& binding = form().binding();
    auto set = [&](const char16_t* key, const char16_t* text) {
        SettingsBinding::setControlText(*findSetting(QString::fromUtf16(key)),
                                        binding.control(QString::fromUtf16(key)),
                                        QString::fromUtf16(text));
    };
    auto text = [&](const char16_t* key) {
        return SettingsBinding::controlText(*findSetting(QString::fromUtf16(key)),
                                            binding.control(QString::fromUtf16(key)));
    };
    set(u"Qual", u"0");
    set(u"Col", u"0");
    set(u"Rahmen", u"25");
    set(u"TnWidth", u"12px");
    EXPECT_EQ(text(u"Qual"), u"1"_s);
    EXPECT_EQ(text(u"Col"), u"1"_s);
    EXPECT_EQ(text(u"Rahmen"), u"10"_s);
    EXPECT_EQ(text(u"TnWidth"), u"12"_s);
    for (const char16_t* yes : {u"ja", u"TRUE", u"2"}) {
        set(u"Black", u"0");
        set(u"Black", yes);
        EXPECT_EQ(text(u"Black"), u"1"_s);
    }
    for (const char16_t* no : {u"0", u"", u"nein"}) {
        set(u"Black", u"1");
        set(u"Black", no);
        EXPECT_EQ(text(u"Black"), u"0"_s);
    }
    set(u"WZH", u"7");
    EXPECT_EQ(text(u"WZH"), u"2"_s);
    set(u"Font", u"Arial,,9,0");
    set(u"Font", u",,14,");
    EXPECT_EQ(text(u"Font"), u"Arial,,14,0"_s);
    set(u"Font", u"");
    EXPECT_EQ(text(u"Font"), u"Arial,,14,0"_s);
    set(u"Titel", u"zwei\r\nZeilen");
    EXPECT_EQ(text(u"Titel"), u"zwei  Zeilen"_s);
}

TEST_F(SettingsBindingTest, LongTextsAreNotCut)
{
    const QString longPath = u"/"_s + QString(40000, u'a') + u".htm"_s;
    control<QLineEdit>("edVorIndex")->setText(longPath);
    EXPECT_EQ(form().project().textValue(u"VorIndex"_s), longPath);
}

TEST_F(SettingsBindingTest, FontAndColourPanels)
{
    auto* title = control<FontPanel>("eTitelFont");
    auto* stamp = control<FontPanel>("eBildFont");
    FontSpec chosen;
    TextToFont(u"Liberation Mono,I,18,255"_s, chosen);
    chosen.name = u"Liberation, Mono"_s;
    m_choosers.fonts = {chosen, std::nullopt};
    form().fontPanelClick(title);
    EXPECT_EQ(FontToText(title->fontSpec()), u"Liberation Mono,I,18,255"_s);
    EXPECT_EQ(title->text(), u"Liberation Mono"_s);

    form().fontPanelClick(stamp); // cancelled
    EXPECT_EQ(FontToText(stamp->fontSpec()), u"Arial,I,9,-16777208"_s);
    m_choosers.fonts = {chosen};
    form().fontPanelClick(stamp);
    EXPECT_EQ(stamp->text(), u"Schrift"_s); // keeps its caption

    m_choosers.colours = {0x00F0CAA6};
    form().eBGColorClick();
    EXPECT_EQ(control<ColorPanel>("eBGColor")->colorValue(), 0x00F0CAA6);
    EXPECT_EQ(title->background(), 0x00F0CAA6);
    EXPECT_EQ(control<FontPanel>("eNaviFont")->background(), 0x00F0CAA6);
    EXPECT_EQ(form().project().intValue(u"BGColor"_s), 0x00F0CAA6);
}

TEST_F(SettingsBindingTest, FileFieldsTakeTheChosenPaths)
{
    m_choosers.openNames = {u"/logos/logo.png"_s, u"/v/index.htm"_s, u"/v/bild.htm"_s};
    m_choosers.folders = {u"/ziel/galerie"_s};
    control<QLineEdit>("eWZImage")->setText(u"/alt/logo.gif"_s);
    form().Button3Click();
    EXPECT_EQ(m_choosers.startFolders.first(), u"/alt/logo.gif"_s); // preset
    form().btVorIndexClick();
    form().btVorBildClick();
    form().btZielClick();
    form().Button3Click(); // cancelled: unchanged
    EXPECT_EQ(control<QLineEdit>("eWZImage")->text(), u"/logos/logo.png"_s);
    EXPECT_EQ(control<QLineEdit>("edVorIndex")->text(), u"/v/index.htm"_s);
    EXPECT_EQ(control<QLineEdit>("edVorBild")->text(), u"/v/bild.htm"_s);
    EXPECT_EQ(control<QLineEdit>("edZiel")->text(), u"/ziel/galerie"_s);
}
