// SaveParam and LoadParam with a file: round trips, failures, damaged projects.
#include "gallery/projectfile.h"
#include "gallery/projectstate.h"

#include "util/error.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

ProjectState started()
{
    ProjectState state;
    state.applyStartSettings();
    return state;
}

// A project that differs from the start values in every kind of setting.
ProjectState everythingChanged()
{
    ProjectState state = started();
    state.setBoolValue(QStringLiteral("PicDatBez"), true);
    state.setIntValue(QStringLiteral("TnWidth"), 0);
    state.setTextValue(QStringLiteral("PicPraefix"), QStringLiteral("big_"));
    state.setIntValue(QStringLiteral("Hell"), -255);
    state.setTextValue(QStringLiteral("BildText"), QStringLiteral("© Müller = 2024"));
    state.setIntValue(QStringLiteral("BildTextV"), 2);
    state.setIntValue(QStringLiteral("WZL"), -40);
    state.setFontValue(QStringLiteral("BildFont"),
                       {QStringLiteral("DejaVu Sans"), true, true, true, true, 31, -16777208});
    state.setIntValue(QStringLiteral("BGColor"), 0xABCDEF);
    state.setTextValue(QStringLiteral("PTrenn"), QStringLiteral("  ~  "));
    state.setTextValue(QStringLiteral("Ziel"), QStringLiteral("/srv/www/galerie"));
    state.setTextValue(QStringLiteral("VorIndex"), QStringLiteral("vorlagen/index.htm"));
    state.setBoolValue(QStringLiteral("CDImage"), true);
    state.setTextValue(QStringLiteral("FtpServer"), QStringLiteral("ftp://127.0.0.1"));
    state.setTextValue(QStringLiteral("FtpUser"), QStringLiteral("anna"));
    state.setTextValue(QStringLiteral("FtpPath"), QStringLiteral("/pub/bilder"));
    state.Files() = {QStringLiteral("/fotos/Strand.jpg|Am Meer"),
                     QStringLiteral(" /fotos/leading blank.jpg"),
                     QStringLiteral("/fotos/Haus.jpg|"), QStringLiteral("/fotos/a|b|c.jpg")};
    return state;
}

} // namespace

TEST(ProjectRoundTrip, SaveLoadSaveGivesIdenticalBytes)
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.lmv"));
    const QString second = dir.filePath(QStringLiteral("second.lmv"));
    ProjectState state = everythingChanged();
    state.SaveParam(first);
    EXPECT_EQ(state.lParamOld(), state.lParam().lines());
    EXPECT_FALSE(readBytes(first).startsWith("\xEF\xBB\xBF")); // all fits Windows-1252

    ProjectState loaded = started();
    loaded.LoadParam(first);
    EXPECT_EQ(loaded.Files(), state.Files());
    EXPECT_EQ(loaded.textValue(QStringLiteral("PTrenn")), QStringLiteral("  ~  "));
    EXPECT_FALSE(loaded.hasUnsavedChanges());
    loaded.SaveParam(second);
    EXPECT_EQ(readBytes(second), readBytes(first));
}

TEST(ProjectRoundTrip, TextOutsideTheCodePage)
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.lmv"));
    const QString second = dir.filePath(QStringLiteral("second.lmv"));
    ProjectState state = everythingChanged();
    state.setTextValue(QStringLiteral("Titel"), QStringLiteral("東京 – Größe"));
    state.Files().append(QStringLiteral("/fotos/ß.jpg|Ã¤ stays as typed"));
    state.SaveParam(first);
    EXPECT_TRUE(readBytes(first).startsWith("\xEF\xBB\xBF"));
    ProjectState loaded;
    loaded.LoadParam(first);
    EXPECT_EQ(loaded.textValue(QStringLiteral("Titel")), QStringLiteral("東京 – Größe"));
    EXPECT_EQ(loaded.Files().last(), QStringLiteral("/fotos/ß.jpg|Ã¤ stays as typed"));
    loaded.SaveParam(second);
    EXPECT_EQ(readBytes(second), readBytes(first));
}

TEST(ProjectRoundTrip, FileLacksEnd)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.lmv"));
    writeBytes(path, "[Param]\r\nQual=90\r\n[Images]\r\n/a.jpg|A\r\n\r\n/b.jpg\r\nFtpPath=/x\r\n");
    ProjectState state = started();
    state.LoadParam(path);
    EXPECT_EQ(state.Files(), (QStringList{QStringLiteral("/a.jpg|A"), QStringLiteral("/b.jpg"),
                                          QStringLiteral("FtpPath=/x")}));
    EXPECT_EQ(state.textValue(QStringLiteral("FtpPath")), QStringLiteral("/x"));
}

TEST(ProjectFailures, UnreadableFileKeepsEverything)
{
    QTemporaryDir dir;
    ProjectState state = everythingChanged();
    const QString saved = dir.filePath(QStringLiteral("p.lmv"));
    state.SaveParam(saved);
    const ParamList lParam = state.lParam();
    const QStringList old = state.lParamOld();
    const QString missing = dir.filePath(QStringLiteral("missing.lmv"));
    try {
        state.LoadParam(missing);
        FAIL() << "no error";
    } catch (const LumiError& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("No such file or directory"))) << e.what();
    }
    EXPECT_EQ(state.lParam(), lParam);
    EXPECT_EQ(state.lParamOld(), old);
    EXPECT_EQ(state.Files().size(), 4);
    EXPECT_EQ(state.intValue(QStringLiteral("Hell")), -255);
}

TEST(ProjectFailures, UnwritableFileKeepsOldText)
{
    QTemporaryDir dir;
    ProjectState state = everythingChanged();
    const QString saved = dir.filePath(QStringLiteral("p.lmv"));
    state.SaveParam(saved);
    const QStringList old = state.lParamOld();
    state.setIntValue(QStringLiteral("Qual"), 5);
    EXPECT_THROW(state.SaveParam(dir.filePath(QStringLiteral("gone/p.lmv"))), LumiError);
    EXPECT_EQ(state.lParamOld(), old);
    EXPECT_TRUE(state.hasUnsavedChanges());
}

TEST(DamagedProjects, BinaryJunkLoadsWithinRanges)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("junk.lmv"));
    QRandomGenerator random(4711);
    QByteArray junk(200'000, '\0');
    for (char& c : junk)
        c = char(random.bounded(256));
    junk.replace(0, 4, "JUNK"); // no byte-order mark by chance
    // Some plausible lines inside the junk.
    junk.insert(1000, "\r\nQual=77777\r\nBildFont=\xFF\xFE,\x01\x02,\x80,\r\n[Images]\r\n");
    writeBytes(path, junk);
    ProjectState state = started();
    EXPECT_THROW(state.LoadParam(path), NotAProjectError); // NUL bytes: not a text
    EXPECT_EQ(state.intValue(QStringLiteral("Qual")), 80);
    junk.replace('\0', '\x01');
    writeBytes(path, junk);
    ASSERT_NO_THROW(state.LoadParam(path));
    EXPECT_EQ(state.intValue(QStringLiteral("Qual")), 100);
    for (const SettingDef& def : settingsTable()) {
        if (def.type == SettingType::Int || def.type == SettingType::Choice) {
            EXPECT_GE(state.intValue(def.key), def.minimum);
            EXPECT_LE(state.intValue(def.key), def.maximum);
        }
    }
    const QString saved = dir.filePath(QStringLiteral("saved.lmv"));
    state.SaveParam(saved);
    ProjectState again = started();
    again.LoadParam(saved);
    again.SaveParam(dir.filePath(QStringLiteral("again.lmv")));
    EXPECT_EQ(readBytes(dir.filePath(QStringLiteral("again.lmv"))), readBytes(saved));
}

TEST(DamagedProjects, HugeLinesAndNoPictureSection)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.lmv"));
    QByteArray bytes = "[Param]\nTitel=" + QByteArray(10 * 1024 * 1024, 'x') + "\r\n";
    bytes += "Qual=" + QByteArray(10 * 1024 * 1024, '9') + "\r\n";
    bytes += "BildFont=" + QByteArray(1024 * 1024, ',') + "\r\n";
    bytes += "hell=-" + QByteArray(100, '7') + "\n/not/a/picture.jpg\n";
    writeBytes(path, bytes);
    ProjectState state = started();
    state.LoadParam(path);
    EXPECT_EQ(state.textValue(QStringLiteral("Titel")).size(), 10 * 1024 * 1024);
    EXPECT_EQ(state.intValue(QStringLiteral("Qual")), 100);
    EXPECT_EQ(state.intValue(QStringLiteral("Hell")), -255);
    EXPECT_EQ(state.fontValue(QStringLiteral("BildFont")),
              (FontSpec{QStringLiteral("Arial"), false, false, false, false, 9, -16777208}));
    EXPECT_TRUE(state.Files().isEmpty());
}
