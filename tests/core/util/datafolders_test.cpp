// Data folders: the start-up computation with fall-backs and the portable switch, folder
// keywords, system folders and folder listings.
#include "util/error.h"
#include "util/paths.h"
#include "util/version.h"

#include "rawnamefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include "testsupport.h"

namespace {

// A program folder, a documents and a config folder in a fresh temporary folder; the
// program-wide folders, the portable flag and the current folder are restored afterwards.
class DataFoldersTest : public TempFolderTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(TempFolderTest::SetUp());
        m_previous = pathContext();
        m_cwd = QDir::currentPath();
        resetPortableForTest();
        env.style = PathStyle::Posix;
        env.programFile = root + s(u"prog/lumivista");
        env.documents = root + s(u"home/Documents");
        env.appData = root + s(u"home/.config");
        QDir().mkpath(root + s(u"prog"));
        QDir().mkpath(env.documents);
        QDir().mkpath(env.appData);
    }
    void TearDown() override
    {
        QDir::setCurrent(m_cwd);
        setPathContext(m_previous);
        resetPortableForTest();
    }

    FolderEnvironment env;

private:
    PathContext m_previous;
    QString m_cwd;
};

} // namespace

TEST_F(DataFoldersTest, UsualFoldersWithoutCreating)
{
    computeDataFolders(s(u"Lumivista"), false, env);
    EXPECT_EQ(programDir(), root + s(u"prog/"));
    EXPECT_EQ(docDir(), root + s(u"home/Documents/Lumivista/"));
    EXPECT_EQ(dataDir(), root + s(u"home/.config/Lumivista/"));
    EXPECT_FALSE(isPortable());
    EXPECT_EQ(programTitle(), s(u"Lumivista"));
    EXPECT_EQ(pathContext().programFile, env.programFile);
    EXPECT_FALSE(QFileInfo::exists(docDir()));
    EXPECT_FALSE(QFileInfo::exists(dataDir()));
    EXPECT_NE(QDir::currentPath() + u'/', docDir());
}

TEST_F(DataFoldersTest, CreatingMakesDocDirCurrent)
{
    computeDataFolders(s(u"Lumivista"), true, env);
    EXPECT_TRUE(QFileInfo(docDir()).isDir());
    EXPECT_TRUE(QFileInfo(dataDir()).isDir());
    EXPECT_EQ(QDir::currentPath() + u'/', docDir());
    // An existing docDir becomes current also without the create flag.
    QDir::setCurrent(root);
    computeDataFolders(s(u"Lumivista"), false, env);
    EXPECT_EQ(QDir::currentPath() + u'/', docDir());
}

TEST_F(DataFoldersTest, SlashInTitleBecomesDash)
{
    computeDataFolders(s(u"Foto/Web"), false, env);
    EXPECT_EQ(docDir(), root + s(u"home/Documents/Foto-Web/"));
    EXPECT_EQ(dataDir(), root + s(u"home/.config/Foto-Web/"));
    // The keywords with the title use the same folder name.
    EXPECT_TRUE(folderKeyword(s(u"*")).endsWith(s(u"/Foto-Web")));
    EXPECT_TRUE(folderKeyword(s(u"**")).endsWith(s(u"/Foto-Web")));
}

TEST_F(DataFoldersTest, MissingSystemFoldersFallBackToTheHomeNeverBesideTheProgram)
{
    env.home = root + s(u"home");
    env.appData = root + s(u"missing/.config");
    computeDataFolders(s(u"Lumivista"), false, env);
    EXPECT_EQ(docDir(), root + s(u"home/Documents/Lumivista/"));
    EXPECT_EQ(dataDir(), root + s(u"home/Documents/Lumivista/"));

    env.documents = root + s(u"missing/Documents");
    computeDataFolders(s(u"Lumivista"), true, env);
    EXPECT_EQ(docDir(), root + s(u"home/Lumivista/"));
    EXPECT_EQ(dataDir(), root + s(u"home/Lumivista/"));
    EXPECT_TRUE(QFileInfo(docDir()).isDir());

    // No home either: nothing is created, least of all beside the program.
    env.home = root + s(u"missing");
    computeDataFolders(s(u"Lumivista"), true, env);
    env.documents.clear();
    env.appData.clear();
    env.home.clear();
    computeDataFolders(s(u"Lumivista"), true, env);
    EXPECT_FALSE(docDir().startsWith(root + s(u"prog")));
    EXPECT_FALSE(QFileInfo::exists(root + s(u"missing")));
    EXPECT_EQ(QDir(root + s(u"prog")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList());
}

TEST(UserHome, WithoutHomeVariableFromThePasswordDatabase)
{
    const QByteArray saved = qgetenv("HOME");
    const passwd* entry = ::getpwuid(::getuid());
    ASSERT_NE(entry, nullptr);
    qunsetenv("HOME");
    EXPECT_EQ(userHome(), QFile::decodeName(entry->pw_dir));
    // Qt's own folder lookups see the same home.
    const FolderEnvironment env = FolderEnvironment::system();
    EXPECT_EQ(env.home, QFile::decodeName(entry->pw_dir));
    EXPECT_EQ(QDir::homePath(), QDir(env.home).absolutePath());
    EXPECT_TRUE(env.appData.startsWith(env.home)) << env.appData.toStdString();
    qputenv("HOME", "");
    EXPECT_EQ(userHome(), QFile::decodeName(entry->pw_dir));
    qputenv("HOME", "/somewhere/else");
    EXPECT_EQ(userHome(), s(u"/somewhere/else"));
    qputenv("HOME", saved);
}

TEST_F(DataFoldersTest, PortableSwitchBesideTheProgram)
{
    writeBytes(root + s(u"prog/lumivista.ini"), "[LumiVista]\r\nportable = 1\r\n");
    computeDataFolders(s(u"Lumivista"), true, env);
    EXPECT_TRUE(isPortable());
    EXPECT_EQ(docDir(), root + s(u"prog/data/"));
    EXPECT_EQ(dataDir(), root + s(u"prog/"));
    EXPECT_EQ(QDir::currentPath() + u'/', docDir());
    // Decided once for the whole run.
    QFile::remove(root + s(u"prog/lumivista.ini"));
    computeDataFolders(s(u"Lumivista"), false, env);
    EXPECT_TRUE(isPortable());
    EXPECT_EQ(dataDir(), root + s(u"prog/"));
}

TEST_F(DataFoldersTest, PortableValueTakesLeadingDigits)
{
    const std::pair<QByteArray, bool> cases[] = {
        {"Portable=0", false},  {"Portable=2x", true}, {"Portable=abc", false},
        {"Portable=-1", false}, {"Other=1", false},    {"Portable=1\r\n[x]", true}};
    for (const auto& [line, portable] : cases) {
        resetPortableForTest();
        writeBytes(root + s(u"prog/lumivista.ini"), "[lumivista]\r\n" + line + "\r\n");
        computeDataFolders(s(u"Lumivista"), false, env);
        EXPECT_EQ(isPortable(), portable) << line.constData();
    }
    // Another section does not count.
    resetPortableForTest();
    writeBytes(root + s(u"prog/lumivista.ini"), "[other]\r\nPortable=1\r\n");
    computeDataFolders(s(u"Lumivista"), false, env);
    EXPECT_FALSE(isPortable());
}

TEST_F(DataFoldersTest, FolderKeywords)
{
    computeDataFolders(s(u"Lumivista"), false, env);
    const QString documents = specialFolder(kFolderDocuments);
    const QString config = specialFolder(kFolderAppData);
    EXPECT_FALSE(documents.isEmpty());
    EXPECT_FALSE(documents.endsWith(u'/'));
    EXPECT_EQ(folderKeyword(s(u"doc")), documents);
    EXPECT_EQ(folderKeyword(s(u"DOC")), documents);
    EXPECT_EQ(folderKeyword(s(u"*")), documents + s(u"/Lumivista"));
    EXPECT_EQ(folderKeyword(s(u"*Doc")), documents + s(u"/Lumivista"));
    EXPECT_EQ(folderKeyword(s(u"app")), config);
    EXPECT_EQ(folderKeyword(s(u"dat")), config);
    EXPECT_EQ(folderKeyword(s(u"**")), config + s(u"/Lumivista"));
    EXPECT_EQ(folderKeyword(s(u"*dat")), config + s(u"/Lumivista"));
    EXPECT_EQ(folderKeyword(s(u"adat")), specialFolder(kFolderCommonAppData));
    EXPECT_EQ(folderKeyword(s(u"AAPP")), specialFolder(kFolderCommonAppData));
    EXPECT_EQ(folderKeyword(s(u"desk")), QString());
    EXPECT_EQ(folderKeyword(s(u"docs")), QString());
    EXPECT_EQ(folderKeyword(QString()), QString());
}

TEST(SpecialFolder, UnknownIdentifierThrowsWithCode)
{
    try {
        specialFolder(99);
        FAIL() << "no error";
    } catch (const LumiError& error) {
        EXPECT_EQ(error.code(), 99);
    }
}

class ScanFolderTest : public TempFolderTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(TempFolderTest::SetUp());
        for (const char16_t* name : {u"b.jpg", u"A.JPG", u"c.png", u"noext", u".hidden.jpg",
                                     u"sub/d.jpg", u"sub/deeper/e.jpg", u"sub/f.txt"})
            writeBytes(root + QString::fromUtf16(name), "x");
        QDir().mkpath(root + s(u"x.jpg"));
    }
};

TEST_F(ScanFolderTest, MatchingFilesSortedByName)
{
    QStringList list{s(u"keep")};
    EXPECT_EQ(scanFolder(list, root + s(u"*.jpg"), 0, 0, QString()), 2);
    EXPECT_EQ(list, (QStringList{s(u"keep"), root + s(u"A.JPG"), root + s(u"b.jpg")}));
    // Nothing is removed or de-duplicated.
    EXPECT_EQ(scanFolder(list, root + s(u"*.jpg")), 2);
    EXPECT_EQ(list.size(), 5);
}

TEST_F(ScanFolderTest, AttributesAddHiddenFilesAndFolders)
{
    QStringList list;
    EXPECT_EQ(scanFolder(list, root + s(u"*.jpg"), 0, kAttrHidden), 3);
    EXPECT_EQ(list.first(), root + s(u".hidden.jpg"));
    list.clear();
    EXPECT_EQ(scanFolder(list, root + s(u"*.jpg"), 0, kAttrDirectory), 3);
    EXPECT_TRUE(list.contains(root + s(u"x.jpg")));
}

TEST_F(ScanFolderTest, StarDotStarAndExtensionList)
{
    QStringList list;
    EXPECT_EQ(scanFolder(list, root + s(u"*.*")), 4);
    EXPECT_TRUE(list.contains(root + s(u"noext")));
    list.clear();
    EXPECT_EQ(scanFolder(list, root + s(u"*.*"), 0, 0, s(u"jpg,png")), 3);
    EXPECT_EQ(list, (QStringList{root + s(u"A.JPG"), root + s(u"b.jpg"), root + s(u"c.png")}));
    list.clear();
    // An empty element of the list admits names without extension.
    EXPECT_EQ(scanFolder(list, root + s(u"*"), 0, 0, s(u"txt,")), 1);
    EXPECT_EQ(list, QStringList{root + s(u"noext")});
}

TEST_F(ScanFolderTest, DepthDescendsIntoSubFolders)
{
    QStringList list;
    EXPECT_EQ(scanFolder(list, root + s(u"*.jpg"), 1), 3);
    EXPECT_EQ(list.last(), root + s(u"sub/d.jpg"));
    list.clear();
    EXPECT_EQ(scanFolder(list, root + s(u"*.jpg"), 2), 4);
    EXPECT_EQ(list.last(), root + s(u"sub/deeper/e.jpg"));
    list.clear();
    EXPECT_EQ(scanFolder(list, root + s(u"*.*"), 5, 0, s(u"txt")), 1);
    EXPECT_EQ(list, QStringList{root + s(u"sub/f.txt")});
}

TEST_F(ScanFolderTest, NamesNotValidInTheSystemEncodingAreNamedNotAdded)
{
    const RawNameFile files[] = {{root, "b\xFF.jpg"},
                                 {root, "\xC3\xA4\xE4.JPG"},
                                 {root, "\xFF.txt"},
                                 {root, ".\xFF.jpg"},
                                 {root, "sub/\xFE.jpg"}};
    for (const RawNameFile& file : files)
        ASSERT_TRUE(file.created());
    QStringList list;
    QStringList leftOut;
    EXPECT_EQ(scanFolder(list, root + s(u"*.jpg"), 1, 0, QString(), &leftOut), 3);
    EXPECT_EQ(list, (QStringList{root + s(u"A.JPG"), root + s(u"b.jpg"), root + s(u"sub/d.jpg")}));
    EXPECT_EQ(leftOut, (QStringList{root + s(u"b\\xFF.jpg"), root + s(u"ä\\xE4.JPG"),
                                    root + s(u"sub/\\xFE.jpg")}));
    leftOut.clear();
    scanFolder(list, root + s(u"*.*"), 0, kAttrHidden, s(u"txt,jpg"), &leftOut);
    EXPECT_EQ(leftOut, (QStringList{root + s(u".\\xFF.jpg"), root + s(u"b\\xFF.jpg"),
                                    root + s(u"ä\\xE4.JPG"), root + s(u"\\xFF.txt")}));
}

TEST_F(ScanFolderTest, MissingFolderOrRelativePattern)
{
    QStringList list;
    EXPECT_EQ(scanFolder(list, root + s(u"none/*.jpg"), 3), 0);
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(scanFolder(list, root + s(u"sub/"), 0), 0);
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(root + s(u"sub"));
    EXPECT_EQ(scanFolder(list, s(u"*.jpg")), 1);
    QDir::setCurrent(cwd);
    EXPECT_EQ(list, QStringList{QFileInfo(root + s(u"sub")).canonicalFilePath() + s(u"/d.jpg")});
}

TEST(InitUtilLibrary, FirstComputationForTheRunningProgram)
{
    const PathContext previous = pathContext();
    const QString cwd = QDir::currentPath();
    initUtilLibrary();
    EXPECT_EQ(programDir(), QFileInfo(programPath()).absolutePath() + u'/');
    EXPECT_EQ(pathContext().programName, s(u"lumivista"));
    EXPECT_EQ(programTitle(), s(u"lumivista"));
    EXPECT_TRUE(docDir().endsWith(s(u"/lumivista/")) || docDir() == programDir() + s(u"data/"));
    EXPECT_TRUE(dataDir().endsWith(u'/'));
    QDir::setCurrent(cwd);
    setPathContext(previous);
}
