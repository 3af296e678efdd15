// The settings table: keys follow from controls, values the window starts with are ones it
// accepts, a new project reads back without complaint, and a project written and read back
// keeps every setting, the newer ones after the picture list.
#include "gallery/settingstable.h"

#include "gallery/projectfile.h"
#include "gallery/projectstate.h"

#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(KeyOfControl, PrefixRule)
{
    EXPECT_EQ(keyOfControl(QStringLiteral("edQual")), QStringLiteral("Qual"));
    EXPECT_EQ(keyOfControl(QStringLiteral("eTnWidth")), QStringLiteral("TnWidth"));
    EXPECT_EQ(keyOfControl(QStringLiteral("lParam")), QStringLiteral("Param"));
    // "ed" wins over "e"; the test is case-sensitive.
    EXPECT_EQ(keyOfControl(QStringLiteral("edit")), QStringLiteral("it"));
    EXPECT_EQ(keyOfControl(QStringLiteral("EdQual")), QStringLiteral("EdQual"));
    EXPECT_EQ(keyOfControl(QStringLiteral("btGen")), QStringLiteral("btGen"));
}

TEST(SettingsTable, EveryKeyFollowsFromItsControl)
{
    QSet<QString> keys;
    QSet<QString> controls;
    for (const SettingDef& def : settingsTable()) {
        EXPECT_EQ(keyOfControl(def.control), def.key) << def.control.toStdString();
        EXPECT_FALSE(keys.contains(def.key.toLower())) << def.key.toStdString();
        EXPECT_FALSE(controls.contains(def.control)) << def.control.toStdString();
        keys.insert(def.key.toLower());
        controls.insert(def.control);
        EXPECT_EQ(findSetting(def.key.toUpper()), &def);
    }
    EXPECT_EQ(findSetting(QStringLiteral("DelFile")), nullptr);
}

TEST(SettingsTable, WindowStartsWithValuesItAccepts)
{
    // A control built with a value outside its own range would show it clamped at once.
    for (const SettingDef& def : settingsTable()) {
        if (def.type == SettingType::Int || def.type == SettingType::Choice ||
            def.type == SettingType::Bool) {
            bool ok = false;
            const int form = def.form.toInt(&ok);
            EXPECT_TRUE(ok) << def.key.toStdString();
            EXPECT_GE(form, def.minimum) << def.key.toStdString();
            EXPECT_LE(form, def.maximum) << def.key.toStdString();
        }
        if (def.type == SettingType::Choice) {
            EXPECT_EQ(def.choices.size(), def.maximum + 1);
        }
    }
}

TEST(SettingsTable, EveryRowHasItsOwnSnapshotField)
{
    // A field shared by two rows would give the first row's key for both.
    for (const SettingDef& def : settingsTable())
        EXPECT_EQ(settingKey(def.field), def.key) << def.key.toStdString();
    EXPECT_EQ(settingKey(&ProjectSettings::tnPraefix), u"TnPraefix"_s);
}

TEST(StartSettings, ANewProjectReadsBackWithoutAComplaint)
{
    // Every start value is a plain value of its setting, inside its range.
    ASSERT_FALSE(startLines().isEmpty());
    for (const QString& line : startLines()) {
        const qsizetype eq = line.indexOf(u'=');
        ASSERT_GT(eq, 0) << qPrintable(line);
        const SettingDef* def = findSetting(line.left(eq));
        ASSERT_NE(def, nullptr) << qPrintable(line);
        const SettingValue value = readSettingValue(*def, line.mid(eq + 1), FontSpec{});
        EXPECT_FALSE(value.clamped) << qPrintable(line);
        EXPECT_TRUE(value.problem.isEmpty())
            << qPrintable(line) << ": " << qPrintable(value.problem);
    }
}

namespace {

// Gives every setting of `state` another value inside its range.
void changeEverySetting(ProjectState& state)
{
    for (const SettingDef& def : settingsTable()) {
        const QString& key = def.key;
        switch (def.type) {
        case SettingType::Bool:
            state.setBoolValue(key, !state.boolValue(key));
            break;
        case SettingType::Int: {
            const int now = state.intValue(key);
            state.setIntValue(key, now < def.maximum ? now + 1 : now - 1);
            break;
        }
        case SettingType::Choice:
            state.setIntValue(key, (state.intValue(key) + 1) % int(def.choices.size()));
            break;
        case SettingType::Colour:
            state.setIntValue(key, state.intValue(key) == 0x123456 ? 0x654321 : 0x123456);
            break;
        case SettingType::Font: {
            FontSpec font = state.fontValue(key);
            font.name = u"DejaVu Sans"_s;
            font.bold = !font.bold;
            font.size += 1;
            font.color = 0x00A0B0;
            state.setFontValue(key, font);
            break;
        }
        case SettingType::Text:
        case SettingType::Path:
            state.setTextValue(key, state.textValue(key) + u"_2"_s);
            break;
        }
    }
}

bool sameValue(const ProjectSettings& a, const ProjectSettings& b, const SettingField& field)
{
    return std::visit([&](auto member) { return a.*member == b.*member; }, field);
}

} // namespace

TEST(ProjectFile, KeepsEverySettingTheUserChanged)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"alles.lmv"_s);
    ProjectState start;
    start.applyStartSettings();
    ProjectState saved;
    saved.applyStartSettings();
    changeEverySetting(saved);
    saved.Files() = {u"/fotos/a.jpg|Am Meer"_s, u"/fotos/b.jpg"_s};
    saved.SaveParam(file);

    ProjectState loaded;
    loaded.applyStartSettings();
    loaded.LoadParam(file);
    const ProjectSettings before = start.settings();
    const ProjectSettings written = saved.settings();
    const ProjectSettings read = loaded.settings();
    for (const SettingDef& def : settingsTable()) {
        EXPECT_FALSE(sameValue(before, written, def.field))
            << "not changed: " << qPrintable(def.key);
        EXPECT_TRUE(sameValue(written, read, def.field)) << "not kept: " << qPrintable(def.key);
    }
    EXPECT_EQ(loaded.Files(), saved.Files());
}

TEST(ProjectFile, FtpFieldsAndLaterSettingsFollowThePictureList)
{
    // Older versions read the file up to the end of the picture list: what they do not
    // know stands after it (and a newer number at its first value is not written at all).
    QTemporaryDir dir;
    const QString file = dir.filePath(u"alles.lmv"_s);
    ProjectState state;
    state.applyStartSettings();
    changeEverySetting(state);
    state.Files() = {u"/fotos/a.jpg"_s};
    state.SaveParam(file);
    const QStringList lines = readProjectFile(file);
    const qsizetype end = lines.indexOf(u"[End]"_s);
    ASSERT_GT(end, 0) << qPrintable(lines.join(u'\n'));
    for (const SettingDef& def : settingsTable()) {
        qsizetype row = -1;
        for (qsizetype i = 0; i < lines.size() && row < 0; ++i) {
            if (lines[i].startsWith(def.key + u'='))
                row = i;
        }
        if (row < 0) {
            // A newer number at the value the window starts with is left out: the file of a
            // project that never chose it stays as it was.
            EXPECT_TRUE(def.afterPictures && QString::number(state.intValue(def.key)) == def.form)
                << "not written: " << qPrintable(def.key);
            continue;
        }
        EXPECT_EQ(row > end, def.afterPictures) << qPrintable(def.key);
    }
}

TEST(SettingValues, ReadAsTheProjectFileReadsThem)
{
    const auto read = [](const char16_t* key, const char16_t* text) {
        return readSettingValue(*findSetting(QString::fromUtf16(key)), QString::fromUtf16(text),
                                FontSpec{u"Tahoma"_s, true, false, false, false, 12, 7});
    };
    EXPECT_EQ(read(u"Qual", u"0").number, 1);
    EXPECT_TRUE(read(u"Qual", u"0").clamped);
    EXPECT_FALSE(read(u"Qual", u"100").clamped);
    EXPECT_TRUE(read(u"BildTextL", u"99999999999").clamped);
    EXPECT_EQ(read(u"Col", u"12px").number, 12);
    EXPECT_EQ(read(u"Col", u"12px").problem, u"is not a whole number"_s);
    for (const char16_t* yes : {u"2", u"ja", u"TRUE"})
        EXPECT_EQ(read(u"Black", yes).number, 1);
    for (const char16_t* no : {u"0", u"", u"nein"}) {
        EXPECT_EQ(read(u"Black", no).number, 0);
        EXPECT_TRUE(read(u"Black", no).problem.isEmpty());
    }
    EXPECT_FALSE(read(u"Black", u"vielleicht").problem.isEmpty());
    EXPECT_EQ(read(u"BildFont", u",,14,").font,
              (FontSpec{u"Tahoma"_s, false, false, false, false, 14, 7}));
    EXPECT_TRUE(read(u"BildFont", u"A,,5000,1").clamped);
    EXPECT_FALSE(read(u"BildFont", u"A,B,1,2,3").problem.isEmpty());
    EXPECT_EQ(read(u"FtpPath", u"").text, u"/"_s);
    // The encryption choice is never brought into range: 7 is not plain FTP but refused.
    EXPECT_EQ(read(u"FtpTls", u"").number, 0);
    EXPECT_EQ(read(u"FtpTls", u"1").number, 1);
    EXPECT_EQ(read(u"FtpTls", u"7").number, 0);
    EXPECT_EQ(read(u"FtpTls", u"7").problem, u"is outside 0 to 2"_s);
    EXPECT_EQ(read(u"FtpTls", u"-1").number, 0);
    EXPECT_EQ(read(u"Titel", u"a\nb").text, u"a b"_s);
    EXPECT_FALSE(read(u"Titel", u"a\nb").problem.isEmpty());
}
