// Project file bytes: code page choice, byte-order marks, line ends, safe reading and writing.
#include "gallery/projectfile.h"

#include "util/error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

// The bytes of a literal, NUL bytes included.
template <size_t N> QByteArray bytesOf(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

} // namespace

TEST(EncodeProjectText, Windows1252WhenEverythingFits)
{
    EXPECT_EQ(encodeProjectText({QStringLiteral("[Param]"), QStringLiteral("Titel=Größe 5 €")}),
              QByteArray("[Param]\r\nTitel=Gr\xF6\xDF"
                         "e 5 \x80\r\n"));
    EXPECT_EQ(encodeProjectText({}), QByteArray());
    EXPECT_EQ(encodeProjectText({QString()}), QByteArray("\r\n"));
}

TEST(EncodeProjectText, Utf8WithMarkOtherwise)
{
    const QString title = QStringLiteral("Titel=Größe 中文");
    EXPECT_EQ(encodeProjectText({title}), QByteArray("\xEF\xBB\xBF") + title.toUtf8() + "\r\n");
    // "Ã¤" fits the code page, but its bytes C3 A4 would read back as UTF-8 "ä".
    const QStringList tricky{QStringLiteral("Titel=Ã¤")};
    const QByteArray bytes = encodeProjectText(tricky);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(decodeProjectText(bytes), tricky);
}

TEST(DecodeProjectText, ByMarkThenUtf8ThenWindows1252)
{
    const QStringList expected{QStringLiteral("Titel=Größe"), QStringLiteral("x")};
    EXPECT_EQ(decodeProjectText(QByteArray("\xEF\xBB\xBF") + "Titel=Gr\xC3\xB6\xC3\x9F"
                                                             "e\r\nx\r\n"),
              expected);
    EXPECT_EQ(decodeProjectText(QByteArray("Titel=Gr\xC3\xB6\xC3\x9F"
                                           "e\r\nx")),
              expected);
    EXPECT_EQ(decodeProjectText(QByteArray("Titel=Gr\xF6\xDF"
                                           "e\r\nx\r\n")),
              expected);
    QByteArray utf16("\xFF\xFE");
    const QString text = QStringLiteral("Titel=Größe\r\nx\r\n");
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_EQ(decodeProjectText(utf16), expected);
}

TEST(DecodeProjectText, LineEnds)
{
    EXPECT_EQ(decodeProjectText("a\nb\rc\r\nd"),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                           QStringLiteral("d")}));
    EXPECT_EQ(decodeProjectText("a\r\n\r\nb\r\n"),
              (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
    EXPECT_EQ(decodeProjectText("\n\r\r\n"), (QStringList{QString(), QString(), QString()}));
    EXPECT_TRUE(decodeProjectText(QByteArray()).isEmpty());
}

TEST(DecodeProjectText, EveryTextSurvivesARoundTrip)
{
    const QStringList lines{QStringLiteral("[Param]"),
                            QStringLiteral("Titel=a") + QChar(u'\0') + QStringLiteral("b"),
                            QStringLiteral("x=\u0081\u008D\u20AC"), QStringLiteral("  "),
                            QStringLiteral("Ziel=/tmp/ü")};
    EXPECT_EQ(decodeProjectText(encodeProjectText(lines)), lines);
    QStringList wide = lines;
    wide.append(QStringLiteral("Titel=😀"));
    EXPECT_EQ(decodeProjectText(encodeProjectText(wide)), wide);
}

TEST(ReadProjectFile, FailuresCarryTheSystemMessage)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.lmv"));
    try {
        readProjectFile(missing);
        FAIL() << "no error";
    } catch (const LumiError& e) {
        EXPECT_TRUE(e.message().startsWith(missing)) << e.what();
        EXPECT_TRUE(e.message().contains(QLatin1String("No such file"))) << e.what();
    }
    EXPECT_THROW(readProjectFile(dir.path()), LumiError);
    EXPECT_THROW(readProjectFile(QStringLiteral("/dev/zero")), LumiError);
}

TEST(ReadProjectFile, OnlyAFileThatReadsAsAProject)
{
    QTemporaryDir dir;
    const QByteArray utf16 = bytesOf("[\0P\0a\0r\0a\0m\0]\0\r\0\n\0");
    const struct
    {
        QByteArray bytes;
        bool project;
    } cases[] = {
        {"[Param]\r\nQual=80\r\n", true},
        {"\r\n  \r\n [param] \r\nQual=80\r\n", true},
        {"Qual=80\r\n[images]\r\n/a.jpg\r\n", true},
        {"\xEF\xBB\xBF[Param]\r\n", true},
        {"\xFF\xFE" + utf16, true},
        {utf16, false}, // UTF-16 without byte-order mark: NUL bytes
        {bytesOf("\xFF\xD8\xFF\xE0\0\x10JFIF\0[Param]\r\n[Images]\r\n"), false},
        {bytesOf("[Param]\r\nTitel=a\0b\r\n"), false},
        {"Qual=80\r\n[Param]\r\n", false},
        {"", false},
        {"\xEF\xBB\xBF", false},
    };
    const QString path = dir.filePath(QStringLiteral("p.lmv"));
    for (const auto& c : cases) {
        writeBytes(path, c.bytes);
        try {
            readProjectFile(path);
            EXPECT_TRUE(c.project) << c.bytes.toPercentEncoding().constData();
        } catch (const NotAProjectError& e) {
            EXPECT_FALSE(c.project) << c.bytes.toPercentEncoding().constData();
            EXPECT_EQ(e.message(), path + QStringLiteral(" is not a Lumivista project"));
        }
    }
}

TEST(ReadProjectFile, RefusesHugeFiles)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.lmv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(kMaxProjectFileBytes + 1)); // sparse: no disk space used
    file.close();
    EXPECT_THROW(readProjectFile(path), LumiError);
}

TEST(WriteProjectFile, ReplacesThroughATemporaryFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.lmv"));
    writeBytes(path, "old\r\n");
    writeProjectFile(path, {QStringLiteral("[Param]"), QStringLiteral("Qual=80")});
    EXPECT_EQ(readBytes(path), QByteArray("[Param]\r\nQual=80\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("p.lmv")});
    EXPECT_EQ(readProjectFile(path),
              (QStringList{QStringLiteral("[Param]"), QStringLiteral("Qual=80")}));
}

TEST(WriteProjectFile, FailureLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString inMissingFolder = dir.filePath(QStringLiteral("no/such/p.lmv"));
    EXPECT_THROW(writeProjectFile(inMissingFolder, {QStringLiteral("x")}), LumiError);
    EXPECT_FALSE(QFile::exists(inMissingFolder));

    // A folder standing where the project should go cannot be replaced; nothing changes.
    const QString blocked = dir.filePath(QStringLiteral("blocked.lmv"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("blocked.lmv")));
    writeBytes(blocked + QStringLiteral("/keep.txt"), "keep");
    EXPECT_THROW(writeProjectFile(blocked, {QStringLiteral("x")}), LumiError);
    EXPECT_EQ(readBytes(blocked + QStringLiteral("/keep.txt")), QByteArray("keep"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}
