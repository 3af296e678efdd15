// Settings store: defaults, writing only changes, ini files written by others, and
// failures that must not destroy a file.
#include "util/error.h"
#include "util/paths.h"
#include "util/programsettings.h"
#include "util/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

#include "testsupport.h"

namespace {

class SettingsStoreTest : public TempFolderTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(TempFolderTest::SetUp());
        PathContext context;
        context.style = PathStyle::Posix;
        context.programFile = root + s(u"prog/lumivista");
        context.programName = s(u"lumivista");
        context.programDir = root + s(u"prog/");
        context.docDir = root + s(u"doc/");
        context.dataDir = root + s(u"data/");
        m_previous = setPathContext(context);
        iniFile = root + s(u"data/lumivista.ini");
    }
    void TearDown() override { setPathContext(m_previous); }

    QString iniFile;

private:
    PathContext m_previous;
};

} // namespace

TEST_F(SettingsStoreTest, FreshInstallationGivesDefaults)
{
    EXPECT_EQ(readSetting(s(u"FTP"), s(u"Path"), s(u"/"), QString(), QString()), s(u"/"));
    EXPECT_EQ(readSetting(s(u"FTP"), s(u"Server")), QString());
    EXPECT_FALSE(QFileInfo::exists(iniFile));
    EXPECT_FALSE(QFileInfo::exists(root + s(u"data")));
}

TEST_F(SettingsStoreTest, WriteCreatesFolderFileSectionAndKey)
{
    EXPECT_TRUE(writeSetting(s(u"FTP"), s(u"Server"), s(u"ftp.example.org")));
    EXPECT_EQ(readBytes(iniFile), QByteArray("[FTP]\r\nServer=ftp.example.org\r\n"));
    EXPECT_EQ(readSetting(s(u"ftp"), s(u"SERVER")), s(u"ftp.example.org"));
    EXPECT_TRUE(writeSetting(s(u"FTP"), s(u"User"), s(u"anna")));
    EXPECT_TRUE(writeSetting(s(u"Other"), s(u"Active"), 1));
    EXPECT_TRUE(writeSetting(s(u"ftp"), s(u"server"), s(u"ftp.example.net")));
    EXPECT_TRUE(writeSetting(QString(), s(u"Zahl"), -7));
    EXPECT_EQ(readBytes(iniFile),
              QByteArray("[FTP]\r\nServer=ftp.example.net\r\nUser=anna\r\n\r\n"
                         "[Other]\r\nActive=1\r\n\r\n[lumivista]\r\nZahl=-7\r\n"));
}

TEST_F(SettingsStoreTest, EmptyValueForMissingKeyWritesNothing)
{
    EXPECT_TRUE(writeSetting(s(u"FTP"), s(u"Pw"), QString()));
    EXPECT_FALSE(QFileInfo::exists(iniFile));
}

TEST_F(SettingsStoreTest, SameValueLeavesFileUntouched)
{
    writeSetting(s(u"FTP"), s(u"Path"), s(u"/www"));
    QFile file(iniFile);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QDateTime past = QDateTime::currentDateTime().addDays(-3);
    ASSERT_TRUE(file.setFileTime(past, QFileDevice::FileModificationTime));
    file.close();
    writeSetting(s(u"FTP"), s(u"Path"), s(u"/www"));
    EXPECT_EQ(QFileInfo(iniFile).lastModified().toSecsSinceEpoch(), past.toSecsSinceEpoch());
    writeSetting(s(u"FTP"), s(u"Path"), s(u"/WWW"));
    EXPECT_GT(QFileInfo(iniFile).lastModified(), past);
    EXPECT_EQ(readSetting(s(u"FTP"), s(u"Path")), s(u"/WWW"));
}

TEST_F(SettingsStoreTest, FolderMacrosAndFileNames)
{
    writeBytes(root + s(u"prog/lumivista.ini"), "[lumivista]\nPortable=1\n");
    EXPECT_EQ(readSetting(s(u"lumivista"), s(u"Portable"), s(u"0"), s(u"#p")), s(u"1"));
    EXPECT_EQ(readSetting(QString(), s(u"Portable"), s(u"0"), s(u"#p"), s(u".ini")), s(u"1"));
    writeSetting(s(u"S"), s(u"K"), s(u"v"), s(u"*"), s(u"sub/x.ini"));
    EXPECT_EQ(readBytes(root + s(u"doc/sub/x.ini")), QByteArray("[S]\r\nK=v\r\n"));
    writeSetting(s(u"S"), s(u"K"), s(u"w"), s(u"**"), root + s(u"abs.ini"));
    EXPECT_EQ(readSetting(s(u"S"), s(u"K"), QString(), s(u"#p"), root + s(u"abs.ini")), s(u"w"));
}

TEST_F(SettingsStoreTest, ReadsFilesWrittenByOthers)
{
    writeBytes(iniFile, "\xEF\xBB\xBF; comment\n"
                        "[ Update ]\n"
                        "  Version = 1.8.2.24  \n"
                        "Info=\"  with blanks  \"\n"
                        "Link=a=b;c\n"
                        "Version=9.9\n"
                        "[Update]\n"
                        "Extra=second section\n");
    EXPECT_EQ(readSetting(s(u"update"), s(u"version")), s(u"1.8.2.24"));
    EXPECT_EQ(readSetting(s(u"Update"), s(u"Info")), s(u"  with blanks  "));
    EXPECT_EQ(readSetting(s(u"Update"), s(u"Link")), s(u"a=b;c"));
    // The first section of a name counts.
    EXPECT_EQ(readSetting(s(u"Update"), s(u"Extra"), s(u"-")), s(u"-"));
    EXPECT_EQ(readSetting(s(u"Update"), s(u"; comment"), s(u"-")), s(u"-"));

    writeBytes(iniFile, "[S]\r\nName=M\xfcller\r\n");
    EXPECT_EQ(readSetting(s(u"S"), s(u"Name")), s(u"Müller"));
}

TEST_F(SettingsStoreTest, WritingKeepsOtherLines)
{
    writeBytes(iniFile, "; settings\n[A]\nkey=1\n\n[B]\nx=2\n");
    writeSetting(s(u"a"), s(u"KEY"), s(u"3"));
    writeSetting(s(u"A"), s(u"new"), s(u"4"));
    EXPECT_EQ(readBytes(iniFile),
              QByteArray("; settings\r\n[A]\r\nkey=3\r\nnew=4\r\n\r\n[B]\r\nx=2\r\n"));
}

TEST_F(SettingsStoreTest, ValuesRoundTripExactly)
{
    const QString values[] = {s(u"  padded  "), s(u"\"quoted\""), s(u"'single'"),
                              s(u"a=b"),        s(u"Grüße € 中"), s(u"\"")};
    for (const QString& value : values) {
        writeSetting(s(u"V"), s(u"k"), value);
        EXPECT_EQ(readSetting(s(u"V"), s(u"k")), value);
    }
}

TEST_F(SettingsStoreTest, InvalidNamesAndValuesAreRefused)
{
    EXPECT_THROW(writeSetting(s(u"S"), s(u"a=b"), s(u"v")), LumiError);
    EXPECT_THROW(writeSetting(s(u"S"), QString(), s(u"v")), LumiError);
    EXPECT_THROW(writeSetting(s(u"S"), s(u"[x"), s(u"v")), LumiError);
    EXPECT_THROW(writeSetting(s(u"S]"), s(u"k"), s(u"v")), LumiError);
    EXPECT_THROW(writeSetting(s(u"S"), s(u"k"), s(u"two\nlines")), LumiError);
    EXPECT_THROW(writeSetting(s(u"S"), s(u"k"), s(u"cr\r")), LumiError);
    EXPECT_FALSE(QFileInfo::exists(iniFile));
    EXPECT_EQ(readSetting(s(u"S"), QString(), s(u"d")), s(u"d"));
}

TEST_F(SettingsStoreTest, WriteFailuresThrowAndKeepTheOldFile)
{
    writeBytes(root + s(u"blocker"), "file");
    try {
        writeSetting(s(u"S"), s(u"k"), s(u"v"), root + s(u"blocker/sub/"), s(u"x.ini"));
        FAIL() << "no error";
    } catch (const LumiError& error) {
        EXPECT_TRUE(error.message().contains(root + s(u"blocker/sub/x.ini")));
    }
    // A folder where the file should be: reading gives the default, writing fails.
    QDir().mkpath(root + s(u"dir.ini"));
    EXPECT_EQ(readSetting(s(u"S"), s(u"k"), s(u"d"), QString(), root + s(u"dir.ini")), s(u"d"));
    EXPECT_THROW(writeSetting(s(u"S"), s(u"k"), s(u"v"), QString(), root + s(u"dir.ini")),
                 LumiError);

    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    writeSetting(s(u"S"), s(u"k"), s(u"old"));
    QFile::setPermissions(root + s(u"data"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_THROW(writeSetting(s(u"S"), s(u"k"), s(u"new")), LumiError);
    QFile::setPermissions(root + s(u"data"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(readBytes(iniFile), QByteArray("[S]\r\nk=old\r\n"));
}

// The program's settings by their declarations: the file text is that of the windows and
// commands that once wrote it by key, and odd hand-made values read as they always did.
TEST_F(SettingsStoreTest, ProgramSettingsKeepTheirFileText)
{
    writeProgramSetting(kFtpTransfers, 3);
    writeProgramSetting(kFtpServer, s(u"ftp.example.org"));
    writeProgramSetting(kFtpPath, s(u"/web"));
    writeProgramSetting(kFtpActive, true);
    writeProgramSetting(kFtpTls, 1);
    writeProgramSetting(kFtpPw, QString()); // never stored: no key
    writeServerSetting(kFtpCertificates, s(u"FTP.Example.org"), 990, s(u"AB:CD"));
    writeServerSetting(kFtpTlsLogins, s(u"ftp.example.org"), 21, true);
    EXPECT_EQ(
        readBytes(iniFile),
        QByteArray("[lumivista]\r\nFtpTransfers=3\r\n\r\n[FTP]\r\nServer=ftp.example.org\r\n"
                   "Path=/web\r\nActive=True\r\nTls=1\r\n\r\n[FtpCertificates]\r\n"
                   "ftp.example.org_990=AB:CD\r\n\r\n[FtpTlsLogins]\r\nftp.example.org_21=1\r\n"));
    writeProgramSetting(kFtpActive, false);
    EXPECT_FALSE(readProgramSetting(kFtpActive));
    EXPECT_EQ(readSetting(s(u"FTP"), s(u"Active")), s(u"False"));

    // Missing keys read as their defaults.
    QFile::remove(iniFile);
    EXPECT_EQ(readProgramSetting(kFtpTransfers), 4);
    EXPECT_EQ(readProgramSetting(kFtpPath), s(u"/"));
    EXPECT_EQ(readProgramSetting(kFtpServer), QString());
    EXPECT_FALSE(readServerSetting(kFtpTlsLogins, s(u"h"), 21));

    const auto read = [&](const char* text, auto check) {
        writeBytes(iniFile, QByteArray("[lumivista]\r\n") + text + "\r\n[FTP]\r\n" + text +
                                "\r\n[FtpTlsLogins]\r\n" + text + "\r\n");
        check();
    };
    read("FtpTransfers=25\r\nTls=7\r\nActive=\" TRUE \"\r\nh_21=2\r\nPath=", [&] {
        EXPECT_EQ(readProgramSetting(kFtpTransfers), 10); // brought into 1..10
        EXPECT_EQ(readProgramSetting(kFtpTls), 0);        // unknown: the default, not plain
        EXPECT_TRUE(readProgramSetting(kFtpActive));
        EXPECT_FALSE(readServerSetting(kFtpTlsLogins, s(u"H"), 21)); // only "1" itself
        EXPECT_EQ(readProgramSetting(kFtpPath), QString());          // present, empty
    });
    read("FtpTransfers=0\r\nTls=2\r\nActive=-3\r\nh_21=1", [&] {
        EXPECT_EQ(readProgramSetting(kFtpTransfers), 1);
        EXPECT_EQ(readProgramSetting(kFtpTls), 2);
        EXPECT_TRUE(readProgramSetting(kFtpActive));
        EXPECT_TRUE(readServerSetting(kFtpTlsLogins, s(u"H"), 21));
    });
    read("FtpTransfers=many\r\nTls=x\r\nActive=yes", [&] {
        EXPECT_EQ(readProgramSetting(kFtpTransfers), 4);
        EXPECT_EQ(readProgramSetting(kFtpTls), 0);
        EXPECT_FALSE(readProgramSetting(kFtpActive));
    });
}
