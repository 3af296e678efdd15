// The remote list's rows without a window: the order folders-first by name, and the
// fallback to names with SIZE and MDTM when the detail listing cannot be parsed.
#include "fakeftpserver.h"
#include "ftp/ftpclient.h"
#include "ftp/remotelisting.h"

#include <gtest/gtest.h>

namespace {

RemoteRow folder(const QString& name)
{
    return {name, true, -1, {}};
}

RemoteRow file(const QString& name)
{
    return {name, false, 1, {}};
}

} // namespace

TEST(RemoteRows, FoldersFirstThenFilesByName)
{
    QList<RemoteRow> rows = {file(QStringLiteral("b.txt")),  folder(QStringLiteral("zed")),
                             file(QStringLiteral("a.txt")),  folder(QStringLiteral("..")),
                             file(QStringLiteral("ab.txt")), folder(QStringLiteral("image1"))};
    sortRemoteRows(rows);
    QStringList names;
    for (const RemoteRow& r : rows)
        names << r.name;
    EXPECT_EQ(names.join(QLatin1Char(',')).toStdString(), "..,image1,zed,a.txt,ab.txt,b.txt");
}

TEST(RemoteRows, UnreadableListingFallsBackToNamesSizeAndTime)
{
    FakeFtpServer server([](FakeFtpSession& s) {
        fakeLogin(s);
        s.expect(QStringLiteral("PASV"));
        const quint16 port = s.listenData();
        s.reply("227 Entering Passive Mode (127,0,0,1," + QByteArray::number(port / 256) + "," +
                QByteArray::number(port % 256) + ")");
        s.acceptData();
        s.expect(QStringLiteral("NLST"));
        s.reply("150 go");
        s.sendData("sub\r\nfile.txt\r\nnosize.txt\r\n.\r\na/b\r\n");
        s.closeData();
        s.reply("226 ok");
        s.expect(QStringLiteral("SIZE sub"));
        s.reply("550 not a file");
        s.expect(QStringLiteral("SIZE file.txt"));
        s.reply("213 4200");
        s.expect(QStringLiteral("MDTM file.txt"));
        s.reply("213 20240115103000");
        s.expect(QStringLiteral("SIZE nosize.txt"));
        s.reply("550 no size");
        s.expect(QStringLiteral("MDTM nosize.txt"));
        s.reply("550 no time");
    });
    FTPClient ftp;
    ftp.setHost(QStringLiteral("127.0.0.1"));
    ftp.setPort(server.port());
    ftp.setUsername(QStringLiteral("joe"));
    ftp.setPassword(QStringLiteral("secret"));
    ftp.setReplyTimeout(5000);
    ftp.connectToServer();
    const QList<RemoteRow> rows =
        readRemoteRows(ftp, {QStringLiteral("d?? sub"), QStringLiteral("-?? file.txt"),
                             QStringLiteral("-?? nosize.txt")});
    EXPECT_EQ(server.failure(), QString());
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], folder(QStringLiteral("sub")));
    EXPECT_EQ(rows[1].size, 4200);
    EXPECT_EQ(rows[1].modified,
              QDateTime(QDate(2024, 1, 15), QTime(10, 30), Qt::UTC).toLocalTime());
    EXPECT_FALSE(rows[2].isFolder); // no size, but its detail line says file
    EXPECT_LT(rows[2].size, 0);
}
