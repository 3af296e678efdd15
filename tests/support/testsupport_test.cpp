// The shared test helpers: failure messages show Qt texts as text, files round-trip.
#include "testsupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(QtPrinters, TextsShowAsQuotedTextWithControlCharactersEscaped)
{
    EXPECT_EQ(testing::PrintToString(u"Größe \"A\"\r\n"_s), "\"Größe \\\"A\\\"\\r\\n\"");
    EXPECT_EQ(testing::PrintToString(QByteArray("a\xFF\0b", 4)), "\"a\xFF\\x00b\"");
    // Every item of a list, also past the 32 that gtest shows of a container.
    QStringList many;
    for (int i = 0; i < 40; ++i)
        many.append(QString::number(i));
    const std::string printed = testing::PrintToString(many);
    EXPECT_EQ(printed.substr(0, 10), "{\"0\", \"1\",");
    EXPECT_EQ(printed.substr(printed.size() - 5), "\"39\"}");
}

TEST(TestFiles, WrittenFilesReadBackAndMissingOnesAreMarked)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"new/folder/a.bin"_s);
    EXPECT_TRUE(writeBytes(file, QByteArray("x\0y", 3)));
    EXPECT_EQ(readBytes(file), QByteArray("x\0y", 3));
    EXPECT_EQ(readBytes(dir.filePath(u"missing"_s)), QByteArray("<unreadable>"));
    EXPECT_EQ(folderEntries(dir.filePath(u"new/folder"_s)), QStringList{u"a.bin"_s});
}
