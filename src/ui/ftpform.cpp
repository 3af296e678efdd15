// The FTP window: layout, connection, keep-alive, SetControls, log and status bar.
// The remote and local lists are in ftpform_lists.cpp.
#include "ui/ftpform.h"

#include "net/ftpaddress.h"
#include "ui/ftpcertificatedialog.h"
#include "ui/screenfit.h"
#include "util/dialogs.h"
#include "util/error.h"
#include "util/programsettings.h"
#include "util/version.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The narrowest the user and password fields get (the address gets twice as much): the
// window fits a screen of about 1090 pixels.
constexpr int kFieldWidth = 100;

// Runs a command and shows its error, so no exception leaves a slot.
void guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const LumiError& e) {
        showError(e);
    }
}

} // namespace

TFTPForm::TFTPForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFTPForm"));
    setWindowTitle(QStringLiteral("FTP"));
    buildWindow();

    for (RemoteClient* client :
         {static_cast<RemoteClient*>(&m_ftp), static_cast<RemoteClient*>(&m_sftp)}) {
        connect(client, &RemoteClient::status, this, &TFTPForm::FTPStatus);
        connect(client, &RemoteClient::disconnected, this, &TFTPForm::FTPDisconnected);
        connect(client, &RemoteClient::afterLogin, this, &TFTPForm::FTPAfterClientLogin);
        connect(client, &RemoteClient::workEnd, this, &TFTPForm::FTPWorkEnd);
    }
    // A certificate that does not verify is the user's decision.
    m_ftp.certificateQuestion = [this](const FtpCertificateQuestion& question) {
        return FtpCertificateDialog::ask(this, question);
    };
    setUpSftp();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    connect(m_timer1, &QTimer::timeout, this, &TFTPForm::Timer1Timer);
    setUpRemoteCommands();
    setUpUpload();

    // Creation: empty source label, path "/", offline controls.
    m_lQuellPath->clear();
    m_edFtpPath->setEditText(QStringLiteral("/"));
    SetControls();
}

TFTPForm::~TFTPForm() = default;

void TFTPForm::buildWindow()
{
    const auto action = [this](const char* name, const QString& text, QStyle::StandardPixmap icon) {
        auto* a = new QAction(style()->standardIcon(icon), text, this);
        a->setObjectName(QLatin1String(name));
        a->setToolTip(text);
        return a;
    };
    m_actConnectDisconnect =
        action("actConnectDisconnect", QStringLiteral("Connect"), QStyle::SP_DriveNetIcon);
    m_actConnectDisconnect->setCheckable(true);
    m_actChangeDirUP =
        action("actChangeDirUP", QStringLiteral("Up a directory"), QStyle::SP_FileDialogToParent);
    m_actBack = action("actBack", QStringLiteral("Back"), QStyle::SP_ArrowBack);
    m_actHome = action("actHome", QStringLiteral("Home"), QStyle::SP_DirHomeIcon);
    m_actCreateFolder =
        action("actCreateFolder", QStringLiteral("Create Folder"), QStyle::SP_FileDialogNewFolder);
    m_actDeleteFileFolder =
        action("actDeleteFileFolder", QStringLiteral("Delete"), QStyle::SP_TrashIcon);
    m_actRefresh = action("actRefresh", QStringLiteral("Refresh"), QStyle::SP_BrowserReload);
    m_actUploadFile = action("actUploadFile", QStringLiteral("Upload"), QStyle::SP_ArrowUp);
    m_actDownloadFile = action("actDownloadFile", QStringLiteral("Download"), QStyle::SP_ArrowDown);
    m_actRename = action("actRename", QStringLiteral("Rename"), QStyle::SP_FileIcon);
    m_acCrc = action("acCrc", QStringLiteral("CRC"), QStyle::SP_FileIcon);
    m_acCrc->setVisible(false);
    m_actClose = action("actClose", QStringLiteral("Close"), QStyle::SP_DialogCloseButton);
    m_actHelp = action("actHelp", QStringLiteral("Help"), QStyle::SP_DialogHelpButton);

    connect(m_actConnectDisconnect, &QAction::triggered, this,
            &TFTPForm::actConnectDisconnectExecute);
    connect(m_actChangeDirUP, &QAction::triggered, this, &TFTPForm::actChangeDirUPExecute);
    connect(m_actBack, &QAction::triggered, this, &TFTPForm::actBackExecute);
    connect(m_actHome, &QAction::triggered, this, &TFTPForm::actHomeExecute);
    connect(m_actRefresh, &QAction::triggered, this, &TFTPForm::actRefreshExecute);
    connect(m_actClose, &QAction::triggered, this, &QDialog::close);

    auto* toolbar = new QToolBar(this);
    toolbar->addAction(m_actConnectDisconnect);
    toolbar->addSeparator();
    toolbar->addAction(m_actChangeDirUP);
    toolbar->addAction(m_actBack);
    toolbar->addAction(m_actHome);
    toolbar->addAction(m_actCreateFolder);
    toolbar->addAction(m_actDeleteFileFolder);
    toolbar->addAction(m_actRefresh);
    m_tools = new QToolButton(this);
    m_tools->setObjectName(QStringLiteral("tools"));
    m_tools->setText(QStringLiteral("Tools"));
    m_tools->setPopupMode(QToolButton::InstantPopup);
    auto* toolsMenu = new QMenu(m_tools);
    QAction* inBrowser = toolsMenu->addAction(QStringLiteral("FTP in Browser"));
    QAction* inExplorer = toolsMenu->addAction(QStringLiteral("FTP in Explorer"));
    connect(inBrowser, &QAction::triggered, this, [this] { openWithShell(getAdresse()); });
    connect(inExplorer, &QAction::triggered, this,
            [this] { openWithShell(QStringLiteral("explorer"), getAdresse()); });
    m_tools->setMenu(toolsMenu);
    toolbar->addWidget(m_tools);
    toolbar->addSeparator();
    toolbar->addAction(m_actUploadFile);
    toolbar->addAction(m_actDownloadFile);

    auto* lists = new QSplitter(Qt::Horizontal, this);
    lists->addWidget(buildLocalSide());
    lists->addWidget(buildRemoteSide());
    lists->setStretchFactor(1, 2);

    m_lbStatus = new QListWidget(this);
    m_lbStatus->setObjectName(QStringLiteral("lbStatus"));
    // The selected line keeps its own colour, without highlight.
    m_lbStatus->setStyleSheet(QStringLiteral(
        "QListWidget::item { padding-left: 2px; } QListWidget::item:selected { background: "
        "transparent; }"));
    auto* vertical = new QSplitter(Qt::Vertical, this);
    vertical->addWidget(lists);
    vertical->addWidget(m_lbStatus);
    vertical->setStretchFactor(0, 3);

    buildStatusBar();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildConnectionArea());
    layout->addWidget(toolbar);
    layout->addWidget(vertical, 1);
    layout->addWidget(m_sbMain);
    resize(900, 650);
    fitIntoScreen(this);
    // No button takes [Return] for itself: the fields say what it does.
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
}

QWidget* TFTPForm::buildConnectionArea()
{
    auto* area = new QWidget(this);
    auto* grid = new QGridLayout(area);
    m_edFtpServer = new QComboBox(area);
    m_edFtpServer->setObjectName(QStringLiteral("edFtpServer"));
    m_edFtpServer->setEditable(true);
    m_edFtpUser = new QLineEdit(area);
    m_edFtpUser->setObjectName(QStringLiteral("edFtpUser"));
    m_edFtpPw = new QLineEdit(area);
    m_edFtpPw->setObjectName(QStringLiteral("edFtpPw"));
    m_edFtpPw->setEchoMode(QLineEdit::Password);
    m_edFtpActive = new QCheckBox(QStringLiteral("Active mode"), area);
    m_edFtpActive->setObjectName(QStringLiteral("edFtpActive"));
    // In the order of FtpTlsMode, which the project stores as FtpTls.
    m_edFtpTls = new QComboBox(area);
    m_edFtpTls->setObjectName(QStringLiteral("edFtpTls"));
    m_edFtpTls->addItems({QStringLiteral("Use explicit FTP over TLS if available"),
                          QStringLiteral("Require explicit FTP over TLS"),
                          QStringLiteral("Only use plain FTP (insecure)")});
    m_edFtpTls->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* lTls = new QLabel(QStringLiteral("Encryption:"), area);
    lTls->setBuddy(m_edFtpTls);
    m_btConnect = new QPushButton(QStringLiteral("Connect"), area);
    m_btConnect->setObjectName(QStringLiteral("btConnect"));
    m_btClose = new QPushButton(QStringLiteral("Close"), area);
    m_btClose->setObjectName(QStringLiteral("btClose"));
    m_edFtpPath = new QComboBox(area);
    m_edFtpPath->setObjectName(QStringLiteral("edFtpPath"));
    m_edFtpPath->setEditable(true);
    m_edFtpPath->setInsertPolicy(QComboBox::NoInsert);
    m_btnGo = new QPushButton(QStringLiteral("GO"), area);
    m_btnGo->setObjectName(QStringLiteral("btnGo"));
    m_lServer = new QLabel(area);
    m_lServer->setObjectName(QStringLiteral("lServer"));
    m_edFtpKey = new QLineEdit(area);
    m_edFtpKey->setObjectName(QStringLiteral("edFtpKey"));
    m_edFtpKey->setPlaceholderText(QStringLiteral("SFTP: a private key file (optional)"));
    m_edFtpKey->setToolTip(QStringLiteral(
        "SFTP logins try this key first, then the keys of a running ssh-agent, then the "
        "password"));
    m_btKeyFile = new QPushButton(QStringLiteral("..."), area);
    m_btKeyFile->setObjectName(QStringLiteral("btKeyFile"));
    auto* lKey = new QLabel(QStringLiteral("Key file:"), area);
    lKey->setBuddy(m_edFtpKey);

    grid->addWidget(new QLabel(QStringLiteral("FTP Address:"), area), 0, 0);
    grid->addWidget(m_edFtpServer, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("User Name:"), area), 0, 2);
    grid->addWidget(m_edFtpUser, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Password:"), area), 0, 4);
    grid->addWidget(m_edFtpPw, 0, 5);
    grid->addWidget(m_edFtpActive, 0, 6);
    grid->addWidget(m_btConnect, 0, 7);
    grid->addWidget(m_btClose, 0, 8);
    grid->addWidget(new QLabel(QStringLiteral("Path:"), area), 1, 0);
    grid->addWidget(m_edFtpPath, 1, 1, 1, 4);
    grid->addWidget(m_btnGo, 1, 5);
    // Below "Active mode": the encryption, then what the server says it is.
    auto* tlsRow = new QHBoxLayout;
    tlsRow->addWidget(lTls);
    tlsRow->addWidget(m_edFtpTls, 1);
    grid->addLayout(tlsRow, 1, 6, 1, 3);
    grid->addWidget(lKey, 2, 0);
    grid->addWidget(m_edFtpKey, 2, 1, 1, 4);
    grid->addWidget(m_btKeyFile, 2, 5);
    grid->addWidget(m_lServer, 2, 6, 1, 3);
    // The address is as wide as the user and password fields together.
    for (QWidget* field : {static_cast<QWidget*>(m_edFtpServer), static_cast<QWidget*>(m_edFtpUser),
                           static_cast<QWidget*>(m_edFtpPw)}) {
        field->setMinimumWidth(0);
        field->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }
    m_edFtpServer->setMinimumWidth(2 * kFieldWidth);
    m_edFtpUser->setMinimumWidth(kFieldWidth);
    m_edFtpPw->setMinimumWidth(kFieldWidth);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 1);
    grid->setColumnStretch(5, 1);

    connect(m_btConnect, &QPushButton::clicked, m_actConnectDisconnect, &QAction::trigger);
    connect(m_actConnectDisconnect, &QAction::changed, this, [this] {
        m_btConnect->setText(m_actConnectDisconnect->text());
        m_btConnect->setEnabled(m_actConnectDisconnect->isEnabled());
    });
    connect(m_btClose, &QPushButton::clicked, m_actClose, &QAction::trigger);
    connect(m_btnGo, &QPushButton::clicked, this, &TFTPForm::btnGoClick);
    connect(m_btKeyFile, &QPushButton::clicked, this, &TFTPForm::btKeyFileClick);
    // [Return] in the password field connects, in the path field it is GO.
    connect(m_edFtpPw, &QLineEdit::returnPressed, this, [this] {
        if (!client().connected() && m_actConnectDisconnect->isEnabled())
            m_actConnectDisconnect->trigger();
    });
    connect(m_edFtpPath->lineEdit(), &QLineEdit::returnPressed, this, &TFTPForm::btnGoClick);
    // Editing the address or the path enables Connect exactly when an address is there.
    const auto followAddress = [this] {
        m_actConnectDisconnect->setEnabled(!m_edFtpServer->currentText().isEmpty());
    };
    connect(m_edFtpServer, &QComboBox::editTextChanged, this, followAddress);
    connect(m_edFtpPath, &QComboBox::editTextChanged, this, followAddress);
    // "sftp://" in the address: the FTP-only choices go grey, the key file comes alive.
    connect(m_edFtpServer, &QComboBox::editTextChanged, this, &TFTPForm::showProtocolFields);
    return area;
}

void TFTPForm::buildStatusBar()
{
    m_sbMain = new QStatusBar(this);
    m_sbMain->setObjectName(QStringLiteral("sbMain"));
    m_sbMain->setSizeGripEnabled(false);
    // Each panel is as wide as its text ("Offline", "TimeOut: 30000"), at least as the
    // panels have always been; the status text takes the rest of the bar.
    const int widths[4] = {50, 150, 300, 80};
    for (int i = 0; i < 4; ++i) {
        m_panels[i] = new QLabel(m_sbMain);
        m_panels[i]->setObjectName(QStringLiteral("sbPanel%1").arg(i));
        m_panels[i]->setMinimumWidth(widths[i]);
        m_sbMain->addWidget(m_panels[i], i == 2 ? 1 : 0);
    }
    m_panels[0]->setText(QStringLiteral("Offline"));
    m_encryptionPanel = new QLabel(m_sbMain);
    m_encryptionPanel->setObjectName(QStringLiteral("sbEncryption"));
    m_encryptionPanel->setMinimumWidth(120);
    m_sbMain->addWidget(m_encryptionPanel);
    m_pbProgress = new QProgressBar(m_panels[1]);
    m_pbProgress->setObjectName(QStringLiteral("pbProgress"));
    m_pbProgress->setGeometry(0, 0, widths[1], 16);
    m_pbProgress->hide();
}

void TFTPForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_pbProgress->setGeometry(m_panels[1]->rect());
    m_pbProgress->hide();
    SetControls();
    if (m_ini > 0)
        readStoredFields();
}

void TFTPForm::closeEvent(QCloseEvent* event)
{
    // Closing while files are sent would leave the loop running in a hidden window: it
    // asks for the stop instead, like "Stop upload".
    if (m_upload->state() != GalleryUpload::State::Idle) {
        m_upload->requestStop();
        event->ignore();
        return;
    }
    endSession();
    QDialog::closeEvent(event);
}

void TFTPForm::reject()
{
    // Escape closes the window like "Close" does (also during an upload: stop first).
    if (m_upload->state() != GalleryUpload::State::Idle) {
        m_upload->requestStop();
        return;
    }
    endSession();
    QDialog::reject();
}

void TFTPForm::endSession()
{
    if (m_ini > 0) {
        try {
            writeStoredFields();
        } catch (const LumiError&) {
            // errors during close are swallowed
        }
    }
    try {
        client().disconnectFromServer();
    } catch (const LumiError&) {
        client().abortDataChannel();
    }
    m_timer1->stop();
}

void TFTPForm::readStoredFields()
{
    m_edFtpServer->setEditText(readProgramSetting(kFtpServer));
    m_edFtpUser->setText(readProgramSetting(kFtpUser));
    m_edFtpPw->setText(readProgramSetting(kFtpPw));
    m_edFtpPath->setEditText(readProgramSetting(kFtpPath));
    m_edFtpActive->setChecked(readProgramSetting(kFtpActive));
    // A value this program does not know is the default, never plain FTP.
    static_assert(kFtpTls.maximum == int(FtpTlsMode::Plain));
    m_edFtpTls->setCurrentIndex(readProgramSetting(kFtpTls));
    m_edFtpKey->setText(readProgramSetting(kFtpKeyFile));
}

void TFTPForm::writeStoredFields()
{
    writeProgramSetting(kFtpServer, m_edFtpServer->currentText());
    writeProgramSetting(kFtpUser, m_edFtpUser->text());
    writeProgramSetting(kFtpPath, m_edFtpPath->currentText());
    writeProgramSetting(kFtpActive, m_edFtpActive->isChecked());
    writeProgramSetting(kFtpPw, m_ini >= 2 ? m_edFtpPw->text() : QString());
    writeProgramSetting(kFtpTls, m_edFtpTls->currentIndex());
    writeProgramSetting(kFtpKeyFile, m_edFtpKey->text());
}

void TFTPForm::actConnectDisconnectExecute()
{
    // A connection that died unnoticed fails the noop: then connect anew.
    bool alive = false;
    if (client().connected()) {
        try {
            client().noop();
            alive = true;
        } catch (const LumiError&) {
        }
    }
    if (alive && client().connected()) {
        try {
            client().disconnectFromServer();
        } catch (const LumiError& e) {
            SetControls();
            showError(e);
            return;
        }
        SetControls();
        return;
    }

    m_lbStatus->clear();
    try {
        const FtpAddress address =
            parseFtpAddress(m_edFtpServer->currentText(), m_edFtpUser->text(), m_edFtpPw->text());
        takePasswordOutOfAddress();
        useClient(address.protocol);
        RemoteClient& remote = client();
        remote.setHost(address.host);
        remote.setPort(address.port);
        remote.setUsername(address.user);
        remote.setPassword(address.password);
        remote.setReplyTimeout(m_replyTimeout);
        if (address.protocol == RemoteProtocol::Sftp) {
            m_sftp.setIdentityFile(m_edFtpKey->text().trimmed());
            // "Trust once" held for the last connection only: a new one asks again.
            m_sftp.setAcceptedHostKey(QString());
        } else {
            m_ftp.setPassive(!m_edFtpActive->isChecked());
            m_ftp.setTlsMode(static_cast<FtpTlsMode>(m_edFtpTls->currentIndex()));
        }
        remote.connectToServer();
        m_timer1->start(remote.replyTimeout() / 2);
        m_panels[3]->setText(QStringLiteral("TimeOut: ") + QString::number(remote.replyTimeout()));
    } catch (const LumiError& e) {
        SetControls();
        showError(e);
        return;
    }
    SetControls();
}

void TFTPForm::FTPAfterClientLogin()
{
    SetControls();
    clearHistory();
    const QString path = m_edFtpPath->currentText();
    if (!path.isEmpty() && path != QLatin1String("/")) {
        try {
            client().changeFolder(path);
        } catch (const LumiError& e) {
            // a stored folder the server refuses: list the start folder instead, and say why
            Log(e.message() + QStringLiteral(". The start folder is listed instead: create the "
                                             "folder on the server or choose another under "
                                             "\"Path:\"."),
                kPurple);
        }
    }
    guarded([this] { RefreshList(); });
}

void TFTPForm::Timer1Timer()
{
    if (!client().connected()) {
        m_timer1->stop();
        return;
    }
    try {
        client().noop();
    } catch (const LumiError&) {
        m_timer1->stop();
        try {
            client().disconnectFromServer();
        } catch (const LumiError&) {
        }
    }
}

void TFTPForm::SetControls()
{
    const bool online = client().connected();
    if (online && m_client == &m_sftp) {
        m_actConnectDisconnect->setText(QStringLiteral("Disconnect"));
        m_panels[0]->setText(QStringLiteral("Online"));
        // "SSH, host key ED25519 SHA256:...": what was trusted.
        m_lServer->setText(QStringLiteral("SSH, host key ") + m_sftp.hostKeyDescription());
        m_encryptionPanel->setText(QStringLiteral("Encrypted: SSH"));
        m_encryptionPanel->setToolTip(m_sftp.hostKeyDescription());
    } else if (online) {
        m_actConnectDisconnect->setText(QStringLiteral("Disconnect"));
        m_panels[0]->setText(QStringLiteral("Online"));
        m_lServer->setText(m_ftp.systemDescription());
        // "TLSv1.3, TLS_AES_256_GCM_SHA384": the protocol in the panel, all of it as its tip.
        const QString tls = m_ftp.tlsDescription();
        m_encryptionPanel->setText(m_ftp.encrypted()
                                       ? QStringLiteral("Encrypted: ") + tls.section(u',', 0, 0)
                                       : QStringLiteral("Not encrypted"));
        m_encryptionPanel->setToolTip(m_ftp.encrypted() ? tls : QString());
    } else {
        m_lvFiles->clear();
        m_lFtpPath->setText(QStringLiteral(" Server: "));
        m_actConnectDisconnect->setText(QStringLiteral("Connect"));
        m_panels[0]->setText(QStringLiteral("Offline"));
        m_panels[3]->clear();
        m_lServer->clear();
        m_encryptionPanel->clear();
        m_encryptionPanel->setToolTip(QString());
    }
    m_actConnectDisconnect->setToolTip(m_actConnectDisconnect->text());
    m_actConnectDisconnect->setChecked(online);
    // While a gallery upload runs, commands that would move the remote folder or use the
    // connection between two files are off; the upload button is its stop button.
    const bool uploading = m_upload && m_upload->state() != GalleryUpload::State::Idle;
    const bool free = online && !uploading;
    for (QAction* a : {m_actChangeDirUP, m_actHome, m_actCreateFolder, m_actDeleteFileFolder,
                       m_actUploadFile, m_actDownloadFile, m_actRefresh, m_actRename})
        a->setEnabled(free);
    m_btUpload->setEnabled(online);
    m_btSelChanged->setEnabled(!uploading);
    m_btRemoveStale->setEnabled(!uploading);
    m_btnGo->setEnabled(free);
    m_tools->setEnabled(online);
    m_actBack->setEnabled(free && m_edFtpPath->count() > 0);
    if (uploading)
        m_actConnectDisconnect->setEnabled(false);
    else if (!m_edFtpServer->currentText().isEmpty())
        m_actConnectDisconnect->setEnabled(true);
    m_edFtpServer->setEnabled(!online);
    m_edFtpUser->setEnabled(!online);
    m_edFtpPw->setEnabled(!online);
    showProtocolFields();
}

void TFTPForm::FTPDisconnected()
{
    SetControls();
}

void TFTPForm::FTPStatus(const QString& text)
{
    m_panels[2]->setText(text);
    Log(text, kBlack);
}

void TFTPForm::FTPWorkEnd()
{
    m_pbProgress->hide();
    Log(QStringLiteral("Transfer finished"), kPurple);
}

void TFTPForm::Log(const QString& Msg, quint32 Color)
{
    auto* item = new QListWidgetItem(Msg, m_lbStatus);
    // 0x00BBGGRR: red in the low byte.
    item->setForeground(
        QColor(int(Color & 0xff), int((Color >> 8) & 0xff), int((Color >> 16) & 0xff)));
    m_lbStatus->setCurrentItem(item);
}

void TFTPForm::takePasswordOutOfAddress()
{
    const FtpAddressFields fields =
        withoutAddressPassword(m_edFtpServer->currentText(), m_edFtpUser->text());
    if (!fields.passwordTaken)
        return;
    m_edFtpServer->setEditText(fields.address);
    m_edFtpUser->setText(fields.user);
    // With the user name in the user field the next connect logs in the same way; a user
    // name left in the address would override both fields, so the password is not kept.
    if (fields.userMoved)
        m_edFtpPw->setText(fields.password);
}

QString TFTPForm::getAdresse() const
{
    const RemoteProtocol protocol =
        m_client == &m_sftp ? RemoteProtocol::Sftp : RemoteProtocol::Ftp;
    return ftpAddressUrl(client().host(), client().port(), client().username(), client().password(),
                         protocol);
}
