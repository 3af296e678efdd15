// The program where the desktop is missing: without a display the window is not started
// (a sentence and exit status 1 instead of Qt's abort); without a browser `generate --open`
// says that the page could not be shown, and the finished gallery still ends with 0.
#include "clirun.h"
#include "testsupport.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kNoDisplay =
    s(u"Kein Bildschirm gefunden (DISPLAY/WAYLAND_DISPLAY); die Befehle generate, project und "
      u"upload laufen ohne.\n");

QProcessEnvironment withoutDisplay(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(s(u"HOME"), home);
    return env;
}

} // namespace

TEST(Desktop, WithoutADisplayTheWindowSaysSoAndEndsWithOne)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString project = home.filePath(s(u"P.lmv"));
    ASSERT_EQ(lumivista({s(u"project"), s(u"new"), project}, home.path()).status, 0);
    QProcessEnvironment unreachable = withoutDisplay(home.path());
    unreachable.insert(s(u"DISPLAY"), s(u":4711")); // named, but no server there
    for (const QProcessEnvironment& env : {withoutDisplay(home.path()), unreachable}) {
        for (const QStringList& args : {QStringList{}, QStringList{project}}) {
            const CliRun run = lumivista(args, home.path(), env);
            EXPECT_EQ(run.status, 1) << run.err.toStdString();
            EXPECT_EQ(run.err, kNoDisplay);
        }
    }
}

TEST(Desktop, GenerateOpenWithoutABrowserNamesThePageAndEndsWell)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage image(40, 30, QImage::Format_RGB888);
    image.fill(Qt::darkGreen);
    ASSERT_TRUE(QDir(dir.path()).mkpath(s(u"fotos")));
    ASSERT_TRUE(image.save(dir.filePath(s(u"fotos/a.jpg")), "JPEG"));
    // xdg-open is there, but finds nothing to show the page with.
    const QString bin = writeFakeOpener(dir.filePath(s(u"bin")), 3);
    QProcessEnvironment env = withoutDisplay(dir.path());
    env.insert(s(u"PATH"), bin + u':' + env.value(s(u"PATH")));
    const QString project = dir.filePath(s(u"p.lmv"));
    ASSERT_EQ(lumivista({s(u"project"), s(u"new"), project, s(u"--folder"),
                         dir.filePath(s(u"fotos")), s(u"--target"), dir.filePath(s(u"web"))},
                        dir.path(), env)
                  .status,
              0);

    const CliRun run =
        lumivista({s(u"generate"), project, s(u"--yes"), s(u"--open")}, dir.path(), env);
    const QString page = dir.filePath(s(u"web/index.htm"));
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, page + u'\n');
    EXPECT_TRUE(run.err.contains(s(u"In Browser anzeigen? Ja\n"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(
        s(u"Warnung: Die Seite konnte nicht im Browser geöffnet werden:\n") + page + u'\n'))
        << run.err.toStdString();
    EXPECT_EQ(readBytes(bin + s(u"/opened.txt")), page.toUtf8() + '\n');
}
