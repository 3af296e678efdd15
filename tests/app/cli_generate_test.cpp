// `lumivista generate` and the user's files, run as the real program: a target that would
// replace the photos is refused, --clean keeps every file no run wrote, a file no run wrote is
// replaced only with --overwrite, clashing names are warned about.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

class GenerateCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("home/.config"))));
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("fotos"))));
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Runs the program in the temporary folder, with settings and records below it.
    int lumivista(const QStringList& args)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("home/.config")));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(LUMIVISTA_BINARY), args);
        process.waitForFinished(60000);
        m_err = QString::fromUtf8(process.readAllStandardError());
        return process.exitCode();
    }

    void photo(const QString& name, const QColor& colour)
    {
        QImage image(800, 600, QImage::Format_RGB888);
        image.fill(colour);
        ASSERT_TRUE(image.save(path(name), "JPEG"));
    }

    QByteArray bytes(const QString& name) const { return readBytes(path(name)); }

    QTemporaryDir m_dir;
    QString m_err;
};

} // namespace

TEST_F(GenerateCli, TargetIsThePhotoFolder)
{
    photo(QStringLiteral("fotos/a.jpg"), Qt::red);
    photo(QStringLiteral("fotos/b.jpg"), Qt::blue);
    const QByteArray a = bytes(QStringLiteral("fotos/a.jpg"));
    ASSERT_EQ(lumivista({QStringLiteral("project"), QStringLiteral("new"), QStringLiteral("f.lmv"),
                         QStringLiteral("--folder"), QStringLiteral("fotos"),
                         QStringLiteral("--target"), QStringLiteral("fotos")}),
              0)
        << m_err.toStdString();
    EXPECT_EQ(lumivista({QStringLiteral("generate"), QStringLiteral("f.lmv"),
                         QStringLiteral("--yes"), QStringLiteral("--clean")}),
              1);
    const QString fotos = QDir::cleanPath(path(QStringLiteral("fotos")));
    // The header, then the originals one a line (in the order of the picture list).
    EXPECT_TRUE(m_err.contains(QStringLiteral("Fehler: Das Ziel würde Originaldateien "
                                              "überschreiben:\n%1/")
                                   .arg(fotos)))
        << m_err.toStdString();
    EXPECT_TRUE(m_err.contains(fotos + QStringLiteral("/a.jpg\n")));
    EXPECT_TRUE(m_err.contains(fotos + QStringLiteral("/b.jpg\n")));
    EXPECT_EQ(bytes(QStringLiteral("fotos/a.jpg")), a);
    EXPECT_EQ(QDir(fotos).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.jpg")}));

    // With the pictures in sub-folders the run goes ahead; --clean spares the originals.
    QFile::copy(path(QStringLiteral("f.lmv")), path(QStringLiteral("fotos/f.lmv")));
    QFile old(path(QStringLiteral("fotos/alt.htm")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();
    ASSERT_EQ(
        lumivista({QStringLiteral("project"), QStringLiteral("set"), QStringLiteral("fotos/f.lmv"),
                   QStringLiteral("PicPath=gross"), QStringLiteral("TnPath=klein")}),
        0);
    EXPECT_EQ(lumivista({QStringLiteral("generate"), QStringLiteral("fotos/f.lmv"),
                         QStringLiteral("--yes"), QStringLiteral("--clean")}),
              0)
        << m_err.toStdString();
    EXPECT_EQ(bytes(QStringLiteral("fotos/a.jpg")), a);
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("fotos/f.lmv"))));
    // A file no run wrote stays, and is named.
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("fotos/alt.htm"))));
    EXPECT_TRUE(m_err.contains(QStringLiteral("Nicht gelöscht: 4 Datei(en), die Lumivista nicht "
                                              "geschrieben hat: ") +
                               fotos + QStringLiteral("/a.jpg")))
        << m_err.toStdString();
    EXPECT_LT(QImage(path(QStringLiteral("fotos/gross/b.jpg"))).width(), 800); // made smaller
}

TEST_F(GenerateCli, ClashingOutputNamesAreWarnedAbout)
{
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("fotos/x"))));
    photo(QStringLiteral("fotos/Urlaub 1.jpg"), Qt::red);
    photo(QStringLiteral("fotos/x/Urlaub_1.jpg"), Qt::blue);
    ASSERT_EQ(
        lumivista({QStringLiteral("project"), QStringLiteral("new"), QStringLiteral("f.lmv"),
                   QStringLiteral("--folder"), QStringLiteral("fotos"), QStringLiteral("--folder"),
                   QStringLiteral("fotos/x"), QStringLiteral("--target"), QStringLiteral("web")}),
        0)
        << m_err.toStdString();
    EXPECT_EQ(lumivista({QStringLiteral("generate"), QStringLiteral("f.lmv"),
                         QStringLiteral("--yes"), QStringLiteral("--jobs"), QStringLiteral("2")}),
              0)
        << m_err.toStdString();
    const QString fotos = QDir::cleanPath(path(QStringLiteral("fotos")));
    EXPECT_TRUE(m_err.contains(QStringLiteral("Warnung: gleiche Ausgabedatei \"%1/Urlaub_1.jpg\" "
                                              "für \"%2/Urlaub 1.jpg\" und \"%2/x/Urlaub_1.jpg\"")
                                   .arg(QDir::cleanPath(path(QStringLiteral("web"))), fotos)))
        << m_err.toStdString();
}

TEST_F(GenerateCli, FilesNoRunWroteAreReplacedOnlyWithOverwrite)
{
    photo(QStringLiteral("fotos/a.jpg"), Qt::red);
    ASSERT_TRUE(writeBytes(path(QStringLiteral("web/index.htm")), "meine Seite"));
    ASSERT_EQ(lumivista({QStringLiteral("project"), QStringLiteral("new"), QStringLiteral("f.lmv"),
                         QStringLiteral("--folder"), QStringLiteral("fotos"),
                         QStringLiteral("--target"), QStringLiteral("web")}),
              0)
        << m_err.toStdString();
    const QString page = QDir::cleanPath(path(QStringLiteral("web/index.htm")));
    EXPECT_EQ(
        lumivista({QStringLiteral("generate"), QStringLiteral("f.lmv"), QStringLiteral("--yes")}),
        1);
    EXPECT_TRUE(m_err.contains(QStringLiteral("Fehler: Das Ziel würde 1 Datei(en) ersetzen, die "
                                              "Lumivista nicht geschrieben hat:\n") +
                               page + QStringLiteral("\n")))
        << m_err.toStdString();
    EXPECT_TRUE(m_err.contains(QStringLiteral("--overwrite")));
    EXPECT_EQ(bytes(QStringLiteral("web/index.htm")), "meine Seite");
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("web/font.css"))));

    EXPECT_EQ(lumivista({QStringLiteral("generate"), QStringLiteral("f.lmv"),
                         QStringLiteral("--yes"), QStringLiteral("--overwrite")}),
              0)
        << m_err.toStdString();
    EXPECT_TRUE(bytes(QStringLiteral("web/index.htm")).contains("<table"));
    // From now on the files are Lumivista's.
    EXPECT_EQ(
        lumivista({QStringLiteral("generate"), QStringLiteral("f.lmv"), QStringLiteral("--yes")}),
        0)
        << m_err.toStdString();
}
