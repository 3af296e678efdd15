// `lumivista project new|add|set|show`, run as the real program.
#include "clirun.h"
#include "gallery/projectfile.h"

#include "rawnamefile.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

class ProjectCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_project = m_dir.filePath(QStringLiteral("p.lmv"));
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QStringList showLines() const
    {
        const CliRun run =
            lumivista({QStringLiteral("project"), QStringLiteral("show"), m_project});
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        QStringList lines = run.out.split(u'\n');
        EXPECT_EQ(lines.takeLast(), QString()); // the output ends with a line break
        return lines;
    }

    QTemporaryDir m_dir;
    QString m_project;
};

} // namespace

TEST(VersionCli, PrintsTheVersion)
{
    const CliRun run = lumivista({QStringLiteral("--version")});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.startsWith(QLatin1String("Lumivista "))) << run.out.toStdString();
}

TEST_F(ProjectCli, NewWritesTheStartProjectAndShowPrintsIt)
{
    CliRun run = lumivista({QStringLiteral("project"), QStringLiteral("new"), m_project,
                            QStringLiteral("Qual=90"), QStringLiteral("titel=Urlaub"),
                            QStringLiteral("--target"), QStringLiteral("out/web"),
                            QStringLiteral("BildTextH=rechts"), QStringLiteral("BGColor=#FF0000"),
                            QStringLiteral("Font=Verdana,I,10")},
                           m_dir.path());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = showLines();
    EXPECT_EQ(lines, readProjectFile(m_project));
    EXPECT_EQ(lines.first(), QStringLiteral("[Param]"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Qual=90")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Titel=Urlaub")));
    EXPECT_TRUE(lines.contains(QStringLiteral("BildTextH=2")));
    EXPECT_TRUE(lines.contains(QStringLiteral("BGColor=255")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Font=Verdana,I,10,65535")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Ziel=") + path(QStringLiteral("out/web"))));
    EXPECT_EQ(lines.mid(lines.size() - 5),
              (QStringList{QStringLiteral("[Images]"), QStringLiteral("[End]"),
                           QStringLiteral("FtpPath=/"), QStringLiteral("SmoothScale=1"),
                           QStringLiteral("MobilePages=1")}));
    EXPECT_TRUE(
        readBytes(m_project).endsWith("[End]\r\nFtpPath=/\r\nSmoothScale=1\r\nMobilePages=1\r\n"));
}

TEST_F(ProjectCli, NewReplacesOnlyAProjectOrAnEmptyFileAndOnlyWithForce)
{
    const QStringList force{QStringLiteral("project"), QStringLiteral("new"), m_project,
                            QStringLiteral("--force")};
    writeBytes(m_project, "");
    CliRun run = lumivista({QStringLiteral("project"), QStringLiteral("new"), m_project});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("exists already"))) << run.err.toStdString();
    EXPECT_EQ(lumivista(force).status, 0);
    run = lumivista(force + QStringList{QStringLiteral("Qual=7")}); // over a project
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(showLines().contains(QStringLiteral("Qual=7")));

    // A photo, and a link to one, stay as they are.
    const QByteArray photo("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11);
    writeBytes(m_project, photo);
    run = lumivista(force);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("is not a Lumivista project or an empty file")))
        << run.err.toStdString();
    const QString link = path(QStringLiteral("link.lmv"));
    ASSERT_TRUE(QFile::link(m_project, link));
    EXPECT_EQ(lumivista({QStringLiteral("project"), QStringLiteral("new"), link,
                         QStringLiteral("--force")})
                  .status,
              2);
    EXPECT_EQ(readBytes(m_project), photo);
}

TEST_F(ProjectCli, NamesNotValidInTheSystemsEncodingAreRefusedNotChanged)
{
    ASSERT_EQ(lumivista({QStringLiteral("project"), QStringLiteral("new"), m_project}).status, 0);
    const QByteArray project = readBytes(m_project);
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("photos"))));
    const RawNameFile photo(path(QStringLiteral("photos")), "b\xFF.jpg");
    ASSERT_TRUE(photo.created());
    // The shell hands the bytes over as they are; "$0" is the program.
    const char* const scripts[] = {
        R"sh("$0" project new n.lmv --target "$(printf 'out\377')")sh",
        R"sh("$0" project new n.lmv --folder "$(printf 'photos\377')")sh",
        R"sh("$0" project add p.lmv "$(printf 'photos/b\377.jpg')")sh",
        R"sh("$0" project set p.lmv "$(printf 'Titel=\377')")sh",
        R"sh("$0" generate "$(printf 'p\377.lmv')" --yes)sh",
        R"sh("$0" "$(printf 'p\377.lmv')")sh",
    };
    for (const char* script : scripts) {
        const CliRun run = lumivista(
            {QStringLiteral("-c"), QString::fromUtf8(script), QStringLiteral(LUMIVISTA_BINARY)},
            m_dir.path(), {}, QStringLiteral("/bin/sh"));
        EXPECT_EQ(run.status, 2) << script << "\n" << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String("\\xFF")) &&
                    run.err.contains(QLatin1String("not valid in the system's encoding")))
            << script << "\n"
            << run.err.toStdString();
    }
    EXPECT_EQ(readBytes(m_project), project);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              (QStringList{QStringLiteral("p.lmv"), QStringLiteral("photos")}));
}

TEST_F(ProjectCli, WhatDoesNotReadAsAProjectIsRefusedAndLeftAsItIs)
{
    ASSERT_EQ(lumivista({QStringLiteral("project"), QStringLiteral("new"), m_project}).status, 0);
    const QString photo = path(QStringLiteral("holiday.jpg"));
    const QString utf16 = path(QStringLiteral("utf16.lmv"));
    const QString empty = path(QStringLiteral("empty.lmv"));
    const QByteArray photoBytes("\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20);
    const QByteArray utf16Bytes("[\0P\0a\0r\0a\0m\0]\0\r\0\n\0Q\0u\0a\0l\0=\09\0\r\0\n\0", 34);
    const QMap<QString, QByteArray> files = {{photo, photoBytes}, {utf16, utf16Bytes}, {empty, {}}};
    for (auto it = files.begin(); it != files.end(); ++it) {
        QFile file(it.key());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(it.value());
    }
    const QStringList commands[] = {
        {QStringLiteral("project"), QStringLiteral("add"), photo, m_project}, // swapped
        {QStringLiteral("project"), QStringLiteral("set"), photo, QStringLiteral("Titel=x")},
        {QStringLiteral("project"), QStringLiteral("show"), photo},
        {QStringLiteral("generate"), photo, QStringLiteral("--yes")},
        {QStringLiteral("project"), QStringLiteral("set"), utf16, QStringLiteral("Qual=5")},
        {QStringLiteral("project"), QStringLiteral("add"), empty, photo},
    };
    const QByteArray project = readBytes(m_project);
    for (const QStringList& args : commands) {
        const QString file = args.at(args.first() == u"generate" ? 1 : 2);
        const CliRun run = lumivista(args);
        EXPECT_EQ(run.status, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains(file + QStringLiteral(" is not a Lumivista project")))
            << run.err.toStdString();
        EXPECT_EQ(readBytes(file), files.value(file));
    }
    EXPECT_EQ(readBytes(m_project), project);
    // With its byte-order mark a UTF-16 project reads well.
    QFile marked(utf16);
    ASSERT_TRUE(marked.open(QIODevice::WriteOnly));
    marked.write("\xFF\xFE" + utf16Bytes);
    marked.close();
    const CliRun run = lumivista(
        {QStringLiteral("project"), QStringLiteral("set"), utf16, QStringLiteral("Titel=x")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(readProjectFile(utf16).contains(QStringLiteral("Qual=9")));
}

TEST_F(ProjectCli, FoldersAddJpgThenGifThenBmp)
{
    const QString photos = path(QStringLiteral("photos"));
    ASSERT_TRUE(QDir().mkpath(photos + QStringLiteral("/sub")));
    for (const char16_t* name : {u"b.gif", u"c.jpg", u"a.bmp", u"A.JPG", u"b.jpg", u"a.gif",
                                 u"x.png", u"notes.txt", u".hidden.jpg", u"sub/d.jpg"})
        writeBytes(photos + u'/' + QString::fromUtf16(name), "x");
    ASSERT_EQ(lumivista({QStringLiteral("project"), QStringLiteral("new"), m_project,
                         QStringLiteral("--folder"), photos})
                  .status,
              0);
    const QStringList lines = showLines();
    const qsizetype start = lines.indexOf(QStringLiteral("[Images]")) + 1;
    const QString p = photos + u'/';
    EXPECT_EQ(lines.mid(start, 7),
              (QStringList{p + QStringLiteral("A.JPG"), p + QStringLiteral("b.jpg"),
                           p + QStringLiteral("c.jpg"), p + QStringLiteral("a.gif"),
                           p + QStringLiteral("b.gif"), p + QStringLiteral("a.bmp"),
                           QStringLiteral("[End]")}));
}

TEST_F(ProjectCli, AddAppendsFilesAndFolders)
{
    ASSERT_EQ(lumivista({QStringLiteral("project"), QStringLiteral("new"), m_project}).status, 0);
    const QString photos = path(QStringLiteral("photos"));
    ASSERT_TRUE(QDir().mkpath(photos));
    writeBytes(photos + QStringLiteral("/1.jpg"), "x");
    writeBytes(photos + QStringLiteral("/2.gif"), "x");
    writeBytes(path(QStringLiteral("single.png")), "x");
    const CliRun run = lumivista({QStringLiteral("project"), QStringLiteral("add"), m_project,
                                  QStringLiteral("single.png"), QStringLiteral("photos")},
                                 m_dir.path());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("Eingefügt: 3\n"));
    const QStringList lines = showLines();
    const qsizetype start = lines.indexOf(QStringLiteral("[Images]")) + 1;
    EXPECT_EQ(lines.mid(start, 4),
              (QStringList{path(QStringLiteral("single.png")), photos + QStringLiteral("/1.jpg"),
                           photos + QStringLiteral("/2.gif"), QStringLiteral("[End]")}));
}

TEST_F(ProjectCli, BadArgumentsLeaveTheProjectUntouched)
{
    ASSERT_EQ(lumivista({QStringLiteral("project"), QStringLiteral("new"), m_project,
                         QStringLiteral("Qual=55")})
                  .status,
              0);
    writeBytes(path(QStringLiteral("pic|x.jpg")), "x");
    const QByteArray before = readBytes(m_project);
    const struct
    {
        QStringList args;
        const char* message;
    } cases[] = {
        {{QStringLiteral("set"), m_project, QStringLiteral("NoSuchKey=1")}, "unknown setting"},
        {{QStringLiteral("set"), m_project, QStringLiteral("Qual")}, "is not Key=Value"},
        {{QStringLiteral("set"), m_project, QStringLiteral("=5")}, "is not Key=Value"},
        {{QStringLiteral("set"), m_project, QStringLiteral("Qual=12px")}, "not a whole number"},
        {{QStringLiteral("set"), m_project, QStringLiteral("Black=vielleicht")}, "not 1/0"},
        {{QStringLiteral("set"), m_project, QStringLiteral("WZH=oben")}, "is not one of"},
        {{QStringLiteral("set"), m_project, QStringLiteral("FtpTls=7")}, "is not one of"},
        {{QStringLiteral("set"), m_project, QStringLiteral("Font=A,B,huge,0")}, "size"},
        {{QStringLiteral("set"), m_project, QStringLiteral("Font=A,B,1,2,3")}, "four fields"},
        {{QStringLiteral("set"), m_project, QStringLiteral("Titel=a\nQual=1")}, "line break"},
        // A later bad pair stops the earlier good one from being saved.
        {{QStringLiteral("set"), m_project, QStringLiteral("Qual=60"), QStringLiteral("X=1")},
         "unknown setting"},
        {{QStringLiteral("set"), m_project}, "needs Key=Value"},
        {{QStringLiteral("add"), m_project, path(QStringLiteral("missing.jpg"))}, "no such file"},
        {{QStringLiteral("add"), m_project, path(QStringLiteral("pic|x.jpg"))}, "cannot be stored"},
        {{QStringLiteral("set"), path(QStringLiteral("missing.lmv")), QStringLiteral("Qual=1")},
         "No such file"},
        {{QStringLiteral("new"), path(QStringLiteral("n.lmv")), QStringLiteral("--folder"),
          path(QStringLiteral("nope"))},
         "no such folder"},
        {{QStringLiteral("new"), path(QStringLiteral("n.lmv")), QStringLiteral("--target")},
         "needs a folder"},
        {{QStringLiteral("new"), path(QStringLiteral("n.lmv")), QStringLiteral("--forse")},
         "unknown option"},
        {{QStringLiteral("frobnicate"), m_project}, "unknown command"},
    };
    for (const auto& c : cases) {
        const CliRun run = lumivista(QStringList{QStringLiteral("project")} + c.args);
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message)))
            << c.message << " / " << run.err.toStdString();
    }
    EXPECT_EQ(readBytes(m_project), before);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("n.lmv"))));
    EXPECT_EQ(lumivista({QStringLiteral("project")}).status, 2);
}

TEST_F(ProjectCli, UnwritableProjectStopsWithTheSystemMessage)
{
    const QString inMissingFolder = path(QStringLiteral("no/such/p.lmv"));
    const CliRun run =
        lumivista({QStringLiteral("project"), QStringLiteral("new"), inMissingFolder});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(inMissingFolder)) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(inMissingFolder));
}

TEST_F(ProjectCli, FolderSkipsNamesThatCannotBeStored)
{
    const QString photos = path(QStringLiteral("photos"));
    ASSERT_TRUE(QDir().mkpath(photos));
    writeBytes(photos + QStringLiteral("/a|b.jpg"), "x");
    writeBytes(photos + QStringLiteral("/ok.jpg"), "x");
    const CliRun run = lumivista({QStringLiteral("project"), QStringLiteral("new"), m_project,
                                  QStringLiteral("--folder"), photos});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("skipped"))) << run.err.toStdString();
    const QStringList lines = showLines();
    const qsizetype start = lines.indexOf(QStringLiteral("[Images]")) + 1;
    EXPECT_EQ(lines.mid(start, 2),
              (QStringList{photos + QStringLiteral("/ok.jpg"), QStringLiteral("[End]")}));
}

TEST_F(ProjectCli, FolderNamesTheFilesItCannotAdd)
{
    const QString photos = path(QStringLiteral("photos"));
    ASSERT_TRUE(QDir().mkpath(photos));
    writeBytes(photos + QStringLiteral("/a.jpg"), "x");
    const RawNameFile undecodable(photos, "b\xFF.jpg");
    ASSERT_TRUE(undecodable.created());
    ASSERT_EQ(lumivista({QStringLiteral("project"), QStringLiteral("new"), m_project}).status, 0);
    const CliRun run =
        lumivista({QStringLiteral("project"), QStringLiteral("add"), m_project, photos});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("Eingefügt: 1\n"));
    EXPECT_TRUE(run.err.contains(QStringLiteral("left out 1 files whose names are not valid")))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("  ") + photos + QStringLiteral("/b\\xFF.jpg\n")))
        << run.err.toStdString();
}

TEST_F(ProjectCli, DataFoldersAreNeverMadeBesideTheProgram)
{
    // A copy of the program, so that whatever lands beside it can be seen.
    const QString program = path(QStringLiteral("bin/lumivista"));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("bin"))));
    ASSERT_TRUE(QFile::copy(QStringLiteral(LUMIVISTA_BINARY), program));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("HOME"));
    CliRun run = lumivista({QStringLiteral("project"), QStringLiteral("new"), m_project},
                           m_dir.path(), env, program);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    // A home that does not exist is not made either.
    env.insert(QStringLiteral("HOME"), path(QStringLiteral("gone")));
    run = lumivista({QStringLiteral("project"), QStringLiteral("show"), m_project}, m_dir.path(),
                    env, program);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(QDir(path(QStringLiteral("bin"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("lumivista")});
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("gone"))));
}

TEST_F(ProjectCli, SetReadsValuesAsTheFileDoesAndNamesWhatItClamped)
{
    ASSERT_EQ(lumivista({QStringLiteral("project"), QStringLiteral("new"), m_project}).status, 0);
    const CliRun run = lumivista({QStringLiteral("project"), QStringLiteral("set"), m_project,
                                  QStringLiteral("Qual=0"), QStringLiteral("Black=2"),
                                  QStringLiteral("Rahmen=25"), QStringLiteral("WZH=rechts"),
                                  QStringLiteral("Font=Arial,,5000,0"), QStringLiteral("Col=3")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = showLines();
    for (const char* line :
         {"Qual=1", "Black=1", "Rahmen=10", "WZH=2", "Font=Arial,,1000,0", "Col=3"})
        EXPECT_TRUE(lines.contains(QLatin1String(line))) << line;
    EXPECT_EQ(run.err,
              QStringLiteral("lumivista project set: Qual: 0 is outside 1 to 100, set to 1\n"
                             "lumivista project set: Rahmen: 25 is outside 0 to 10, set "
                             "to 10\n"
                             "lumivista project set: Font: Arial,,5000,0 has a size above "
                             "1000, set to Arial,,1000,0\n"));
}

TEST_F(ProjectCli, SetEditsAndKeepsTheFormat)
{
    ASSERT_EQ(lumivista({QStringLiteral("project"), QStringLiteral("new"), m_project}).status, 0);
    const CliRun run = lumivista(
        {QStringLiteral("project"), QStringLiteral("set"), m_project, QStringLiteral("qual=70"),
         QStringLiteral("Black=ja"), QStringLiteral("Titel=Größe"), QStringLiteral("PTrenn= - "),
         QStringLiteral("FtpServer=127.0.0.1"), QStringLiteral("TnPraefix="),
         QStringLiteral("FtpTls=require"), QStringLiteral("MobilePages=0")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = showLines();
    EXPECT_TRUE(lines.contains(QStringLiteral("Qual=70")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Black=1")));
    EXPECT_TRUE(lines.contains(QStringLiteral("PTrenn= - ")));
    EXPECT_FALSE(lines.join(u'\n').contains(QLatin1String("TnPraefix")));
    // A later check box switched off is not written at all.
    EXPECT_EQ(lines.mid(lines.size() - 4),
              (QStringList{QStringLiteral("FtpServer=127.0.0.1"), QStringLiteral("FtpPath=/"),
                           QStringLiteral("FtpTls=1"), QStringLiteral("SmoothScale=1")}));
    // Windows-1252 on disk, UTF-8 on the terminal.
    EXPECT_TRUE(readBytes(m_project).contains("Titel=Gr\xF6\xDF"
                                              "e\r\n"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Titel=Größe")));
}
