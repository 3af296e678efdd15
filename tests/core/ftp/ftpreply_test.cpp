// Reply assembly: where multi-line replies end, what counts as garbage, line caps.
#include "ftp/ftpreply.h"
#include "util/error.h"

#include <gtest/gtest.h>

TEST(FtpReplyAssembler, SingleAndMultiLineReplies)
{
    FtpReplyAssembler a;
    EXPECT_TRUE(a.addLine(QStringLiteral("200 Command okay.")));
    FtpReply r = a.take();
    EXPECT_EQ(r.code, 200);
    EXPECT_EQ(r.lastText(), QStringLiteral("Command okay."));
    EXPECT_TRUE(r.isCompletion());

    // Inner lines may start with digits, even the same code with a dash or another code.
    EXPECT_FALSE(a.addLine(QStringLiteral("211-Features:")));
    EXPECT_FALSE(a.addLine(QStringLiteral(" MDTM")));
    EXPECT_FALSE(a.addLine(QStringLiteral("211-still going")));
    EXPECT_FALSE(a.addLine(QStringLiteral("200 another code")));
    EXPECT_FALSE(a.addLine(QStringLiteral("2111 four digits")));
    EXPECT_TRUE(a.addLine(QStringLiteral("211 End")));
    r = a.take();
    EXPECT_EQ(r.code, 211);
    EXPECT_EQ(r.lines.size(), 6);
    EXPECT_EQ(r.text(), QStringLiteral("211-Features:\n MDTM\n211-still going\n200 another "
                                       "code\n2111 four digits\n211 End"));

    // A bare code ends a reply too (some servers send "220" alone).
    EXPECT_TRUE(a.addLine(QStringLiteral("220")));
    EXPECT_EQ(a.take().code, 220);
    EXPECT_TRUE(a.isEmpty());
}

TEST(FtpReplyAssembler, GarbageIsAnError)
{
    const QStringList bad = {QStringLiteral("HELLO"),
                             QStringLiteral("20 short"),
                             QStringLiteral("600 no such class"),
                             QStringLiteral("099 zero"),
                             QStringLiteral("200x no separator"),
                             QString()};
    for (const QString& line : bad) {
        FtpReplyAssembler a;
        EXPECT_THROW(a.addLine(line), LumiError) << line.toStdString();
    }
}

TEST(FtpReplyAssembler, EndlessMultiLineReplyHitsTheCap)
{
    FtpReplyAssembler a;
    a.addLine(QStringLiteral("220-start"));
    const QString line(1000, QLatin1Char('x'));
    EXPECT_THROW(
        {
            for (int i = 0; i < 2000; ++i)
                a.addLine(line);
        },
        LumiError);
}

TEST(FtpTakeLine, SplitsOnLineFeedAndEnforcesTheCap)
{
    QByteArray buffer("a\r\nb\nrest");
    QByteArray line;
    ASSERT_TRUE(takeLine(buffer, line, 100));
    EXPECT_EQ(line, QByteArray("a"));
    ASSERT_TRUE(takeLine(buffer, line, 100));
    EXPECT_EQ(line, QByteArray("b"));
    EXPECT_FALSE(takeLine(buffer, line, 100));
    EXPECT_EQ(buffer, QByteArray("rest"));

    QByteArray notYet(101, 'x'); // may still be 100 bytes and the CR of the line end
    EXPECT_FALSE(takeLine(notYet, line, 100));
    QByteArray longLine(102, 'x');
    EXPECT_THROW(takeLine(longLine, line, 100), LumiError); // no line end yet, but too long
    QByteArray longEnded = QByteArray(101, 'x') + "\n";
    EXPECT_THROW(takeLine(longEnded, line, 100), LumiError);
    QByteArray exact = QByteArray(100, 'x') + "\r\n";
    EXPECT_TRUE(takeLine(exact, line, 100));
    EXPECT_EQ(line.size(), 100);
}
