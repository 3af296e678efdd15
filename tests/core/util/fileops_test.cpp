// File operations: copy (same file, replace, errors, LZ expansion), folder creation with its
// questions, file sizes and temporary names.
#include "util/dialogs.h"
#include "util/error.h"
#include "util/fileops.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

QString errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const LumiError& error) {
        return error.message();
    }
    return s(u"(no error)");
}

// An SZDD header for `length` expanded bytes followed by `stream`.
QByteArray szdd(quint32 length, const QByteArray& stream)
{
    QByteArray bytes("SZDD\x88\xF0\x27\x33", 8);
    bytes += 'A';
    bytes += 't';
    for (int i = 0; i < 4; ++i)
        bytes += char((length >> (8 * i)) & 0xFF);
    return bytes + stream;
}

// A stream of literals only: a flag byte per group of eight.
QByteArray literalStream(const QByteArray& data)
{
    QByteArray stream;
    for (qsizetype i = 0; i < data.size(); i += 8) {
        const qsizetype n = std::min<qsizetype>(8, data.size() - i);
        stream += char((1 << n) - 1);
        stream += data.mid(i, n);
    }
    return stream;
}

using FileOpsTest = TempFolderTest;

} // namespace

TEST(IsSameFileName, CaseRuleFollowsTheStyle)
{
    EXPECT_TRUE(isSameFileName(s(u"C:\\A.JPG"), s(u"c:\\a.jpg"), PathStyle::Windows));
    EXPECT_FALSE(isSameFileName(s(u"C:\\A.JPG"), s(u"c:\\a.jpg"), PathStyle::Posix));
    EXPECT_TRUE(isSameFileName(s(u"/p/a.jpg"), s(u"/p/a.jpg"), PathStyle::Posix));
}

TEST_F(FileOpsTest, CopySameFileDoesNothing)
{
    writeBytes(root + s(u"a.jpg"), "picture");
    EXPECT_FALSE(copyFileTo(root + s(u"a.jpg"), root + s(u"a.jpg")));
    // Another spelling or a link to the same file must not empty it.
    EXPECT_FALSE(copyFileTo(root + s(u"a.jpg"), root + s(u"./a.jpg")));
    ASSERT_TRUE(QFile::link(root + s(u"a.jpg"), root + s(u"link.jpg")));
    EXPECT_FALSE(copyFileTo(root + s(u"link.jpg"), root + s(u"a.jpg")));
    EXPECT_EQ(readBytes(root + s(u"a.jpg")), QByteArray("picture"));
}

TEST_F(FileOpsTest, CopyBetweenNamesDifferingInCase)
{
    writeBytes(root + s(u"A.JPG"), "upper");
    EXPECT_TRUE(copyFileTo(root + s(u"A.JPG"), root + s(u"a.jpg")));
    EXPECT_EQ(readBytes(root + s(u"a.jpg")), QByteArray("upper"));
}

TEST_F(FileOpsTest, CopyReplacesTheDestination)
{
    writeBytes(root + s(u"src.gif"), "new");
    writeBytes(root + s(u"out/dst.gif"), "a much longer old content");
    EXPECT_TRUE(copyFileTo(root + s(u"src.gif"), root + s(u"out/dst.gif")));
    EXPECT_EQ(readBytes(root + s(u"out/dst.gif")), QByteArray("new"));
    EXPECT_TRUE(QFileInfo(root + s(u"out/dst.gif")).permissions() & QFileDevice::ReadOther);

    QByteArray big(3 * 1024 * 1024 + 17, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(i * 7 % 251);
    writeBytes(root + s(u"big.bin"), big);
    EXPECT_TRUE(copyFileTo(root + s(u"big.bin"), root + s(u"big2.bin")));
    EXPECT_EQ(readBytes(root + s(u"big2.bin")), big);
    writeBytes(root + s(u"empty"), QByteArray());
    EXPECT_TRUE(copyFileTo(root + s(u"empty"), root + s(u"empty2")));
    EXPECT_TRUE(QFileInfo::exists(root + s(u"empty2")));
}

TEST_F(FileOpsTest, CopyErrorsCarryTheirMessages)
{
    const QString missing = root + s(u"missing.jpg");
    EXPECT_EQ(errorOf([&] { copyFileTo(missing, root + s(u"x.jpg")); }),
              s(u"Fehler beim Öffnen der Quelldatei \"") + missing + u'"');
    EXPECT_EQ(errorOf([&] { copyFileTo(root, root + s(u"x.jpg")); }),
              s(u"Fehler beim Öffnen der Quelldatei \"") + root + u'"');
    EXPECT_EQ(errorOf([&] { copyFileTo(s(u"/dev/zero"), root + s(u"x.jpg")); }),
              s(u"Fehler beim Öffnen der Quelldatei \"/dev/zero\""));
    EXPECT_FALSE(QFileInfo::exists(root + s(u"x.jpg")));

    writeBytes(root + s(u"a.jpg"), "a");
    const QString noFolder = root + s(u"no/such/folder/b.jpg");
    EXPECT_EQ(errorOf([&] { copyFileTo(root + s(u"a.jpg"), noFolder); }),
              s(u"Fehler beim Öffnen der Zeildatei \"") + noFolder + u'"');
    QDir().mkpath(root + s(u"adir"));
    EXPECT_EQ(errorOf([&] { copyFileTo(root + s(u"a.jpg"), root + s(u"adir")); }),
              s(u"Fehler beim Öffnen der Zeildatei \"") + root + s(u"adir\""));
}

TEST_F(FileOpsTest, CopyExpandsLzCompressedSources)
{
    const QByteArray text("Hello, compressed world!\r\n");
    writeBytes(root + s(u"lit.tx_"), szdd(quint32(text.size()), literalStream(text)));
    EXPECT_TRUE(copyFileTo(root + s(u"lit.tx_"), root + s(u"lit.txt")));
    EXPECT_EQ(readBytes(root + s(u"lit.txt")), text);

    // Three literals, then a back reference to window position 4080 of length 9.
    writeBytes(root + s(u"ref.tx_"), szdd(12, QByteArray("\x07"
                                                         "abc"
                                                         "\xF0\xF6",
                                                         6)));
    EXPECT_TRUE(copyFileTo(root + s(u"ref.tx_"), root + s(u"ref.txt")));
    EXPECT_EQ(readBytes(root + s(u"ref.txt")), QByteArray("abcabcabcabc"));

    // A reference into the fresh window gives blanks.
    writeBytes(root + s(u"blank.tx_"), szdd(4, QByteArray("\x02\x00\x00"
                                                          "x",
                                                          4)));
    EXPECT_TRUE(copyFileTo(root + s(u"blank.tx_"), root + s(u"blank.txt")));
    EXPECT_EQ(readBytes(root + s(u"blank.txt")), QByteArray("   x"));

    // A damaged file: the header promises more than the data holds, or less.
    writeBytes(root + s(u"short.tx_"), szdd(1000000, literalStream("ab")));
    EXPECT_TRUE(copyFileTo(root + s(u"short.tx_"), root + s(u"short.txt")));
    EXPECT_EQ(readBytes(root + s(u"short.txt")), QByteArray("ab"));
    writeBytes(root + s(u"long.tx_"), szdd(2, literalStream("abcdef")));
    EXPECT_TRUE(copyFileTo(root + s(u"long.tx_"), root + s(u"long.txt")));
    EXPECT_EQ(readBytes(root + s(u"long.txt")), QByteArray("ab"));

    // Without mode "A" the file is copied as it is.
    QByteArray other = szdd(3, literalStream("abc"));
    other[8] = 'B';
    writeBytes(root + s(u"other.bin"), other);
    EXPECT_TRUE(copyFileTo(root + s(u"other.bin"), root + s(u"other2.bin")));
    EXPECT_EQ(readBytes(root + s(u"other2.bin")), other);
}

TEST_F(FileOpsTest, EnsureFolderModes)
{
    ScriptedDialogs dialogs;
    DialogServiceGuard guard(&dialogs);
    const QString folder = root + s(u"neu/a/b");

    EXPECT_FALSE(ensureFolder(folder, kFolderTestOnly));
    EXPECT_TRUE(dialogs.entries().isEmpty());

    dialogs.queue(DialogResult::No);
    EXPECT_FALSE(ensureFolder(folder, kFolderAskCreate));
    EXPECT_FALSE(QFileInfo::exists(root + s(u"neu")));
    ASSERT_EQ(dialogs.entries().size(), 1);
    // Shown unchanged: the "/n" of "/neu" is no line break here.
    EXPECT_EQ(dialogs.entries().at(0).text, s(u"Ordner neu erstellen (") + folder + s(u")?"));
    EXPECT_EQ(dialogs.entries().at(0).type, DialogType::Confirmation);
    EXPECT_EQ(dialogs.entries().at(0).buttons, DialogButtons::YesNo);

    dialogs.queue(DialogResult::Yes);
    EXPECT_TRUE(ensureFolder(folder, kFolderAskCreate));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(dialogs.entries().size(), 2);

    EXPECT_TRUE(ensureFolder(folder, kFolderAskCreate));
    EXPECT_TRUE(ensureFolder(folder, kFolderTestOnly));
    EXPECT_TRUE(ensureFolder(root + s(u"x/y"), kFolderCreate));
    EXPECT_TRUE(ensureFolder(root + s(u"z"), 7));
    EXPECT_EQ(dialogs.entries().size(), 2);
}

TEST_F(FileOpsTest, EnsureFolderFailureShowsError)
{
    ScriptedDialogs dialogs;
    DialogServiceGuard guard(&dialogs);
    writeBytes(root + s(u"file"), "x");
    const QString folder = root + s(u"file/sub");
    EXPECT_FALSE(ensureFolder(folder, kFolderCreate));
    ASSERT_EQ(dialogs.entries().size(), 1);
    EXPECT_EQ(dialogs.entries().at(0).text,
              s(u"Der Ordner (") + folder + s(u") kann nicht erstellt werden!"));
    EXPECT_EQ(dialogs.entries().at(0).type, DialogType::Error);
    EXPECT_EQ(dialogs.entries().at(0).buttons, DialogButtons::Ok);

    dialogs.clear();
    EXPECT_FALSE(ensureFolder(QString(), kFolderTestOnly));
    EXPECT_FALSE(ensureFolder(QString(), kFolderAskCreate));
    ASSERT_EQ(dialogs.entries().size(), 1);
    EXPECT_EQ(dialogs.entries().at(0).type, DialogType::Error);
}

TEST_F(FileOpsTest, FileSizes)
{
    writeBytes(root + s(u"empty.bin"), QByteArray());
    writeBytes(root + s(u"five.bin"), "12345");
    writeBytes(root + s(u".hidden"), "123");
    EXPECT_EQ(fileSizeOf(root + s(u"missing.bin")), -1);
    EXPECT_EQ(fileSizeOf(QString()), -1);
    EXPECT_EQ(fileSizeOf(root + s(u"empty.bin")), 0);
    EXPECT_EQ(fileSizeOf(root + s(u"five.bin")), 5);
    EXPECT_EQ(fileSizeOf(root + s(u".hidden")), 3);
    EXPECT_EQ(fileSizeOf(root), 0);
    EXPECT_EQ(fileSizeOf(root + s(u"f*.bin")), 5);
    EXPECT_EQ(fileSizeOf(root + s(u"*.bin")), 0);
    EXPECT_EQ(fileSizeOf(root + s(u"*.none")), -1);
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(root);
    EXPECT_EQ(fileSizeOf(s(u"five.bin")), 5);
    QDir::setCurrent(cwd);
}

TEST(TempFileName, TimeStampBeforeTheExtension)
{
    const QDateTime at(QDate(2021, 3, 3), QTime(15, 30, 0));
    EXPECT_EQ(tempFileName(s(u"C:\\a\\bild.jpg"), at), s(u"C:\\a\\bild~20210303_153000~.jpg"));
    EXPECT_EQ(tempFileName(s(u"/a/bild.jpg"), at), s(u"/a/bild~20210303_153000~.jpg"));
    EXPECT_EQ(tempFileName(s(u"/a.b/bild"), at), s(u"/a.b/bild~20210303_153000~"));
    EXPECT_EQ(tempFileName(s(u"x.tar.gz"), QDateTime(QDate(2021, 12, 31), QTime(9, 5, 7))),
              s(u"x.tar~20211231_090507~.gz"));
}

TEST(TempFileName, EmptyNameCreatesAFreshFile)
{
    const QString first = tempFileName();
    const QString second = tempFileName();
    EXPECT_NE(first, second);
    for (const QString& name : {first, second}) {
        EXPECT_TRUE(QFileInfo(name).isFile());
        EXPECT_EQ(QFileInfo(name).size(), 0);
        EXPECT_TRUE(name.startsWith(QDir::tempPath()));
        QFile::remove(name);
    }
}
