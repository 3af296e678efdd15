// Update lists and the sources of the update checks that fetch them from a test server.
#pragma once

#include "update/updatecheck.h"

#include <QByteArray>
#include <QString>

// A list of the section "Lumivista" naming `version`, its download address and its info.
inline QByteArray updateList(const QString& version, const QString& download = {},
                             const QString& info = {})
{
    return (QStringLiteral("[Lumivista]\r\nVersion=") + version + QStringLiteral("\r\nDownload=") +
            download + QStringLiteral("\r\nInfo=") + info + QStringLiteral("\r\n"))
        .toUtf8();
}

// A check of the list at `url` for the running version `running`, kept as `localFile`, with
// the program's size cap and time-out.
inline UpdateSource updateSource(const QString& url, const QString& localFile,
                                 const QString& running)
{
    UpdateSource s;
    s.listUrl = url;
    s.localFile = localFile;
    s.section = QStringLiteral("Lumivista");
    s.runningVersion = running;
    return s;
}
