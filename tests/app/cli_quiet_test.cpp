// The command line needs no display and no runtime folder, and says nothing of Qt's own.
#include "clirun.h"

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

namespace {

TEST(CliUsage, EveryVerbAnswersHelpAndABadOptionGetsTheUsage)
{
    const CliRun all = lumivista({QStringLiteral("--help")});
    EXPECT_EQ(all.status, 0);
    for (const char* verb : {"generate", "project", "upload"}) {
        const QString name = QString::fromLatin1(verb);
        EXPECT_TRUE(all.out.contains(QStringLiteral("  ") + name + QStringLiteral("   ")))
            << verb << " not listed";
        for (const char* help : {"--help", "-h"}) {
            const CliRun run = lumivista({name, QString::fromLatin1(help)});
            EXPECT_EQ(run.status, 0) << verb << " " << help;
            EXPECT_TRUE(run.out.startsWith(QStringLiteral("usage: lumivista ") + name))
                << verb << " " << help;
            EXPECT_EQ(run.err, QString()) << verb << " " << help;
        }
        QStringList badArgs{name, QStringLiteral("p.lmv"), QStringLiteral("--no-such-option")};
        if (name == u"project")
            badArgs.insert(1, QStringLiteral("new"));
        const CliRun bad = lumivista(badArgs);
        EXPECT_EQ(bad.status, 2) << verb;
        EXPECT_TRUE(bad.err.contains(
            QStringLiteral("unknown option --no-such-option\nusage: lumivista ") + name))
            << verb << ": " << bad.err.toStdString();
    }
}

} // namespace
