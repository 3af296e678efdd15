// The settings table: keys follow from controls, start values match the start list.
#include "gallery/settingstable.h"

#include "gallery/paramlist.h"

#include <QSet>
#include <gtest/gtest.h>

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
    EXPECT_EQ(settingsTable().size(), 53);
    EXPECT_EQ(findSetting(QStringLiteral("DelFile")), nullptr);
}

TEST(SettingsTable, OrderAndFtpRows)
{
    const QList<SettingDef>& table = settingsTable();
    EXPECT_EQ(table.first().key, QStringLiteral("PicDatBez"));
    EXPECT_EQ(table.at(settingRow(QStringLiteral("Ziel")) + 1).key, QStringLiteral("FtpServer"));
    EXPECT_EQ(table.last().key, QStringLiteral("FtpPath"));
    bool seenFtp = false;
    for (const SettingDef& def : table) {
        // The FTP fields are the last rows and the only ones after the pictures.
        EXPECT_EQ(def.afterPictures, def.key.startsWith(QLatin1String("Ftp")));
        if (seenFtp) {
            EXPECT_TRUE(def.afterPictures) << def.key.toStdString();
        }
        seenFtp = seenFtp || def.afterPictures;
    }
}

TEST(SettingsTable, FormValuesLieInTheirRanges)
{
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
    EXPECT_EQ(findSetting(QStringLiteral("Qual"))->minimum, 1);
    EXPECT_EQ(findSetting(QStringLiteral("Rahmen"))->maximum, 10);
    EXPECT_EQ(findSetting(QStringLiteral("PicWidth"))->maximum, 4000);
}

TEST(SettingsTable, StartValuesAreTheStartList)
{
    // The rows with a start value, in table order, are exactly the start list.
    QStringList fromTable;
    for (const SettingDef& def : settingsTable()) {
        if (def.hasStart)
            fromTable.append(def.key + u'=' + def.start);
    }
    EXPECT_EQ(fromTable, startLines());
    EXPECT_EQ(startLines().size(), 29);
    const ParamList start(startLines());
    EXPECT_EQ(start.value(QStringLiteral("PTrenn")), QStringLiteral(" | "));
    EXPECT_EQ(start.value(QStringLiteral("BildFont")), QStringLiteral("Arial,I,9,-16777208"));
    EXPECT_EQ(start.value(QStringLiteral("Index")), QStringLiteral("index"));
}
