// The remote list's rows without a window: the order folders-first by name, and the
// fallback to names with SIZE and MDTM when the detail listing cannot be parsed.
#include "ftp/remotelisting.h"
#include "scriptedrun.h"

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
    ScriptedRun run({QStringLiteral("opening/login"), QStringLiteral("listing/names-fallback"),
                     QStringLiteral("listing/names-fallback-sizes")});
    run.client.connectToServer();
    const QList<RemoteRow> rows =
        readRemoteRows(run.client, {QStringLiteral("d?? sub"), QStringLiteral("-?? file.txt"),
                                    QStringLiteral("-?? nosize.txt")});
    run.expectScripted();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], folder(QStringLiteral("sub")));
    EXPECT_EQ(rows[1].size, 4200);
    EXPECT_EQ(rows[1].modified,
              QDateTime(QDate(2024, 1, 15), QTime(10, 30), Qt::UTC).toLocalTime());
    EXPECT_FALSE(rows[2].isFolder); // no size, but its detail line says file
    EXPECT_LT(rows[2].size, 0);
}
