// The settings table: keys follow from controls, start values match the start list.
#include "gallery/settingstable.h"

#include <QSet>
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
    EXPECT_EQ(settingsTable().size(), 56);
    EXPECT_EQ(findSetting(QStringLiteral("DelFile")), nullptr);
}

TEST(SettingsTable, OrderAndFtpRows)
{
    const QList<SettingDef>& table = settingsTable();
    EXPECT_EQ(table.first().key, QStringLiteral("PicDatBez"));
    EXPECT_EQ(table.at(settingRow(QStringLiteral("Ziel")) + 1).key, QStringLiteral("FtpServer"));
    EXPECT_EQ(table.at(settingRow(QStringLiteral("FtpPath")) + 1).key, QStringLiteral("FtpTls"));
    EXPECT_EQ(table.at(settingRow(QStringLiteral("FtpTls")) + 1).key, u"SmoothScale"_s);
    EXPECT_EQ(table.last().key, QStringLiteral("MobilePages"));
    const QStringList later = {u"SmoothScale"_s, u"MobilePages"_s};
    bool seenFtp = false;
    for (const SettingDef& def : table) {
        // The FTP fields and the later check boxes are the last rows and the only ones after
        // the pictures.
        EXPECT_EQ(def.afterPictures,
                  def.key.startsWith(QLatin1String("Ftp")) || later.contains(def.key));
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

TEST(SettingsTable, EveryRowHasItsOwnSnapshotField)
{
    // A field shared by two rows would give the first row's key for both.
    for (const SettingDef& def : settingsTable())
        EXPECT_EQ(settingKey(def.field), def.key) << def.key.toStdString();
    EXPECT_EQ(settingKey(&ProjectSettings::tnPraefix), u"TnPraefix"_s);
}

TEST(SettingsTable, StartValuesAreTheStartList)
{
    // The start list is derived from the table: these lines, in this order.
    const QStringList expected = {u"TnWidth=150"_s,
                                  u"TnHeight=100"_s,
                                  u"TnPraefix=tn_"_s,
                                  u"PicModifi=1"_s,
                                  u"PicWidth=600"_s,
                                  u"PicHeight=400"_s,
                                  u"Qual=80"_s,
                                  u"Hell=0"_s,
                                  u"Kontr=0"_s,
                                  u"Satt=0"_s,
                                  u"BildFont=Arial,I,9,-16777208"_s,
                                  u"WZTrans=50"_s,
                                  u"WZSize=100"_s,
                                  u"Titel=Lumivista"_s,
                                  u"BGColor=0"_s,
                                  u"TitelFont=Tahoma,B,20,65535"_s,
                                  u"Font=Tahoma,B,12,65535"_s,
                                  u"NaviFont=Tahoma,B,12,65535"_s,
                                  u"Col=4"_s,
                                  u"Row=4"_s,
                                  u"Rahmen=1"_s,
                                  u"PPrior=<---"_s,
                                  u"PIndex=Index"_s,
                                  u"PNext=--->"_s,
                                  u"PTrenn= | "_s,
                                  u"Index=index"_s,
                                  u"TnPath="_s,
                                  u"PicPath="_s,
                                  u"CDImage=0"_s,
                                  u"SmoothScale=1"_s,
                                  u"MobilePages=1"_s};
    EXPECT_EQ(startLines(), expected);
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
