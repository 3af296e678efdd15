// The update check: fetches the published update list, reads the newest version, its
// download address and info text, and compares the version with the running one.
#pragma once

#include "util/download.h"

#include <QString>
#include <QtGlobal>

// Where the check looks and what it compares against; tests replace single fields.
struct UpdateSource
{
    QString listUrl;        // the update list's address
    QString localFile;      // the local copy, overwritten by each successful fetch
    QString section;        // the list's section: the application title
    QString runningVersion; // the running program's dotted version
    // A list is a few lines: anything larger, or slower, is not the vendor's list.
    qint64 maxBytes = kDownloadMaxBytes;
    int timeoutMs = kDownloadTimeoutMs;

    // The program's own: the configured list address, "update.txt" in the data folder,
    // the application title ("Lumivista") and the compiled-in version.
    static UpdateSource standard();
};

class UpdateCheck
{
public:
    enum class Outcome
    {
        Declined,       // the user said No to the connection question
        FetchFailed,    // the list could not be fetched; nothing changed
        NewVersion,     // the list names a newer version
        NoNewerVersion, // equal or older, or the list names none
    };

    explicit UpdateCheck(UpdateSource source = UpdateSource::standard());

    // Asks for the connection, fetches and reads the list and tells the user the
    // result, all through the dialog service. A failed fetch keeps the last result.
    Outcome run();
    // The first half of run(): question, fetch and reading the list. Returns Declined,
    // FetchFailed (error message shown) or NoNewerVersion for a list that was read.
    Outcome fetch();
    // Reads the list from the local copy: version, download address and info text.
    void readList();
    // The second half: compares the versions and shows the matching message.
    Outcome report() const;

    bool hasResult() const { return m_hasResult; }
    // "Version" of the list without surrounding blanks, and its packed number.
    const QString& foundVersion() const { return m_foundVersion; }
    quint64 foundNumber() const { return m_foundNumber; }
    const QString& downloadAddress() const { return m_download; }
    // "Info" of the list with every ";" turned into a line break ("\r\n").
    const QString& infoText() const { return m_info; }
    // The text of the found-version panel: "Gefundene Version: v " and the version.
    QString foundVersionText() const;
    // The download button shows exactly when the list gave a download address.
    bool isDownloadVisible() const { return !m_download.isEmpty(); }

    // Opens the download address with the desktop; refuses, with an error message, any
    // address that is not an http or https URL. True when it was handed on.
    bool openDownload() const;

    const UpdateSource& source() const { return m_source; }

    static const QString kConnectQuestion;
    static const QString kFetchFailedMessage; // followed by the program's path
    static const QString kNewVersionMessage;
    static const QString kNoNewerVersionMessage;
    static const QString kBadDownloadMessage; // followed by the refused address

private:
    UpdateSource m_source;
    bool m_hasResult = false;
    QString m_foundVersion;
    quint64 m_foundNumber = 0;
    QString m_download;
    QString m_info;
};

// Opens the vendor's home page with the desktop.
void openHomePage();

// The update window's width: with an info text it reaches 20 pixels past the info
// area; without one it stops at the info area's left edge, cutting the area off.
int updateWindowWidth(int infoLeft, int infoWidth, const QString& infoText);

// True for an absolute http or https URL with a host: the only addresses from the
// downloaded list that are handed to the desktop.
bool isWebAddress(const QString& address);
