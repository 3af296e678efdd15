// downloadToFile: one HTTP(S) GET in its own event loop, guarded against bad servers (size
// cap, total time-out, redirects only within the same host and scheme).
#include "util/download.h"

#include "util/fileops.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace {

constexpr qint64 kReadBufferBytes = 64 * 1024;

bool isWebUrl(const QUrl& url)
{
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == u"http" || url.scheme() == u"https");
}

} // namespace

bool downloadToFile(const QString& url, const QString& localFile, qint64 maxBytes, int timeoutMs,
                    QString* errorText)
{
    QString error;
    auto fail = [&](const QString& reason) {
        if (error.isEmpty())
            error = reason;
    };
    auto finish = [&](bool ok) {
        if (errorText)
            *errorText = ok ? QString() : error;
        return ok;
    };

    if (!QCoreApplication::instance()) {
        fail(QStringLiteral("Herunterladen ist ohne Anwendungsobjekt nicht möglich"));
        return finish(false);
    }
    const QUrl address(url, QUrl::StrictMode);
    if (!isWebUrl(address)) {
        fail(QStringLiteral("Ungültige Adresse: ") + url);
        return finish(false);
    }
    // The old file stays until the new one is complete, and a kill leaves no temporary.
    QString writeError;
    const bool written = replaceFileWith(
        localFile,
        [&](QIODevice& out) {
            QNetworkAccessManager manager;
            QNetworkRequest request(address);
            request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                 QNetworkRequest::UserVerifiedRedirectPolicy);
            request.setMaximumRedirectsAllowed(5);
            QNetworkReply* reply = manager.get(request);
            // Qt's network thread reads ahead into an unlimited buffer by default, so a fast
            // server of an endless body could fill memory with hundreds of megabytes before the
            // readyRead handler below counts them against maxBytes. With a bounded buffer the
            // network thread waits until this thread has taken the data.
            reply->setReadBufferSize(kReadBufferBytes);
            qint64 received = 0;
            bool writeFailed = false;

            QObject::connect(reply, &QNetworkReply::redirected, reply, [&](const QUrl& target) {
                const QUrl resolved = reply->url().resolved(target);
                if (resolved.scheme() == address.scheme() &&
                    resolved.host().compare(address.host(), Qt::CaseInsensitive) == 0) {
                    Q_EMIT reply->redirectAllowed();
                    return;
                }
                fail(QStringLiteral("Umleitung auf eine andere Adresse abgelehnt: ") +
                     resolved.toString());
                reply->abort();
            });
            QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [&]() {
                const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
                if (length.isValid() && length.toLongLong() > maxBytes) {
                    fail(QStringLiteral("Die Antwort ist zu groß"));
                    reply->abort();
                }
            });
            QObject::connect(reply, &QNetworkReply::readyRead, reply, [&]() {
                const QByteArray chunk = reply->readAll();
                received += chunk.size();
                if (received > maxBytes) {
                    fail(QStringLiteral("Die Antwort ist zu groß"));
                    reply->abort();
                    return;
                }
                if (out.write(chunk) != chunk.size()) {
                    writeFailed = true;
                    fail(QStringLiteral("Die Datei kann nicht geschrieben werden: ") + localFile);
                    reply->abort();
                }
            });

            QEventLoop loop;
            QTimer deadline;
            deadline.setSingleShot(true);
            // A total limit, not an idle one: a server that trickles bytes is cut off as well.
            QObject::connect(&deadline, &QTimer::timeout, reply, [&]() {
                fail(QStringLiteral("Zeitüberschreitung beim Herunterladen"));
                reply->abort();
            });
            QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
            deadline.start(timeoutMs);
            if (!reply->isFinished())
                loop.exec(QEventLoop::ExcludeUserInputEvents);
            deadline.stop();

            if (error.isEmpty() && reply->bytesAvailable() > 0) {
                const QByteArray chunk = reply->readAll();
                received += chunk.size();
                if (received > maxBytes)
                    fail(QStringLiteral("Die Antwort ist zu groß"));
                else if (out.write(chunk) != chunk.size())
                    writeFailed = true;
            }
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (reply->error() != QNetworkReply::NoError)
                fail(reply->errorString());
            else if (status < 200 || status > 299)
                fail(QStringLiteral("HTTP-Status %1").arg(status));
            if (writeFailed)
                fail(QStringLiteral("Die Datei kann nicht geschrieben werden: ") + localFile);
            delete reply;
            return error.isEmpty();
        },
        &writeError);
    if (!written) {
        fail(QStringLiteral("Die Datei kann nicht geschrieben werden: ") + localFile);
        return finish(false);
    }
    return finish(true);
}
