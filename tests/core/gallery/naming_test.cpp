// Picture naming: every kind, the documented examples, renumbering and link encoding.
#include "gallery/naming.h"

#include <gtest/gtest.h>

namespace {

GalleryNames windowsGallery()
{
    GalleryNames names;
    names.style = PathStyle::Windows;
    names.files = {QStringLiteral("C:\\Fotos\\Ferien 01.JPG|Strand")};
    names.tnPraefix = QStringLiteral("tn_");
    names.exportPath = QStringLiteral("C:\\Web\\");
    names.tnPath = QStringLiteral("C:\\Web\\image1\\");
    names.bildPath = QStringLiteral("C:\\Web\\image2\\");
    return names;
}

GalleryNames posixGallery(const QStringList& files)
{
    GalleryNames names;
    names.style = PathStyle::Posix;
    names.files = files;
    names.tnPraefix = QStringLiteral("tn_");
    names.exportPath = QStringLiteral("/srv/web/");
    names.tnPath = QStringLiteral("/srv/web/image1/");
    names.bildPath = QStringLiteral("/srv/web/image2/");
    return names;
}

QString name(const char* kind, int index, const GalleryNames& names)
{
    return GetPicName(QString::fromLatin1(kind), index, names);
}

} // namespace

TEST(GetPicName, WindowsExampleGivesEveryKind)
{
    const GalleryNames names = windowsGallery();
    EXPECT_EQ(name("", 0, names), QStringLiteral("C:\\Fotos\\Ferien 01.JPG"));
    EXPECT_EQ(name("k", 0, names), QStringLiteral("C:\\Web\\image1\\tn_Ferien_01.jpg"));
    EXPECT_EQ(name("kr", 0, names), QStringLiteral("image1/tn_Ferien_01.jpg"));
    EXPECT_EQ(name("g", 0, names), QStringLiteral("C:\\Web\\image2\\Ferien_01.jpg"));
    EXPECT_EQ(name("gr", 0, names), QStringLiteral("image2/Ferien_01.jpg"));
    EXPECT_EQ(name("h", 0, names), QStringLiteral("C:\\Web\\Ferien_01.htm"));
    EXPECT_EQ(name("hr", 0, names), QStringLiteral("Ferien_01.htm"));
    EXPECT_EQ(name("b", 0, names), QStringLiteral("Strand"));
    EXPECT_EQ(name("br", 0, names), QStringLiteral("<br>Strand"));
    EXPECT_EQ(name("no", 0, names), QString());
}

TEST(GetPicName, KindsAreLowerCasedAndCutToTwoLetters)
{
    const GalleryNames names = windowsGallery();
    EXPECT_EQ(name("B", 0, names), QStringLiteral("Strand"));
    EXPECT_EQ(name("BR", 0, names), QStringLiteral("<br>Strand"));
    EXPECT_EQ(name("KRx", 0, names), QStringLiteral("image1/tn_Ferien_01.jpg"));
    // "no" must match exactly; "NO" is an ordinary kind that gives the source path.
    EXPECT_EQ(name("NO", 0, names), QStringLiteral("C:\\Fotos\\Ferien 01.JPG"));
    EXPECT_EQ(name("x", 0, names), QStringLiteral("C:\\Fotos\\Ferien 01.JPG"));
}

TEST(GetPicName, IndexOutsideTheListOrNoSelectionGivesNothing)
{
    GalleryNames names = windowsGallery();
    EXPECT_EQ(name("", 1, names), QString());
    EXPECT_EQ(name("", -1, names), QString());
    EXPECT_EQ(name("", -2, names), QString());
    names.selected = 0;
    EXPECT_EQ(name("b", -2, names), QStringLiteral("Strand"));
}

TEST(GetPicName, CaptionsFollowTheFileNameSetting)
{
    GalleryNames names =
        posixGallery({QStringLiteral("/p/Am Meer.v2.jpg"), QStringLiteral("/p/b.jpg|"),
                      QStringLiteral("/p/c.jpg|<b>Fett</b>|extra")});
    EXPECT_EQ(name("b", 0, names), QString());
    EXPECT_EQ(name("br", 0, names), QStringLiteral("<br>&nbsp;"));
    EXPECT_EQ(name("br", 1, names), QStringLiteral("<br>&nbsp;"));
    // Captions are HTML and stay unescaped; only the second field counts.
    EXPECT_EQ(name("b", 2, names), QStringLiteral("<b>Fett</b>"));
    EXPECT_EQ(name("", 2, names), QStringLiteral("/p/c.jpg"));

    names.picDatBez = true;
    EXPECT_EQ(name("b", 0, names), QStringLiteral("Am Meer.v2"));
    EXPECT_EQ(name("br", 1, names), QStringLiteral("<br>b"));
    EXPECT_EQ(name("b", 2, names), QStringLiteral("<b>Fett</b>"));
}

TEST(GetPicName, OnlyTheLastExtensionIsReplaced)
{
    const GalleryNames names =
        posixGallery({QStringLiteral("/p/a.b.jpeg"), QStringLiteral("/p/noext")});
    EXPECT_EQ(name("g", 0, names), QStringLiteral("/srv/web/image2/a.b.jpg"));
    EXPECT_EQ(name("h", 0, names), QStringLiteral("/srv/web/a.b.htm"));
    EXPECT_EQ(name("k", 1, names), QStringLiteral("/srv/web/image1/tn_noext.jpg"));
    EXPECT_EQ(name("h", 1, names), QStringLiteral("/srv/web/noext.htm"));
}

TEST(GetPicName, PrefixWithDotDoesNotSwallowAName)
{
    GalleryNames names = posixGallery({QStringLiteral("/p/noext")});
    names.tnPraefix = QStringLiteral("v1.");
    EXPECT_EQ(name("k", 0, names), QStringLiteral("/srv/web/image1/v1.noext.jpg"));
}

TEST(GetPicName, RenumberingGivesDistinctNames)
{
    QStringList files;
    for (int i = 0; i < 10000; ++i)
        files.append(QStringLiteral("/a/same.jpg"));
    GalleryNames names = posixGallery(files);
    EXPECT_EQ(name("h", 0, names), name("h", 1, names));

    names.newNum = true;
    EXPECT_EQ(name("k", 0, names), QStringLiteral("/srv/web/image1/tn_img0001.jpg"));
    EXPECT_EQ(name("gr", 9, names), QStringLiteral("image2/img0010.jpg"));
    EXPECT_EQ(name("hr", 9999, names), QStringLiteral("img10000.htm"));
    // Renumbering leaves the source path alone.
    EXPECT_EQ(name("", 0, names), QStringLiteral("/a/same.jpg"));
}

TEST(GetPicName, FileNamesKeepSpecialCharactersOnDiskButLinksAreEncoded)
{
    const GalleryNames names = posixGallery(
        {QStringLiteral("/p/Bild #1.jpg"), QStringLiteral("/p/M\u00FCller & S\u00F6hne.jpg"),
         QStringLiteral("/p/100% wahr?.jpg"), QStringLiteral("/p/back\\slash\"q.jpg")});
    EXPECT_EQ(name("h", 0, names), QStringLiteral("/srv/web/Bild_#1.htm"));
    EXPECT_EQ(name("hr", 0, names), QStringLiteral("Bild_%231.htm"));
    EXPECT_EQ(name("kr", 0, names), QStringLiteral("image1/tn_Bild_%231.jpg"));
    // "&" and umlauts stay: browsers encode a path as UTF-8 themselves.
    EXPECT_EQ(name("gr", 1, names), QStringLiteral("image2/M\u00FCller_&_S\u00F6hne.jpg"));
    EXPECT_EQ(name("hr", 2, names), QStringLiteral("100%25_wahr%3F.htm"));
    // On POSIX a backslash is part of the name, but browsers would read it as "/".
    EXPECT_EQ(name("hr", 3, names), QStringLiteral("back%5Cslash%22q.htm"));
    EXPECT_EQ(name("h", 3, names), QStringLiteral("/srv/web/back\\slash\"q.htm"));
}

TEST(RelativeLinkPath, FoldersOutsideTheTargetUseDotDotSteps)
{
    EXPECT_EQ(relativeLinkPath(QStringLiteral("/srv/thumbs/a.jpg"), QStringLiteral("/srv/web/"),
                               PathStyle::Posix),
              QStringLiteral("../thumbs/a.jpg"));
    EXPECT_EQ(relativeLinkPath(QStringLiteral("C:\\Bilder\\k\\a.jpg"),
                               QStringLiteral("c:\\web\\gal\\"), PathStyle::Windows),
              QStringLiteral("../../Bilder/k/a.jpg"));
    EXPECT_EQ(relativeLinkPath(QStringLiteral("C:\\WEB\\image1\\a.jpg"),
                               QStringLiteral("c:\\web\\"), PathStyle::Windows),
              QStringLiteral("image1/a.jpg"));
    // Another drive cannot be reached relatively.
    EXPECT_EQ(relativeLinkPath(QStringLiteral("D:\\k\\a.jpg"), QStringLiteral("C:\\Web\\"),
                               PathStyle::Windows),
              QStringLiteral("D:/k/a.jpg"));
    // POSIX names are case-sensitive: /srv/Web is another folder.
    EXPECT_EQ(relativeLinkPath(QStringLiteral("/srv/Web/a.htm"), QStringLiteral("/srv/web/"),
                               PathStyle::Posix),
              QStringLiteral("../Web/a.htm"));
}

TEST(LinkAddress, EncodesOnlyWhatBreaksARelativeUrl)
{
    EXPECT_EQ(linkAddress(QStringLiteral("a b#c?d%e.htm"), PathStyle::Posix),
              QStringLiteral("a%20b%23c%3Fd%25e.htm"));
    EXPECT_EQ(linkAddress(QStringLiteral("x\ty\u0085.htm"), PathStyle::Posix),
              QStringLiteral("x%09y%C2%85.htm"));
    EXPECT_EQ(linkAddress(QStringLiteral("sub/\u00C4&\u4E2D.jpg"), PathStyle::Posix),
              QStringLiteral("sub/\u00C4&\u4E2D.jpg"));
}

TEST(EntryFields, PathAndCaption)
{
    EXPECT_EQ(entryPath(QStringLiteral("/a/b.jpg|Cap|x")), QStringLiteral("/a/b.jpg"));
    EXPECT_EQ(entryCaption(QStringLiteral("/a/b.jpg|Cap|x")), QStringLiteral("Cap"));
    EXPECT_EQ(entryCaption(QStringLiteral("/a/b.jpg")), QString());
    EXPECT_EQ(withExtension(QStringLiteral("start.html"), QStringLiteral("1.htm")),
              QStringLiteral("start1.htm"));
    EXPECT_EQ(withExtension(QStringLiteral("dir.x/file"), QStringLiteral(".jpg")),
              QStringLiteral("dir.x/file.jpg"));
}
