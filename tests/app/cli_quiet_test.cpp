// The command line needs no display and no runtime folder, and says nothing of Qt's own.
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(CliQuiet, NoQtNotesOnStderrWithoutRuntimeFolderOrDisplay)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("HOME"), home.path());
    const QString project = home.filePath(QStringLiteral("p.lmv"));
    for (const QStringList& args :
         {QStringList{QStringLiteral("project"), QStringLiteral("new"), project,
                      QStringLiteral("Titel=Quiet")},
          QStringList{QStringLiteral("project"), QStringLiteral("show"), project}}) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(LUMIVISTA_BINARY), args);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << args.join(u' ').toStdString();
        EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()), QString())
            << args.join(u' ').toStdString();
    }
}

} // namespace
