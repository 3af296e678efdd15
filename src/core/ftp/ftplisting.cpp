// LIST parsing. Formats seen from real servers:
//   Unix:   "drwxr-xr-x   2 user group  4096 Jan  5 12:34 name with blanks"
//           "-rw-r--r--   1 user group   120 Jan  5  2023 name"   (older than 6 months)
//           "lrwxrwxrwx   1 user group     7 Jan  5 12:34 link -> target"
//           some servers leave out the group, others print numeric ids.
//   MS-DOS: "01-05-24  03:45PM       <DIR>          folder name"
//           "01-05-2024  15:45             1234 file.txt"
#include "ftp/ftplisting.h"

#include "util/error.h"

#include <QRegularExpression>

namespace {

int monthFromName(const QString& name)
{
    static const QStringList months = {
        QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"), QStringLiteral("apr"),
        QStringLiteral("may"), QStringLiteral("jun"), QStringLiteral("jul"), QStringLiteral("aug"),
        QStringLiteral("sep"), QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dec")};
    return int(months.indexOf(name.toLower())) + 1;
}

bool parseUnixLine(const QString& line, const QDateTime& now, FtpListEntry& entry)
{
    // type+permissions, links, owner [group], size, month, day, time-or-year, one blank,
    // then the name to the end of the line (so names keep inner and leading blanks).
    static const QRegularExpression re(QStringLiteral(
        "^([-dlcbpsD])[-rwxsStTlL]{9}[+@.]?\\s+(?:\\d+\\s+)?\\S+(?:\\s+\\S+)??\\s+(\\d+)\\s+"
        "([A-Za-z]{3})\\s+(\\d{1,2})\\s+(?:(\\d{1,2}):(\\d{2})|(\\d{4}))\\s(.+)$"));
    const QRegularExpressionMatch m = re.match(line);
    if (!m.hasMatch())
        return false;
    const int month = monthFromName(m.captured(3));
    const int day = m.captured(4).toInt();
    if (month == 0 || day < 1 || day > 31)
        return false;

    QDateTime modified;
    if (m.hasCaptured(7) && !m.captured(7).isEmpty()) {
        modified = QDateTime(QDate(m.captured(7).toInt(), month, day), QTime(0, 0));
    } else {
        // "Jan 5 12:34": within the last six months; a date ahead of today belongs to
        // the year before (one day of slack for time zones).
        const int hour = m.captured(5).toInt();
        const int minute = m.captured(6).toInt();
        const QDate today = now.date();
        QDate date(today.year(), month, day);
        if (date.isValid() && date > today.addDays(1))
            date = QDate(today.year() - 1, month, day);
        if (!date.isValid()) // 29 Feb in a year without it
            date = QDate(today.year() - 1, month, day);
        modified = QDateTime(date, QTime(hour, minute));
    }
    if (!modified.isValid())
        return false;

    const QChar type = m.captured(1)[0];
    QString name = m.captured(8);
    entry = FtpListEntry();
    entry.size = m.captured(2).toLongLong();
    entry.modified = modified;
    if (type == QLatin1Char('d') || type == QLatin1Char('D')) {
        entry.kind = FtpEntryKind::Folder;
    } else if (type == QLatin1Char('-')) {
        entry.kind = FtpEntryKind::File;
    } else {
        entry.kind = FtpEntryKind::Other;
        if (type == QLatin1Char('l')) {
            const qsizetype arrow = name.indexOf(QLatin1String(" -> "));
            if (arrow > 0) {
                entry.linkTarget = name.mid(arrow + 4);
                name.truncate(arrow);
            }
        }
    }
    entry.name = name;
    return true;
}

bool parseDosLine(const QString& line, FtpListEntry& entry)
{
    static const QRegularExpression re(QStringLiteral(
        "^(\\d{2})-(\\d{2})-(\\d{2}|\\d{4})\\s+(\\d{1,2}):(\\d{2})\\s*([AaPp][Mm])?\\s+"
        "(<DIR>|\\d+)\\s+(.+)$"));
    const QRegularExpressionMatch m = re.match(line);
    if (!m.hasMatch())
        return false;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += year < 70 ? 2000 : 1900;
    int hour = m.captured(4).toInt();
    const int minute = m.captured(5).toInt();
    const QString ampm = m.captured(6).toUpper();
    if (!ampm.isEmpty()) {
        if (hour < 1 || hour > 12)
            return false;
        if (ampm == QLatin1String("AM") && hour == 12)
            hour = 0;
        else if (ampm == QLatin1String("PM") && hour != 12)
            hour += 12;
    }
    const QDateTime modified(QDate(year, m.captured(1).toInt(), m.captured(2).toInt()),
                             QTime(hour, minute));
    if (!modified.isValid())
        return false;

    entry = FtpListEntry();
    entry.modified = modified;
    entry.name = m.captured(8);
    if (m.captured(7) == QLatin1String("<DIR>")) {
        entry.kind = FtpEntryKind::Folder;
    } else {
        entry.kind = FtpEntryKind::File;
        entry.size = m.captured(7).toLongLong();
    }
    return true;
}

} // namespace

bool parseFtpListLine(const QString& line, const QDateTime& now, FtpListEntry& entry)
{
    return parseUnixLine(line, now, entry) || parseDosLine(line, entry);
}

QList<FtpListEntry> parseFtpListing(const QStringList& lines, const QDateTime& now)
{
    static const QRegularExpression total(QStringLiteral("^total\\s+\\d+\\s*$"),
                                          QRegularExpression::CaseInsensitiveOption);
    QList<FtpListEntry> entries;
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty() || total.match(line).hasMatch())
            continue;
        FtpListEntry entry;
        if (!parseFtpListLine(line, now, entry))
            throw LumiError(QStringLiteral("Unknown listing format: ") + line.left(120));
        entries.append(entry);
    }
    return entries;
}
