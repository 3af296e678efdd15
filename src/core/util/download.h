// Fetching a URL into a local file (the update list); the only user of Qt Network in the
// utility library, kept in a library of its own.
#pragma once

#include <QString>

inline constexpr qint64 kDownloadMaxBytes = 1024 * 1024;
inline constexpr int kDownloadTimeoutMs = 30000;
// Fetches an http(s) URL into `localFile` (replacing it only on success). Fails on HTTP
// errors, bodies over `maxBytes`, transfers longer than `timeoutMs` in total, redirects to
// another host or scheme, and write errors; `errorText` (optional) receives the reason.
// Runs its own event loop; needs a QCoreApplication.
bool downloadToFile(const QString& url, const QString& localFile,
                    qint64 maxBytes = kDownloadMaxBytes, int timeoutMs = kDownloadTimeoutMs,
                    QString* errorText = nullptr);
