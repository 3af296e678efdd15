// The rows of the FTP window's remote list, read from the server: the detail listing
// when it can be parsed, else names with SIZE and MDTM; and the order the list shows.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class RemoteClient;

struct RemoteRow
{
    QString name;
    bool isFolder = false;
    qint64 size = -1; // negative: no size known
    QDateTime modified;

    bool operator==(const RemoteRow&) const = default;
};

// The rows of `rawLines` (the LIST reply just read): folders and files, without links,
// "." and ".." and names holding "/". A listing the parser cannot read falls back to NLST
// and asks SIZE (-1: a folder) and MDTM for each name. Throws LumiError.
QList<RemoteRow> readRemoteRows(RemoteClient& ftp, const QStringList& rawLines);

// Folders first, then files, each by name with case and punctuation counting.
void sortRemoteRows(QList<RemoteRow>& rows);
