// Path rules in both styles: the Windows examples exactly as the program documents them, and
// their Posix counterparts.
#include "util/paths.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

PathContext windowsContext()
{
    PathContext c;
    c.style = PathStyle::Windows;
    c.programFile = s(u"C:\\Program Files\\Lumivista\\Lumivista.exe");
    c.programName = s(u"Lumivista");
    c.programDir = s(u"C:\\Program Files\\Lumivista\\");
    c.docDir = s(u"C:\\Users\\u\\Documents\\Lumivista\\");
    c.dataDir = s(u"C:\\Users\\u\\AppData\\Roaming\\Lumivista\\");
    return c;
}

PathContext posixContext()
{
    PathContext c;
    c.style = PathStyle::Posix;
    c.programFile = s(u"/opt/lumivista/lumivista");
    c.programName = s(u"lumivista");
    c.programDir = s(u"/opt/lumivista/");
    c.docDir = s(u"/home/u/Documents/Lumivista/");
    c.dataDir = s(u"/home/u/.config/Lumivista/");
    return c;
}

} // namespace

TEST(ResolvePathWindows, FolderMacrosAndRelativeNames)
{
    const PathContext w = windowsContext();
    EXPECT_EQ(resolvePath(s(u"bild.jpg"), QString(), w),
              s(u"C:\\Users\\u\\Documents\\Lumivista\\bild.jpg"));
    EXPECT_EQ(resolvePath(s(u"bild.jpg"), s(u"*"), w),
              s(u"C:\\Users\\u\\Documents\\Lumivista\\bild.jpg"));
    EXPECT_EQ(resolvePath(s(u"x.ini"), s(u"**"), w),
              s(u"C:\\Users\\u\\AppData\\Roaming\\Lumivista\\x.ini"));
    EXPECT_EQ(resolvePath(s(u"x.txt"), s(u"#p"), w), s(u"C:\\Program Files\\Lumivista\\x.txt"));
    EXPECT_EQ(resolvePath(s(u"x.txt"), s(u"C:\\work"), w), s(u"C:\\work\\x.txt"));
    EXPECT_EQ(resolvePath(s(u"sub\\x.txt"), s(u"C:\\work\\"), w), s(u"C:\\work\\sub\\x.txt"));
}

TEST(ResolvePathWindows, AbsoluteAndDriveRelativeNames)
{
    const PathContext w = windowsContext();
    EXPECT_EQ(resolvePath(s(u"D:\\a.txt"), s(u"*"), w), s(u"D:\\a.txt"));
    EXPECT_EQ(resolvePath(s(u"\\a.txt"), s(u"E:\\w\\"), w), s(u"E:\\a.txt"));
    EXPECT_EQ(resolvePath(s(u"\\a.txt"), s(u"\\\\srv\\share\\w\\"), w),
              s(u"\\\\srv\\share\\a.txt"));
    EXPECT_EQ(resolvePath(s(u"\\\\srv\\share\\x.txt"), s(u"*"), w), s(u"\\\\srv\\share\\x.txt"));
    EXPECT_EQ(resolvePath(s(u"C:\\\\x"), s(u"*"), w), s(u"C:\\x"));
}

TEST(ResolvePathWindows, ProgramFileAndExtensions)
{
    const PathContext w = windowsContext();
    EXPECT_EQ(resolvePath(QString(), s(u"*"), w), w.programFile);
    EXPECT_EQ(resolvePath(QString(), s(u"D:\\x\\"), w), w.programFile);
    EXPECT_EQ(resolvePath(s(u".ini"), s(u"#p"), w),
              s(u"C:\\Program Files\\Lumivista\\Lumivista.ini"));
    EXPECT_EQ(resolvePath(s(u".ini"), s(u"**"), w),
              s(u"C:\\Users\\u\\AppData\\Roaming\\Lumivista\\Lumivista.ini"));
    // A relative name starting with "." is no extension.
    EXPECT_EQ(resolvePath(s(u".\\x.txt"), s(u"C:\\w\\"), w), s(u"C:\\w\\.\\x.txt"));
}

TEST(ResolvePathWindows, FolderNamingAFile)
{
    const PathContext w = windowsContext();
    EXPECT_EQ(resolvePath(s(u"x.txt"), s(u"C:\\pics\\a.jpg"), w), s(u"C:\\pics\\x.txt"));
    EXPECT_EQ(resolveFolder(QString(), s(u"C:\\pics\\a.jpg"), false, w), s(u"C:\\pics\\"));
    // A dot before the last separator or a ".." keeps the folder as it is.
    EXPECT_EQ(resolvePath(s(u"x"), s(u"C:\\v1.2\\pics"), w), s(u"C:\\v1.2\\pics\\x"));
    EXPECT_EQ(resolvePath(s(u"x"), s(u"C:\\a\\..\\b.c"), w), s(u"C:\\a\\..\\b.c\\x"));
}

TEST(ResolvePathWindows, ClimbingStopsAtTheRoot)
{
    const PathContext w = windowsContext();
    EXPECT_EQ(resolvePath(s(u"..\\x.txt"), s(u"*"), w), s(u"C:\\Users\\u\\Documents\\x.txt"));
    EXPECT_EQ(resolvePath(s(u"..\\..\\x"), s(u"C:\\a\\"), w), s(u"C:\\x"));
    EXPECT_EQ(resolvePath(s(u"..\\..\\..\\x"), s(u"C:\\"), w), s(u"C:\\x"));
    EXPECT_EQ(resolvePath(s(u"..\\x"), s(u"C:\\a\\b"), w), s(u"C:\\a\\x"));
    EXPECT_EQ(resolvePath(s(u"..\\..\\..\\x"), s(u"\\\\srv\\share\\a\\"), w),
              s(u"\\\\srv\\share\\x"));
}

TEST(ResolveFolderWindows, TrailingSeparatorAndFolderOfName)
{
    const PathContext w = windowsContext();
    EXPECT_EQ(resolveFolder(s(u"sub"), QString(), false, w),
              s(u"C:\\Users\\u\\Documents\\Lumivista\\sub\\"));
    EXPECT_EQ(resolveFolder(QString(), s(u"#p"), false, w), w.programDir);
    EXPECT_EQ(resolveFolder(s(u"D:\\out"), s(u"*"), false, w), s(u"D:\\out\\"));
    EXPECT_EQ(resolveFolder(s(u"..\\gal"), s(u"*"), false, w),
              s(u"C:\\Users\\u\\Documents\\gal\\"));
    EXPECT_EQ(resolveFolder(s(u"C:\\pics\\a.jpg"), QString(), true, w), s(u"C:\\pics\\"));
    EXPECT_EQ(resolveFolder(s(u"a.jpg"), s(u"D:\\w\\"), true, w), s(u"D:\\w\\"));
    EXPECT_EQ(resolveFolder(s(u"C:\\\\x"), s(u"*"), false, w), s(u"C:\\x\\"));
    // No extension rule for folders.
    EXPECT_EQ(resolveFolder(s(u".ini"), s(u"D:\\w\\"), false, w), s(u"D:\\w\\.ini\\"));
}

TEST(ResolvePathPosix, TheSameRulesWithSlash)
{
    const PathContext p = posixContext();
    EXPECT_EQ(resolvePath(s(u"bild.jpg"), QString(), p),
              s(u"/home/u/Documents/Lumivista/bild.jpg"));
    EXPECT_EQ(resolvePath(s(u"../x.txt"), s(u"*"), p), s(u"/home/u/Documents/x.txt"));
    EXPECT_EQ(resolvePath(s(u"/srv/a.txt"), s(u"*"), p), s(u"/srv/a.txt"));
    EXPECT_EQ(resolvePath(s(u".ini"), s(u"#p"), p), s(u"/opt/lumivista/lumivista.ini"));
    EXPECT_EQ(resolvePath(s(u"x.ini"), s(u"**"), p), s(u"/home/u/.config/Lumivista/x.ini"));
    EXPECT_EQ(resolvePath(QString(), s(u"*"), p), p.programFile);
    EXPECT_EQ(resolvePath(s(u"x.txt"), s(u"/pics/a.jpg"), p), s(u"/pics/x.txt"));
    EXPECT_EQ(resolvePath(s(u"../../../x"), s(u"/a/b/"), p), s(u"/x"));
    EXPECT_EQ(resolvePath(s(u"../x"), s(u"/"), p), s(u"/x"));
    EXPECT_EQ(resolvePath(s(u"./x.txt"), s(u"/w/"), p), s(u"/w/./x.txt"));
    // Colons and backslashes are ordinary characters.
    EXPECT_EQ(resolvePath(s(u"a:b.txt"), s(u"/w"), p), s(u"/w/a:b.txt"));
    EXPECT_EQ(resolvePath(s(u"C:\\\\x"), s(u"/w/"), p), s(u"/w/C:\\\\x"));
    EXPECT_EQ(resolvePath(s(u"\\x"), s(u"/w/"), p), s(u"/w/\\x"));
}

TEST(ResolveFolderPosix, TrailingSeparatorAndFolderOfName)
{
    const PathContext p = posixContext();
    EXPECT_EQ(resolveFolder(s(u"sub"), QString(), false, p),
              s(u"/home/u/Documents/Lumivista/sub/"));
    EXPECT_EQ(resolveFolder(s(u"/a/b/c.jpg"), QString(), true, p), s(u"/a/b/"));
    EXPECT_EQ(resolveFolder(s(u"/out/"), s(u"*"), false, p), s(u"/out/"));
    // A folder name of ".." climbs like "../".
    EXPECT_EQ(resolveFolder(s(u"../.."), s(u"/a/b/c/"), false, p), s(u"/a/"));
    EXPECT_EQ(resolveFolder(s(u".."), s(u"*"), false, p), s(u"/home/u/Documents/"));
}

TEST(ResolvePathPosix, ExistingFolderWithDotStaysAFolder)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dotted = tmp.path() + s(u"/fotos.2021");
    ASSERT_TRUE(QDir().mkpath(dotted));
    PathContext p = posixContext();
    EXPECT_EQ(resolvePath(s(u"x.jpg"), dotted, p), dotted + s(u"/x.jpg"));
    // The same spelling that names no folder is taken as a file name.
    EXPECT_EQ(resolvePath(s(u"x.jpg"), tmp.path() + s(u"/bild.jpg"), p), tmp.path() + s(u"/x.jpg"));
}

TEST(ProgramContext, MacrosReadTheProgramWideFolders)
{
    const PathContext previous = setPathContext(posixContext());
    setDataFoldersForTest(s(u"/d/doc"), s(u"/d/data/"));
    EXPECT_EQ(docDir(), s(u"/d/doc/"));
    EXPECT_EQ(dataDir(), s(u"/d/data/"));
    EXPECT_EQ(resolvePath(s(u"a.txt"), QString()), s(u"/d/doc/a.txt"));
    EXPECT_EQ(resolveFolder(s(u"s"), s(u"**")), s(u"/d/data/s/"));
    setPathContext(previous);
}
