// The FTP window: connection fields, connect/disconnect with keep-alive, the transaction
// log and status bar, the remote folder list with its back history, the local list of
// files offered for upload, the gallery upload and the single-file commands. The
// protocol is spoken by the core's FTPClient, or its SftpClient for an "sftp://" address.
#pragma once

#include "ftp/ftpclient.h"
#include "ftp/galleryupload.h"
#include "ftp/sftpclient.h"
#include "ftp/uploadrecord.h"
#include "net/ftpaddress.h"

#include <QDialog>
#include <QIcon>
#include <QStringList>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
struct RemoteRow;

// The file and input dialogs of the single-file commands, behind one interface so that
// tests can answer them. Filters are written "description|pattern|description|pattern".
class FtpPrompts
{
public:
    virtual ~FtpPrompts() = default;
    // Each returns an empty text / nullopt when the user cancels. saveFile never asks
    // about an existing file itself (the window does).
    virtual QString saveFile(QWidget* parent, const QString& filter, const QString& fileName) = 0;
    virtual QString openFile(QWidget* parent, const QString& filter) = 0;
    virtual std::optional<QString> inputText(QWidget* parent, const QString& title,
                                             const QString& prompt, const QString& text) = 0;
    // Like inputText, the typed text masked (a passphrase).
    virtual std::optional<QString> inputSecret(QWidget* parent, const QString& title,
                                               const QString& prompt) = 0;
};

class TFTPForm : public QDialog
{
    Q_OBJECT

public:
    // Log colours in the 0x00BBGGRR layout.
    static constexpr quint32 kBlack = 0x000000;
    static constexpr quint32 kBlue = 0xFF0000;
    static constexpr quint32 kPurple = 0x800080;
    // The columns of the remote list.
    enum Column
    {
        ColName = 0,
        ColDate = 1,
        ColSize = 2
    };
    // What a remote row is, kept in the Name cell under kIconRole (the Name cell's icon
    // shows it; a file's icon is that of its type).
    enum class RowKind
    {
        Up = 0,
        Folder = 1,
        File = 3
    };
    static constexpr int kIconRole = Qt::UserRole + 1;
    // The caption a row had after the last listing or rename (in-place editing).
    static constexpr int kCaptionRole = Qt::UserRole + 2;

    explicit TFTPForm(QWidget* parent = nullptr);
    ~TFTPForm() override;

    FTPClient& ftp() { return m_ftp; }
    SftpClient& sftp() { return m_sftp; }
    // The client of the last connect: FTP, or SFTP for an "sftp://" address.
    RemoteClient& client() { return *m_client; }
    const RemoteClient& client() const { return *m_client; }
    // The reply time-out given to the client at connect (30000 ms; tests shorten it).
    void setReplyTimeout(int milliseconds) { m_replyTimeout = milliseconds; }

    // Part of the connection.
    void SetControls();
    void Log(const QString& Msg, quint32 Color);
    QString getAdresse() const;
    // What the window keeps of its fields in the settings store ("FTP"): 0 nothing, 1 the
    // fields without the password, 2 with it. They are read on show and written on close.
    void setIni(int level) { m_ini = level; }

    // Remote and local lists.
    void RefreshList();
    void ChangeFTPDir(const QString& NewDir);
    void ReadFiles(QString path, const QString& opt);
    // "FTP Upload...": the source folder fixed to the gallery's target folder and the
    // local list replaced by `files` (relative to it), all checked.
    void openForGallery(const QString& target, const QStringList& files);
    void setQuellPath(const QString& path);

    // Gallery upload.
    void btUploadClick();
    // "", "u" (running) or "x" (stop requested).
    QString UploadState() const { return m_upload->stateLetter(); }
    bool Upload(const QString& Datei, const QString& Name);
    // Files dropped from the desktop onto the remote panel: the first one is uploaded.
    void remoteFilesDropped(const QStringList& paths);

    // Single-file commands: their dialogs (not owned; nullptr: the desktop's dialogs).
    void setPrompts(FtpPrompts* prompts) { m_prompts = prompts; }
    // The help page beside the program: its folder followed by "../Help/index.htm", made
    // absolute on the first read and kept. The Help action is enabled when it exists.
    QString HelpFile() const;

public Q_SLOTS:
    void reject() override;
    void actConnectDisconnectExecute();
    void actChangeDirUPExecute();
    void actBackExecute();
    void actHomeExecute();
    void btnGoClick();
    void actRefreshExecute();
    void lvFilesDblClick();
    void btSelAllClick();
    void btUnselClick();
    // Ticks exactly the entries that changed since the last upload to the remote folder
    // shown now (new, other content, missing or of another size on the server).
    void btSelChangedClick();
    // Deletes, after a Yes/No question listing them, the files an earlier upload stored in
    // the remote folder shown now that the local list no longer has (findStaleFiles).
    void btRemoveStaleClick();
    void btOpenDirClick();
    // "..." beside "Key file:": a private key file for SFTP logins.
    void btKeyFileClick();
    void Timer1Timer();
    void FTPStatus(const QString& text);
    void FTPDisconnected();
    void FTPAfterClientLogin();
    void FTPWorkEnd();
    void FTPWorkBegin(qint64 expectedBytes);
    void FTPWork(qint64 bytesSoFar);
    void actDownloadFileExecute();
    void actUploadFileExecute();
    void actDeleteFileFolderExecute();
    void actCreateFolderExecute();
    void actRenameExecute();
    void acCrcExecute();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    QWidget* buildConnectionArea();
    QWidget* buildLocalSide();
    QWidget* buildRemoteSide();
    void buildStatusBar();
    void showLocalEntries(const QStringList& entries);
    void addRow(const RemoteRow& row);
    // The history is the path field's drop-down; its edit text must survive edits to it.
    void insertHistory(const QString& folder);
    void clearHistory();
    void readStoredFields();
    // A password typed into the address leaves the address field (which the project saves
    // and the upload question shows) for the password field.
    void takePasswordOutOfAddress();
    void writeStoredFields();
    // Close: the settings store when m_ini > 0, disconnect, keep-alive off.
    void endSession();
    // ftpform_upload.cpp / ftpform_remoteops.cpp
    void setUpUpload();
    // ftpform_sftp.cpp: the host-key and passphrase questions.
    void setUpSftp();
    // The upload loop on the current client (again after the client changed).
    void makeUpload();
    // The client for `protocol`; the other one is disconnected first.
    void useClient(RemoteProtocol protocol);
    // Encryption and active mode apply to FTP only, the key file to SFTP only.
    void showProtocolFields();
    bool sftpAddress() const;
    void setUpRemoteCommands();
    void showFileCount(int stored, int total);
    void renameInPlace(QTreeWidgetItem* item, int column);
    FtpPrompts& prompts();
    bool isAscii(QMenu* menu) const;

    FTPClient m_ftp;
    SftpClient m_sftp;
    RemoteClient* m_client = &m_ftp;
    int m_ini = 0;
    int m_replyTimeout = FTPClient::kDefaultReplyTimeout;
    QString m_quellPath;
    QList<QIcon> m_icons; // by RowKind: up, folder, generic file
    std::unique_ptr<UploadEntries> m_uploadEntries;
    std::unique_ptr<GalleryUpload> m_upload;
    std::unique_ptr<UploadRecordKeeper> m_uploadRecord; // while an upload runs
    std::unique_ptr<FtpPrompts> m_desktopPrompts;
    FtpPrompts* m_prompts = nullptr;
    mutable QString m_helpFile;
    qint64 m_progressScale = 1;  // bytes per step of the progress bar (int range)
    qint64 m_expectedBytes = -1; // of the transfer under way; -1 when the server gave none
    bool m_listing = false;      // rows are being built: no in-place rename

    QComboBox* m_edFtpServer = nullptr;
    QLineEdit* m_edFtpUser = nullptr;
    QLineEdit* m_edFtpPw = nullptr;
    QCheckBox* m_edFtpActive = nullptr;
    QComboBox* m_edFtpTls = nullptr; // FtpTlsMode by position
    QLineEdit* m_edFtpKey = nullptr; // the private key file of SFTP logins
    QPushButton* m_btKeyFile = nullptr;
    QComboBox* m_edFtpPath = nullptr;
    QLabel* m_lServer = nullptr;
    QLabel* m_lFtpPath = nullptr;
    QLabel* m_lQuellPath = nullptr;
    QTreeWidget* m_lvFiles = nullptr;
    QListWidget* m_quelle = nullptr;
    QListWidget* m_lbStatus = nullptr;
    QStatusBar* m_sbMain = nullptr;
    QLabel* m_panels[4] = {};
    QLabel* m_encryptionPanel = nullptr; // "Encrypted: TLSv1.3", "Not encrypted" or empty
    QProgressBar* m_pbProgress = nullptr;
    QTimer* m_timer1 = nullptr;
    QPushButton* m_btConnect = nullptr;
    QPushButton* m_btClose = nullptr;
    QPushButton* m_btUpload = nullptr;
    QSpinBox* m_edTransfers = nullptr; // files sent at once, kept in the settings store
    QPushButton* m_btnGo = nullptr;
    QPushButton* m_btOpenDir = nullptr;
    QPushButton* m_btSelAll = nullptr;
    QPushButton* m_btUnsel = nullptr;
    QPushButton* m_btSelChanged = nullptr;
    QPushButton* m_btRemoveStale = nullptr;
    QAction* m_actConnectDisconnect = nullptr;
    QAction* m_actChangeDirUP = nullptr;
    QAction* m_actBack = nullptr;
    QAction* m_actHome = nullptr;
    QAction* m_actCreateFolder = nullptr;
    QAction* m_actDeleteFileFolder = nullptr;
    QAction* m_actRefresh = nullptr;
    QAction* m_actUploadFile = nullptr;
    QAction* m_actDownloadFile = nullptr;
    QAction* m_actRename = nullptr;
    QAction* m_acCrc = nullptr;
    QAction* m_actClose = nullptr;
    QAction* m_actHelp = nullptr;
    QToolButton* m_tools = nullptr;
    QMenu* m_mnFile = nullptr;
    QMenu* m_puUpload = nullptr;
    QMenu* m_puDownload = nullptr;
    QWidget* m_remotePanel = nullptr;
};
