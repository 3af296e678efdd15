// Reading and ordering the remote list's rows.
#include "ftp/remotelisting.h"

#include "ftp/ftplisting.h"
#include "ftp/remoteclient.h"
#include "util/error.h"

#include <QCollator>
#include <algorithm>

namespace {

bool isSkipped(const QString& name)
{
    return name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
           name == QLatin1String("..");
}

QList<RemoteRow> rowsByName(RemoteClient& ftp, const QStringList& rawLines)
{
    QStringList names;
    ftp.listNames(names);
    QList<RemoteRow> rows;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        if (isSkipped(name))
            continue;
        qint64 size = ftp.size(name);
        if (size < 0 && i < rawLines.size() && rawLines[i].contains(name) &&
            rawLines[i].startsWith(QLatin1Char('-')))
            size = -2; // a file without a reported size
        if (size == -1)
            rows.append({name, true, -1, {}});
        else
            rows.append({name, false, size, ftp.modificationTime(name)});
    }
    return rows;
}

} // namespace

QList<RemoteRow> readRemoteRows(RemoteClient& ftp, const QStringList& rawLines)
{
    QList<FtpListEntry> entries;
    try {
        entries = parseFtpListing(rawLines);
    } catch (const LumiError&) {
        return rowsByName(ftp, rawLines);
    }
    QList<RemoteRow> rows;
    for (const FtpListEntry& e : entries) {
        if (!ftp.connected())
            break;
        if (e.kind == FtpEntryKind::Other || isSkipped(e.name))
            continue;
        if (e.kind == FtpEntryKind::Folder)
            rows.append({e.name, true, -1, {}});
        else
            rows.append({e.name, false, e.size, e.modified});
    }
    return rows;
}

void sortRemoteRows(QList<RemoteRow>& rows)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseSensitive);
    collator.setIgnorePunctuation(false);
    // A folder's name is compared with a leading blank, and a leading blank sorts before
    // letters and digits: folders come first (and a file named " x" among them).
    const auto key = [](const RemoteRow& r) {
        return r.isFolder ? QLatin1Char(' ') + r.name : r.name;
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const RemoteRow& a, const RemoteRow& b) {
        const QString x = key(a);
        const QString y = key(b);
        const bool blankX = x.startsWith(QLatin1Char(' '));
        const bool blankY = y.startsWith(QLatin1Char(' '));
        if (blankX != blankY)
            return blankX;
        return collator.compare(x, y) < 0;
    });
}
