// Double-size pictures for HiDPI screens: their sizes, names and srcset values, their place in
// the output plan, and a run that makes, offers, reuses and cleans them away.
#include "galleryrunfixture.h"

#include "gallery/doublesize.h"
#include "gallery/outputplan.h"
#include "util/samefile.h"

#include <QImageReader>

#include "testsupport.h"

namespace {

QSize imageSize(const QString& file)
{
    return QImageReader(file).size();
}

class DoubleSizeRunTest : public GalleryRunTest
{
protected:
    // Photos of these widths (aspect 4:3) in the project; the large box is 64 x 48 and the
    // small one 16 x 12.
    void addPhotosOfWidth(std::initializer_list<int> widths)
    {
        int i = 0;
        for (int width : widths) {
            QImage image(width, width * 3 / 4, QImage::Format_RGB888);
            image.fill(QColor::fromHsv(i * 60, 200, 200));
            const QString file = path(QStringLiteral("photo%1.jpg").arg(i++));
            ASSERT_TRUE(image.save(file, "JPEG"));
            m_project.Files().append(file);
        }
    }
    QString out(const QString& name) const { return path(QStringLiteral("out/") + name); }
};

} // namespace

TEST(DoubleSizes, TwiceTheBoxNeverBeyondThePhoto)
{
    const auto sizes = [](QSize photo) { return doubleSizes(photo, 64, 48, 16, 12); };
    const DoubleSizes big = sizes({200, 150});
    EXPECT_EQ(big.large, QSize(64, 48));
    EXPECT_EQ(big.large2x, QSize(128, 96));
    EXPECT_EQ(big.small, QSize(16, 12));
    EXPECT_EQ(big.small2x, QSize(32, 24));
    // Between the picture and its double: the photo's own size.
    EXPECT_EQ(sizes({80, 60}).large2x, QSize(80, 60));
    EXPECT_EQ(sizes({24, 18}).small2x, QSize(24, 18));
    // Not larger than the picture: none.
    EXPECT_FALSE(sizes({64, 48}).hasLarge2x());
    EXPECT_EQ(sizes({64, 48}).small2x, QSize(32, 24));
    EXPECT_FALSE(sizes({16, 12}).hasSmall2x());
    EXPECT_FALSE(sizes({16, 12}).hasLarge2x());
    // An automatic side stays automatic; a box beyond the limits gives none.
    EXPECT_EQ(doubleSizes({300, 200}, 0, 50, 30, 0).large2x, QSize(150, 100));
    EXPECT_FALSE(doubleSizes({70000, 10}, 40000, 0, 0, 0).hasLarge2x());
    EXPECT_FALSE(doubleSizes({}, 64, 48, 16, 12).hasLarge2x());

    EXPECT_EQ(doubleSizePath(QStringLiteral("/g/image1/tn_a.jpg"), PathStyle::Posix),
              QStringLiteral("/g/image1/2x/tn_a.jpg"));
    EXPECT_EQ(doubleSizePath(QStringLiteral("C:\\g\\a.jpg"), PathStyle::Windows),
              QStringLiteral("C:\\g\\2x\\a.jpg"));
    EXPECT_EQ(doubleSizePath(QStringLiteral("/g/image1/"), PathStyle::Posix),
              QStringLiteral("/g/image1/2x/"));
    EXPECT_EQ(srcsetValue(QStringLiteral("image1/tn_a%20b,c.jpg")),
              QStringLiteral("image1/tn_a%20b%2Cc.jpg 1x, image1/2x/tn_a%20b%2Cc.jpg 2x"));
    EXPECT_EQ(srcsetValue(QStringLiteral("a.jpg")), QStringLiteral("a.jpg 1x, 2x/a.jpg 2x"));
}

TEST_F(DoubleSizeRunTest, PlanListsDoubleSizesAndTheirClashesAndOriginals)
{
    addPhotosOfWidth({200, 16});
    GalleryLayout layout;
    layout.names.files = m_project.Files();
    layout.names.exportPath = out(QString());
    layout.names.tnPath = out(QStringLiteral("image1/"));
    layout.names.bildPath = out(QStringLiteral("image2/"));
    layout.names.tnPraefix = QStringLiteral("tn_");
    layout.indexDat = out(QStringLiteral("index.htm"));
    for (const QString& file : m_project.Files())
        layout.doubleSizes << doubleSizes(photoSize(file), 64, 48, 16, 12);
    FileKeys keys;
    OutputPlan plan = planOutputs(layout, {}, keys);
    QStringList doubles;
    for (const PlannedOutput& o : plan.outputs) {
        if (o.kind == OutputKind::LargePicture2x || o.kind == OutputKind::SmallPicture2x)
            doubles << o.path.mid(out(QString()).size());
    }
    // The 16-pixel photo is no larger than its small picture: no double size.
    EXPECT_EQ(doubles, (QStringList{QStringLiteral("image2/2x/photo0.jpg"),
                                    QStringLiteral("image1/2x/tn_photo0.jpg")}));
    EXPECT_TRUE(plan.writes(0, OutputKind::SmallPicture2x));
    EXPECT_FALSE(plan.writes(1, OutputKind::LargePicture2x));

    // A small-picture folder inside the large one's "2x" makes the two clash.
    layout.names.tnPath = out(QStringLiteral("image2/2x/"));
    layout.names.tnPraefix.clear();
    plan = planOutputs(layout, {}, keys);
    EXPECT_EQ(clashWarnings(plan, layout.names),
              QStringList{QStringLiteral("gleiche Ausgabedatei \"%1\" für \"%2\" und \"%2\", es "
                                         "bleibt \"%2\"")
                              .arg(out(QStringLiteral("image2/2x/photo0.jpg")),
                                   m_project.Files().first())});

    // A photo where a double size goes is an original: the run is refused.
    makeTargetFolders();
    ASSERT_TRUE(QDir().mkpath(out(QStringLiteral("image2/2x"))));
    const QString inTheWay = out(QStringLiteral("image2/2x/photo0.jpg"));
    ASSERT_TRUE(QFile::copy(m_project.Files().first(), inTheWay));
    m_project.Files().append(inTheWay);
    m_project.setBoolValue(QStringLiteral("MobilePages"), true);
    EXPECT_EQ(runWith(), GalleryRun::Outcome::Refused);
    EXPECT_TRUE(m_dialogs.texts().value(0).startsWith(
        QStringLiteral("Das Ziel würde Originaldateien überschreiben:\r\n") + inTheWay));
}

TEST_F(DoubleSizeRunTest, RunMakesOffersReusesAndCleansDoubleSizes)
{
    addPhotosOfWidth({200, 80, 12});
    makeTargetFolders();
    m_project.setBoolValue(QStringLiteral("MobilePages"), true);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(imageSize(out(QStringLiteral("image2/2x/photo0.jpg"))), QSize(128, 96));
    EXPECT_EQ(imageSize(out(QStringLiteral("image1/2x/tn_photo0.jpg"))), QSize(32, 24));
    EXPECT_EQ(imageSize(out(QStringLiteral("image2/photo0.jpg"))), QSize(64, 48));
    EXPECT_EQ(imageSize(out(QStringLiteral("image2/2x/photo1.jpg"))), QSize(80, 60)); // capped
    EXPECT_EQ(imageSize(out(QStringLiteral("image1/2x/tn_photo1.jpg"))), QSize(32, 24));
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("image2/2x/photo2.jpg")))); // 12 x 9
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("image1/2x/tn_photo2.jpg"))));

    const QString index = QString::fromLatin1(readBytes(out(QStringLiteral("index.htm"))));
    EXPECT_TRUE(index.contains(
        QStringLiteral("<img src=\"image1/tn_photo0.jpg\" srcset=\"image1/tn_photo0.jpg 1x, "
                       "image1/2x/tn_photo0.jpg 2x\" width=\"16\" height=\"12\"")));
    EXPECT_TRUE(index.contains(QStringLiteral("<img src=\"image1/tn_photo2.jpg\" width=")));
    const QString page = QString::fromLatin1(readBytes(out(QStringLiteral("photo1.htm"))));
    EXPECT_TRUE(
        page.contains(QStringLiteral("<img src=\"image2/photo1.jpg\" srcset=\"image2/photo1.jpg "
                                     "1x, image2/2x/photo1.jpg 2x\"")));
    EXPECT_FALSE(
        QString::fromLatin1(readBytes(out(QStringLiteral("photo2.htm")))).contains(u"srcset"));

    // Unchanged: nothing is decoded again, the double sizes included.
    const auto made = outputFiles();
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_reused, 3);
    EXPECT_EQ(outputFiles(), made);

    // "Dateien vorher löschen" takes away those of a picture no longer in the list.
    m_project.Files().removeFirst();
    GalleryRunOptions clean;
    clean.deleteOldFiles = true;
    ASSERT_EQ(runWith(clean), GalleryRun::Outcome::Finished);
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("image2/2x/photo0.jpg"))));
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("image1/2x/tn_photo0.jpg"))));
    EXPECT_TRUE(QFile::exists(out(QStringLiteral("image2/2x/photo1.jpg"))));

    // Without the setting, the run takes away those it no longer makes; no page offers them.
    m_project.setBoolValue(QStringLiteral("MobilePages"), false);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    const auto files = outputFiles();
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        EXPECT_FALSE(it.key().contains(QStringLiteral("2x/"))) << it.key().toStdString();
        if (it.key().endsWith(QStringLiteral(".htm"))) {
            EXPECT_FALSE(readBytes(out(it.key())).contains("srcset")) << it.key().toStdString();
        }
    }
    EXPECT_FALSE(files.isEmpty());
}

TEST_F(DoubleSizeRunTest, LogoOfTheDoubleSizeIsTheLargePicturesAtDoubleResolution)
{
    addPhotosOfWidth({200});
    makeTargetFolders();
    QImage logo(20, 10, QImage::Format_RGB888);
    logo.fill(Qt::blue); // on a red photo
    ASSERT_TRUE(logo.save(path(QStringLiteral("logo.png"))));
    m_project.setTextValue(QStringLiteral("WZImage"), path(QStringLiteral("logo.png")));
    m_project.setIntValue(QStringLiteral("WZSize"), 50);
    m_project.setIntValue(QStringLiteral("WZTrans"), 0);
    m_project.setIntValue(QStringLiteral("WZH"), 2); // right
    m_project.setIntValue(QStringLiteral("WZV"), 2); // bottom
    m_project.setIntValue(QStringLiteral("WZL"), 4);
    m_project.setIntValue(QStringLiteral("WZT"), 4);
    m_project.setBoolValue(QStringLiteral("MobilePages"), true);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);

    // 10 x 5 pixels 4 from the corner at 64 x 48; 20 x 10 pixels 8 from it at 128 x 96.
    const QImage single(out(QStringLiteral("image2/photo0.jpg")));
    const QImage twice(out(QStringLiteral("image2/2x/photo0.jpg")));
    ASSERT_EQ(twice.size(), QSize(128, 96));
    const auto isLogo = [](const QImage& image, int x, int y) {
        const QRgb c = image.pixel(x, y);
        return qBlue(c) > 180 && qRed(c) < 120;
    };
    for (const auto& [image, scale] : {std::pair{single, 1}, std::pair{twice, 2}}) {
        const int right = image.width() - 4 * scale, bottom = image.height() - 4 * scale;
        EXPECT_TRUE(isLogo(image, right - 5 * scale, bottom - 3 * scale)) << scale;
        EXPECT_FALSE(isLogo(image, right - 18 * scale, bottom - 3 * scale)) << scale;
        EXPECT_FALSE(isLogo(image, right - 5 * scale, bottom - 14 * scale)) << scale;
    }
}
