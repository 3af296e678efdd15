// Navigation pieces: texts, picture tags, copies into the target folder.
#include "gallery/navigation.h"
#include "pagestestsupport.h"
#include "util/error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class Navigation : public DocAndWebFolders
{
protected:
    // The tag of `text` in a run into `web` that copies the pictures its plan lists.
    QString tag(const QString& text, const QString& web = {})
    {
        const QString target = web.isEmpty() ? m_web : web;
        return NavImageTag(text, navigationPlan(target, {text}, m_doc), m_doc);
    }
};

} // namespace

TEST_F(Navigation, TextsStayAsTheyAre)
{
    EXPECT_EQ(tag(QStringLiteral("<b>weiter</b>")), QStringLiteral("<b>weiter</b>"));
    EXPECT_EQ(tag(QStringLiteral("--->")), QStringLiteral("--->"));
    EXPECT_EQ(tag(QStringLiteral("bild.bmp")), QStringLiteral("bild.bmp"));
    EXPECT_FALSE(namesNavPicture(QStringLiteral("gif")));
    EXPECT_TRUE(namesNavPicture(QStringLiteral("Pfeil.JPEG")));
}

TEST_F(Navigation, ExistingPictureIsCopiedAndAddressedByItsName)
{
    writeBytes(m_doc + QStringLiteral("sep.gif"), "GIF89a-sep");
    EXPECT_EQ(tag(QStringLiteral("sep.gif")),
              QStringLiteral("<img border=\"0\" src=\"sep.gif\" alt=\"\">"));
    EXPECT_EQ(readBytes(m_web + QStringLiteral("sep.gif")), QByteArray("GIF89a-sep"));

    // An absolute path elsewhere: the copy lies in the target folder, the link is relative.
    writeBytes(m_root.filePath(QStringLiteral("Pfeil #2.PNG")), "PNG");
    EXPECT_EQ(tag(m_root.filePath(QStringLiteral("Pfeil #2.PNG"))),
              QStringLiteral("<img border=\"0\" src=\"Pfeil%20%232.PNG\" alt=\"\">"));
    EXPECT_EQ(readBytes(m_web + QStringLiteral("Pfeil #2.PNG")), QByteArray("PNG"));
}

TEST_F(Navigation, MissingPictureKeepsItsText)
{
    EXPECT_EQ(tag(QStringLiteral("next.png")),
              QStringLiteral("<img border=\"0\" src=\"next.png\" alt=\"\">"));
    EXPECT_FALSE(QFile::exists(m_web + QStringLiteral("next.png")));
}

TEST_F(Navigation, CopyIntoAMissingFolderFails)
{
    writeBytes(m_doc + QStringLiteral("sep.gif"), "GIF");
    EXPECT_THROW(tag(QStringLiteral("sep.gif"), m_web + QStringLiteral("gone/")), LumiError);
}

TEST_F(Navigation, PiecesOfARun)
{
    NavPieces pieces =
        prepareNavigation(QStringLiteral("<---"), QStringLiteral("--->"), QStringLiteral("Index"),
                          QStringLiteral(" | "), navigationPlan(m_web, {}, m_doc), m_doc);
    EXPECT_EQ(pieces.navP, QStringLiteral("<---"));
    EXPECT_EQ(pieces.navN, QStringLiteral("--->"));
    EXPECT_EQ(pieces.navI, QStringLiteral("Index"));
    EXPECT_EQ(pieces.navT, QStringLiteral("&nbsp;|&nbsp;"));

    // Only the separator's blanks become &nbsp;, and never inside a picture tag.
    writeBytes(m_doc + QStringLiteral("my sep.gif"), "GIF");
    pieces = prepareNavigation(QStringLiteral("a b"), QStringLiteral("--->"),
                               QStringLiteral("Index"), QStringLiteral("my sep.gif"),
                               navigationPlan(m_web, {QStringLiteral("my sep.gif")}, m_doc), m_doc);
    EXPECT_EQ(pieces.navP, QStringLiteral("a b"));
    EXPECT_EQ(pieces.navT, QStringLiteral("<img border=\"0\" src=\"my%20sep.gif\" alt=\"\">"));
    pieces =
        prepareNavigation(QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("I"),
                          QStringLiteral("no such.gif"), navigationPlan(m_web, {}, m_doc), m_doc);
    EXPECT_EQ(pieces.navT, QStringLiteral("<img border=\"0\" src=\"no such.gif\" alt=\"\">"));
}
