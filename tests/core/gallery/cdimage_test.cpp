// The CD image: the built-in starter, its installation, the copy and autorun.inf.
#include "gallery/cdimage.h"
#include "pagestestsupport.h"
#include "util/error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

class CdImage : public DocAndWebFolders
{
protected:
    // The CD files of a run into `web` with the starter of `doc`, where its plan puts them.
    static void generateCd(const QString& web, const QString& doc)
    {
        ExtraOutputs extra;
        extra.cdImage = true;
        extra.starter = resolvePath(QStringLiteral("index.exe"), doc);
        const OutputPlan plan = planInto(web, extra);
        GenerateCD(plan.path(OutputKind::CdStarter), plan.path(OutputKind::CdAutorun), doc);
    }
};

} // namespace

TEST(Autorun, ThreeLines)
{
    EXPECT_EQ(autorunLines(),
              (QStringList{QStringLiteral("[autorun]"), QStringLiteral("open=index.exe"),
                           QStringLiteral("icon=index.exe,0")}));
}

TEST(Starter, IsAWindowsGuiProgramThatOpensIndexHtm)
{
    const QByteArray exe = builtInStarter();
    if (exe.isEmpty())
        GTEST_SKIP() << "built without the Windows cross compiler";
    ASSERT_GT(exe.size(), 0x200);
    EXPECT_TRUE(exe.startsWith("MZ"));
    const quint32 pe = qFromLittleEndian<quint32>(exe.constData() + 0x3C);
    ASSERT_LT(qsizetype(pe) + 0x60, exe.size());
    EXPECT_EQ(exe.mid(pe, 4), QByteArray("PE\0\0", 4));
    EXPECT_EQ(qFromLittleEndian<quint16>(exe.constData() + pe + 4), 0x8664); // x86-64
    // Optional header: subsystem 2 is a window program (no console flashes up).
    EXPECT_EQ(qFromLittleEndian<quint16>(exe.constData() + pe + 24 + 68), 2);
    const QString name = QStringLiteral("index.htm");
    const QByteArray utf16(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
    EXPECT_TRUE(exe.contains(utf16));
    EXPECT_TRUE(exe.contains("ShellExecuteW"));
    // The icon autorun.inf names ("icon=index.exe,0") lives in the resource section.
    EXPECT_TRUE(exe.contains(".rsrc"));
}

TEST_F(CdImage, StarterIsInstalledOnlyWhenMissing)
{
    if (builtInStarter().isEmpty()) {
        EXPECT_FALSE(installStarter(m_doc));
        return;
    }
    EXPECT_TRUE(installStarter(m_doc));
    EXPECT_EQ(readBytes(m_doc + QStringLiteral("index.exe")), builtInStarter());
    writeBytes(m_doc + QStringLiteral("index.exe"), "own starter");
    EXPECT_FALSE(installStarter(m_doc));
    EXPECT_EQ(readBytes(m_doc + QStringLiteral("index.exe")), QByteArray("own starter"));
}

TEST_F(CdImage, CopiesTheStarterAndWritesAutorunTwice)
{
    writeBytes(m_doc + QStringLiteral("index.exe"), "starter v1");
    writeBytes(m_web + QStringLiteral("autorun.inf"), "old");
    generateCd(m_web, m_doc);
    EXPECT_EQ(readBytes(m_web + QStringLiteral("index.exe")), QByteArray("starter v1"));
    EXPECT_EQ(readBytes(m_web + QStringLiteral("autorun.inf")),
              QByteArray("[autorun]\r\nopen=index.exe\r\nicon=index.exe,0\r\n"));

    writeBytes(m_doc + QStringLiteral("index.exe"), "starter v2");
    generateCd(m_web, m_doc);
    EXPECT_EQ(readBytes(m_web + QStringLiteral("index.exe")), QByteArray("starter v2"));
    EXPECT_EQ(readBytes(m_web + QStringLiteral("autorun.inf")).size(), 45);
}

TEST_F(CdImage, MissingStarterIsPutBackOrReported)
{
    if (!builtInStarter().isEmpty()) {
        generateCd(m_web, m_doc);
        EXPECT_EQ(readBytes(m_web + QStringLiteral("index.exe")), builtInStarter());
    }
    // A document folder that cannot take the starter: the copy's own message, no autorun.inf.
    const QString noFolder = m_root.filePath(QStringLiteral("nothing/here/"));
    const QString web2 = m_root.filePath(QStringLiteral("web2/"));
    QDir().mkpath(web2);
    try {
        generateCd(web2, noFolder);
        FAIL() << "no error";
    } catch (const LumiError& error) {
        EXPECT_TRUE(
            error.message().startsWith(QStringLiteral("Fehler beim \u00D6ffnen der Quelldatei \"") +
                                       noFolder + QStringLiteral("index.exe\"")))
            << error.message().toStdString();
        EXPECT_EQ(error.message().contains(QStringLiteral("x86_64-w64-mingw32-gcc")),
                  builtInStarter().isEmpty());
    }
    EXPECT_FALSE(QFile::exists(web2 + QStringLiteral("autorun.inf")));
}
