// What `lumivista generate` reports about a gallery it finished: pictures it could not read
// (named with their reason, exit status 3) and files named in the project that it could
// not use (warnings naming the folder that was searched).
#include "clirun.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class GenerateReport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        // Settings, documents and run records below a home of the test's own.
        const QString home = path(QStringLiteral("home"));
        ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/.config")));
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("HOME"), home);
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_project = path(QStringLiteral("p.lmv"));
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("fotos"))));
        for (const char* name : {"a.jpg", "b.jpg"}) {
            QImage image(40, 30, QImage::Format_RGB888);
            image.fill(Qt::darkGreen);
            ASSERT_TRUE(image.save(path(QStringLiteral("fotos/") + QLatin1String(name)), "JPEG"));
        }
        ASSERT_EQ(run({QStringLiteral("project"), QStringLiteral("new"), m_project,
                       QStringLiteral("--target"), path(QStringLiteral("web")),
                       QStringLiteral("--folder"), path(QStringLiteral("fotos"))})
                      .status,
                  0);
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    CliRun run(const QStringList& args) const { return lumivista(args, m_dir.path(), m_env); }
    CliRun generate() const
    {
        return run({QStringLiteral("generate"), m_project, QStringLiteral("--yes")});
    }

    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
    QString m_project;
};

} // namespace

TEST_F(GenerateReport, UnreadablePicturesAreNamedWithTheirReasonAndExitThree)
{
    const QString broken = path(QStringLiteral("fotos/b.jpg"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray jpeg = file.readAll();
    ASSERT_TRUE(file.resize(jpeg.size() / 2)); // cut in half
    file.close();

    CliRun result = generate();
    EXPECT_EQ(result.status, 3) << result.err.toStdString();
    // The reason names the file once.
    EXPECT_TRUE(result.err.contains(QStringLiteral("\n  ") + broken +
                                    QStringLiteral(": Fehlerhafte JPEG-Datei: "
                                                   "unvollständige Datei\n")))
        << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QStringLiteral("Nicht verarbeitet: 1 Bild(er)\n") + broken +
                                    QStringLiteral("\nIn Browser anzeigen? Nein")))
        << result.err.toStdString();
    EXPECT_EQ(result.out, path(QStringLiteral("web/index.htm\n"))); // the gallery is there

    // Readable again: done, and the question is the plain one.
    QImage(40, 30, QImage::Format_RGB888).save(broken, "JPEG");
    result = generate();
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QStringLiteral("\rLumivista erstellt!\n\nIn Browser anzeigen? "
                                                   "Nein\n")))
        << result.err.toStdString();
}

TEST_F(GenerateReport, ALogoThatIsNotFoundIsAWarningNamingTheFolderSearched)
{
    // A name relative to where the command runs is looked up in the document folder.
    QImage(8, 8, QImage::Format_RGB888).save(path(QStringLiteral("logo.png")), "PNG");
    ASSERT_EQ(run({QStringLiteral("project"), QStringLiteral("set"), m_project,
                   QStringLiteral("WZImage=logo.png")})
                  .status,
              0);
    const CliRun result = generate();
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QStringLiteral("Warnung: Logo \"logo.png\" nicht verwendet "
                                                   "(gesucht in ") +
                                    path(QStringLiteral("home/")))) // below the home folder
        << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QStringLiteral("/Lumivista/): Datei nicht gefunden\n")))
        << result.err.toStdString();
}
