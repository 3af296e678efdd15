// Parser for the detail lines of an FTP LIST reply: Unix "ls -l" style and the
// MS-DOS style of Windows servers.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

enum class FtpEntryKind
{
    Folder,
    File,
    Other // links, devices, pipes
};

struct FtpListEntry
{
    QString name;
    FtpEntryKind kind = FtpEntryKind::Other;
    qint64 size = -1;   // -1 when the line carries none
    QDateTime modified; // as the server shows it, read as local time
    QString linkTarget; // for a symbolic link "name -> target"

    bool operator==(const FtpListEntry&) const = default;
};

// Parses one line. Returns false for a line in no known format. `now` decides the year
// of Unix lines that show a time instead of a year.
bool parseFtpListLine(const QString& line, const QDateTime& now, FtpListEntry& entry);

// Parses a whole listing: empty lines and the "total N" line are skipped; any other
// line in an unknown format raises LumiError (the caller falls back to NLST then).
QList<FtpListEntry> parseFtpListing(const QStringList& lines,
                                    const QDateTime& now = QDateTime::currentDateTime());
