// The update check's steps: question, fetch, read, compare, report.
#include "update/updatecheck.h"

#include "util/dialogs.h"
#include "util/download.h"
#include "util/paths.h"
#include "util/settingsstore.h"
#include "util/textutil.h"
#include "util/version.h"

#include <QUrl>

using namespace Qt::StringLiterals;

const QString UpdateCheck::kConnectQuestion =
    u"Bitte mit dem Internet verbinden!\r\nHaben sie eine Verbindung?"_s;
const QString UpdateCheck::kFetchFailedMessage =
    u"Konnte keine Infos laden!\r\n\r\nBitte Internetverbindung kontrollieren!\r\n\r\n"
    u"Bei eingeschaltetem Firewall Programm zulassen:\r\n"_s;
const QString UpdateCheck::kNewVersionMessage = u"Neue Version gefunden"_s;
const QString UpdateCheck::kNoNewerVersionMessage = u"Keine neuere Version gefunden"_s;
const QString UpdateCheck::kBadDownloadMessage =
    u"Die Download-Adresse ist keine Web-Adresse und wird nicht geöffnet:\r\n"_s;

UpdateSource UpdateSource::standard()
{
    // The section is named after the application title, which start-up sets.
    QString title = programTitle();
    if (title.isEmpty())
        title = u"Lumivista"_s;
    return {updateListUrl(),
            resolvePath(u"update.txt"_s, u"**"_s),
            title,
            programVersion(),
            kDownloadMaxBytes,
            kDownloadTimeoutMs};
}

UpdateCheck::UpdateCheck(UpdateSource source) : m_source(std::move(source))
{
}

UpdateCheck::Outcome UpdateCheck::run()
{
    const Outcome fetched = fetch();
    if (fetched == Outcome::Declined || fetched == Outcome::FetchFailed)
        return fetched;
    return report();
}

UpdateCheck::Outcome UpdateCheck::fetch()
{
    if (!askYesNo(kConnectQuestion))
        return Outcome::Declined;

    if (!downloadToFile(m_source.listUrl, m_source.localFile, m_source.maxBytes,
                        m_source.timeoutMs)) {
        showError({kFetchFailedMessage + u"%1"_s, programPath()});
        return Outcome::FetchFailed;
    }

    readList();
    return Outcome::NoNewerVersion;
}

void UpdateCheck::readList()
{
    const QString section = m_source.section;
    const QString folder = QString();
    m_foundVersion =
        readSetting(section, u"Version"_s, QString(), folder, m_source.localFile).trimmed();
    m_foundNumber = versionNumber(tokenAt(m_foundVersion, u" "_s, 1));
    m_download = readSetting(section, u"Download"_s, QString(), folder, m_source.localFile);
    m_info = replaceAll(readSetting(section, u"Info"_s, QString(), folder, m_source.localFile),
                        u";"_s, u"\r\n"_s, false);
    m_hasResult = true;
}

UpdateCheck::Outcome UpdateCheck::report() const
{
    // Compared as signed numbers, as the published list has always been compared.
    const auto running = static_cast<qint64>(versionNumber(m_source.runningVersion));
    const auto found = static_cast<qint64>(m_foundNumber);
    if (running < found) {
        showMessage(kNewVersionMessage, u"i"_s);
        return Outcome::NewVersion;
    }
    showMessage(kNoNewerVersionMessage, u"w"_s);
    return Outcome::NoNewerVersion;
}

QString UpdateCheck::foundVersionText() const
{
    return u"Gefundene Version: v "_s + m_foundVersion;
}

bool UpdateCheck::openDownload() const
{
    if (m_download.isEmpty())
        return false;
    // The list comes from the network: a file path or another scheme in it must not
    // make the desktop start a local program.
    if (!isWebAddress(m_download)) {
        showError({kBadDownloadMessage + u"%1"_s, m_download});
        return false;
    }
    openWithShell(m_download, QString());
    return true;
}

void openHomePage()
{
    openWithShell(homePageUrl(), QString());
}

int updateWindowWidth(int infoLeft, int infoWidth, const QString& infoText)
{
    return infoText.isEmpty() ? infoLeft : infoLeft + infoWidth + 20;
}

bool isWebAddress(const QString& address)
{
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https";
}
