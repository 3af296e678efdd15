// LIST parsing: Unix and MS-DOS styles, names with blanks, links, year and time forms.
#include "ftp/ftplisting.h"
#include "util/error.h"

#include <gtest/gtest.h>

namespace {

const QDateTime kNow(QDate(2024, 3, 10), QTime(12, 0));

FtpListEntry parse(const char* line)
{
    FtpListEntry entry;
    EXPECT_TRUE(parseFtpListLine(QString::fromUtf8(line), kNow, entry)) << line;
    return entry;
}

} // namespace

TEST(FtpListing, UnixFilesFoldersAndNamesWithBlanks)
{
    FtpListEntry e = parse("-rw-r--r--   1 joe users   1234567 Jan 15  2023 my photo 1.jpg");
    EXPECT_EQ(e.name, QStringLiteral("my photo 1.jpg"));
    EXPECT_EQ(e.kind, FtpEntryKind::File);
    EXPECT_EQ(e.size, 1234567);
    EXPECT_EQ(e.modified, QDateTime(QDate(2023, 1, 15), QTime(0, 0)));

    e = parse("drwxr-xr-x   2 1000 1000      4096 Feb  3 09:05 image1");
    EXPECT_EQ(e.name, QStringLiteral("image1"));
    EXPECT_EQ(e.kind, FtpEntryKind::Folder);
    EXPECT_EQ(e.modified, QDateTime(QDate(2024, 2, 3), QTime(9, 5)));

    // Leading and double blanks inside a name stay; owner without group; ACL marker.
    e = parse("-rw-r--r--+  1 owner 99 Mar 01 2020  two  blanks");
    EXPECT_EQ(e.name, QStringLiteral(" two  blanks"));
    EXPECT_EQ(e.size, 99);

    // Without the link count (some servers) and with a sticky bit.
    e = parse("drwxrwxrwt  root root 0 Dec 31 1999 tmp");
    EXPECT_EQ(e.kind, FtpEntryKind::Folder);
    EXPECT_EQ(e.modified.date(), QDate(1999, 12, 31));

    // Names that look like dates or sizes.
    e = parse("-rw-r--r-- 1 a b 5 Jan  1 10:00 Jan  2 11:00 x");
    EXPECT_EQ(e.name, QStringLiteral("Jan  2 11:00 x"));
}

TEST(FtpListing, UnixTimeFormTakesTheYearBeforeWhenAhead)
{
    // Now is 10 March 2024: "Mar 11" (one day ahead) is still this year, "Nov 5" last year.
    EXPECT_EQ(parse("-rw-r--r-- 1 a b 1 Mar 11 08:00 x").modified.date(), QDate(2024, 3, 11));
    EXPECT_EQ(parse("-rw-r--r-- 1 a b 1 Mar 12 08:00 x").modified.date(), QDate(2023, 3, 12));
    EXPECT_EQ(parse("-rw-r--r-- 1 a b 1 Nov  5 23:59 x").modified,
              QDateTime(QDate(2023, 11, 5), QTime(23, 59)));
    EXPECT_EQ(parse("-rw-r--r-- 1 a b 1 Feb 29 08:00 x").modified.date(), QDate(2024, 2, 29));
}

TEST(FtpListing, LinksAndOtherKinds)
{
    FtpListEntry e = parse("lrwxrwxrwx   1 root root   7 Jan 15  2023 my link -> ../target dir");
    EXPECT_EQ(e.kind, FtpEntryKind::Other);
    EXPECT_EQ(e.name, QStringLiteral("my link"));
    EXPECT_EQ(e.linkTarget, QStringLiteral("../target dir"));
    EXPECT_EQ(parse("prw-r--r-- 1 a b 0 Jan 15  2023 fifo").kind, FtpEntryKind::Other);
    // "->" in a plain file name is part of the name.
    e = parse("-rw-r--r-- 1 a b 3 Jan 15  2023 a -> b");
    EXPECT_EQ(e.name, QStringLiteral("a -> b"));
    EXPECT_TRUE(e.linkTarget.isEmpty());
}

TEST(FtpListing, MsDosStyle)
{
    FtpListEntry e = parse("01-15-24  03:45PM       <DIR>          My Folder");
    EXPECT_EQ(e.kind, FtpEntryKind::Folder);
    EXPECT_EQ(e.name, QStringLiteral("My Folder"));
    EXPECT_EQ(e.size, -1);
    EXPECT_EQ(e.modified, QDateTime(QDate(2024, 1, 15), QTime(15, 45)));

    e = parse("12-31-1999  12:05AM             1234 index.htm");
    EXPECT_EQ(e.kind, FtpEntryKind::File);
    EXPECT_EQ(e.size, 1234);
    EXPECT_EQ(e.modified, QDateTime(QDate(1999, 12, 31), QTime(0, 5)));

    e = parse("07-04-98  12:30PM  7 a  b.txt");
    EXPECT_EQ(e.modified, QDateTime(QDate(1998, 7, 4), QTime(12, 30)));
    EXPECT_EQ(e.name, QStringLiteral("a  b.txt"));

    EXPECT_EQ(parse("07-04-2020  17:30  7 x").modified.time(), QTime(17, 30)); // 24-hour form
}

TEST(FtpListing, WholeListingSkipsTotalAndEmptyLinesAndRejectsUnknownLines)
{
    const QStringList lines = {QStringLiteral("total 12"), QString(),
                               QStringLiteral("drwxr-xr-x 2 a b 4096 Jan 15  2023 sub"),
                               QStringLiteral("-rw-r--r-- 1 a b 0 Jan 15  2023 empty")};
    const QList<FtpListEntry> entries = parseFtpListing(lines, kNow);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[1].size, 0);
    EXPECT_TRUE(parseFtpListing({}, kNow).isEmpty());

    const QStringList bad = {QStringLiteral("-rw-r--r-- 1 a b 0 Jan 15  2023 ok"),
                             QStringLiteral("type=file;size=3; mlsd.txt")};
    try {
        parseFtpListing(bad, kNow);
        FAIL() << "no error";
    } catch (const LumiError& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Unknown listing format: type=file;size=3; mlsd.txt"));
    }
    FtpListEntry entry;
    EXPECT_FALSE(
        parseFtpListLine(QStringLiteral("-rw-r--r-- 1 a b 0 Foo 15  2023 x"), kNow, entry));
    EXPECT_FALSE(
        parseFtpListLine(QStringLiteral("-rw-r--r-- 1 a b 0 Feb 30  2023 x"), kNow, entry));
    EXPECT_FALSE(parseFtpListLine(QStringLiteral("13-01-24  03:45PM  1 x"), kNow, entry));
    EXPECT_FALSE(parseFtpListLine(QStringLiteral("01-01-24  13:45PM  1 x"), kNow, entry));
}
