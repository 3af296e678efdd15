// Pages for phones and HiDPI screens from a whole run; a project without the setting keeps
// the classic gallery to the byte.
#include "galleryrunfixture.h"

#include "gallery/settingstable.h"

#include <QRegularExpression>

namespace {

QByteArray readAll(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every picture tag of a page.
QStringList imgTags(const QString& page)
{
    QStringList tags;
    static const QRegularExpression img(QStringLiteral("<img [^>]*>"));
    for (const QRegularExpressionMatch& m : img.globalMatch(page))
        tags << m.captured(0);
    return tags;
}

QString attribute(const QString& tag, const QString& name)
{
    const QRegularExpression re(QStringLiteral(" %1=\"([^\"]*)\"").arg(name));
    return re.match(tag).captured(1);
}

class MobilePagesTest : public GalleryRunTest
{
protected:
    // The example project of the project file's description: start values, two pictures, one
    // with a caption, saved and read back.
    void useExampleProject(bool mobilePages)
    {
        makeTargetFolders();
        for (const QString& name : {QStringLiteral("Strand.jpg"), QStringLiteral("Haus.jpg")}) {
            QImage image(90, 60, QImage::Format_RGB888);
            image.fill(QColor(30, 120, 200));
            ASSERT_TRUE(image.save(path(name), "JPEG"));
        }
        m_project.Files() = {path(QStringLiteral("Strand.jpg")) + QStringLiteral("|Am Meer"),
                             path(QStringLiteral("Haus.jpg"))};
        m_project.setBoolValue(QStringLiteral("MobilePages"), mobilePages);
        m_project.setBoolValue(QStringLiteral("SmoothScale"), false);
        m_project.SaveParam(path(QStringLiteral("example.lmv")));
        m_project.LoadParam(path(QStringLiteral("example.lmv")));
    }

    QString out(const QString& name) const { return path(QStringLiteral("out/") + name); }
};

} // namespace

TEST_F(MobilePagesTest, AProjectWithoutTheLinesMakesTheClassicGallery)
{
    useExampleProject(false);
    const QByteArray project = readAll(path(QStringLiteral("example.lmv")));
    EXPECT_FALSE(project.contains("MobilePages")) << project.constData();
    EXPECT_FALSE(project.contains("SmoothScale"));
    EXPECT_FALSE(m_project.settings().mobilePages);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    const auto without = outputFiles();

    // Nothing of the new pages: no doctype, no sizes, no script, the declared code page and
    // the font names as typed.
    for (const QString& page : {QStringLiteral("index.htm"), QStringLiteral("Strand.htm")}) {
        const QByteArray bytes = readAll(out(page));
        EXPECT_TRUE(bytes.startsWith("<html>\r\n")) << page.toStdString();
        EXPECT_TRUE(bytes.contains("charset=iso-8859-1"));
        for (const char* added :
             {"DOCTYPE", "viewport", "loading=", "data-nav", "<script", "srcset", "lang="})
            EXPECT_FALSE(bytes.contains(added)) << page.toStdString() << ' ' << added;
        for (const QString& tag : imgTags(QString::fromLatin1(bytes)))
            EXPECT_FALSE(tag.contains(QStringLiteral("width"))) << tag.toStdString();
    }
    const QByteArray css = readAll(out(QStringLiteral("font.css")));
    EXPECT_EQ(css.count("\r\n"), 9);
    EXPECT_TRUE(css.contains("font-family: Tahoma; "));

    // Saying "off" in so many words gives the same bytes; "on" gives other pages.
    m_project.lParam().lines() << QStringLiteral("MobilePages=0");
    m_project.LoadParam();
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(outputFiles(), without);
    m_project.setBoolValue(QStringLiteral("MobilePages"), true);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_NE(outputFiles().value(QStringLiteral("index.htm")),
              without.value(QStringLiteral("index.htm")));
}

TEST_F(MobilePagesTest, PagesForPhonesCarryHeadSizesAltTextsAndTheScript)
{
    makeTargetFolders();
    addPhotos(7);
    m_project.setIntValue(QStringLiteral("Col"), 2);
    m_project.setIntValue(QStringLiteral("Row"), 4);
    m_project.setTextValue(QStringLiteral("Titel"), QStringLiteral("Größe €"));
    m_project.setBoolValue(QStringLiteral("MobilePages"), true);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);

    const QByteArray index = readAll(out(QStringLiteral("index.htm")));
    const QByteArray picture = readAll(out(QStringLiteral("foto01.htm")));
    for (const QByteArray& bytes : {index, picture}) {
        EXPECT_TRUE(bytes.startsWith("<!DOCTYPE html>\r\n<html lang=\"de\">")) << bytes.constData();
        EXPECT_TRUE(bytes.contains("<head>\r\n<meta charset=\"utf-8\">\r\n<meta name=\"viewport\" "
                                   "content=\"width=device-width, initial-scale=1\">"));
        EXPECT_FALSE(bytes.contains("iso-8859-1"));
        // The declared encoding is the real one: the title is UTF-8, the euro sign too.
        EXPECT_TRUE(bytes.contains("<title>Gr\xC3\xB6\xC3\x9F"
                                   "e \xE2\x82\xAC</title>"));
    }

    const QStringList small = imgTags(QString::fromUtf8(index));
    ASSERT_EQ(small.size(), 7);
    for (int i = 0; i < small.size(); ++i) {
        const QString name = QStringLiteral("foto%1").arg(i, 2, 10, QChar(u'0'));
        const QImage file(out(QStringLiteral("image1/tn_") + name + QStringLiteral(".jpg")));
        EXPECT_EQ(attribute(small[i], QStringLiteral("width")).toInt(), file.width());
        EXPECT_EQ(attribute(small[i], QStringLiteral("height")).toInt(), file.height());
        // Odd entries carry the caption "Bild i"; the others are named by their file.
        EXPECT_EQ(attribute(small[i], QStringLiteral("alt")),
                  i % 2 ? QStringLiteral("Bild %1").arg(i) : name);
        // Two columns: the first two rows are on the first screen.
        EXPECT_EQ(small[i].contains(QStringLiteral("loading=\"lazy\"")), i >= 4) << i;
        EXPECT_FALSE(small[i].contains(QStringLiteral("border")));
    }
    EXPECT_TRUE(index.contains("<table class=\"index\">"));

    const QStringList large = imgTags(QString::fromUtf8(picture));
    ASSERT_EQ(large.size(), 1);
    const QImage largeFile(out(QStringLiteral("image2/foto01.jpg")));
    EXPECT_EQ(attribute(large[0], QStringLiteral("width")).toInt(), largeFile.width());
    EXPECT_EQ(attribute(large[0], QStringLiteral("height")).toInt(), largeFile.height());
    EXPECT_EQ(attribute(large[0], QStringLiteral("alt")), QStringLiteral("Bild 1"));
    EXPECT_FALSE(large[0].contains(QStringLiteral("lazy")));
    for (const char* link :
         {"data-nav=\"prev\" href=\"foto00.htm\"", "data-nav=\"index\" href=\"index.htm\"",
          "data-nav=\"next\" href=\"foto02.htm\""})
        EXPECT_TRUE(picture.contains(link)) << link;
    const qsizetype script = picture.indexOf("<script>");
    const qsizetype scriptEnd = picture.indexOf("</script>");
    ASSERT_GE(script, 0);
    EXPECT_LT(scriptEnd - script, 1024);
    EXPECT_LT(scriptEnd, picture.indexOf("</body>"));

    const QByteArray css = readAll(out(QStringLiteral("font.css")));
    EXPECT_TRUE(css.contains("font-family: Tahoma, Verdana, sans-serif; ")) << css.constData();
    EXPECT_TRUE(css.contains("img   { max-width: 100%; height: auto }"));
}
