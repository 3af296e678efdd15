// The FTP window's single-file commands on the remote list: download, upload one file,
// delete, create folder, rename (dialog and in-place editing) and CRC; their context menu
// and the transfer-type menus; the desktop's file and input dialogs behind FtpPrompts.
#include "ui/ftpform.h"

#include "util/dialogs.h"
#include "util/error.h"
#include "util/paths.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

const QString kDir = QStringLiteral("<dir>");

// "desc|pattern|desc|pattern" as a Qt filter "desc (pattern);;desc (pattern)".
QString qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out.append(parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')'));
    return out.join(QStringLiteral(";;"));
}

class QtFtpPrompts : public FtpPrompts
{
public:
    QString saveFile(QWidget* parent, const QString& filter, const QString& fileName) override
    {
        return QFileDialog::getSaveFileName(parent, QString(), fileName, qtFilter(filter), nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    }
    QString openFile(QWidget* parent, const QString& filter) override
    {
        return QFileDialog::getOpenFileName(parent, QString(), QString(), qtFilter(filter));
    }
    std::optional<QString> inputText(QWidget* parent, const QString& title, const QString& prompt,
                                     const QString& text) override
    {
        bool ok = false;
        const QString result =
            QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, text, &ok);
        return ok ? std::optional<QString>(result) : std::nullopt;
    }
    std::optional<QString> inputSecret(QWidget* parent, const QString& title,
                                       const QString& prompt) override
    {
        bool ok = false;
        const QString result =
            QInputDialog::getText(parent, title, prompt, QLineEdit::Password, QString(), &ok);
        return ok ? std::optional<QString>(result) : std::nullopt;
    }
};

void guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const LumiError& e) {
        showError(e);
    }
}

// A radio menu "ASCII (Text)" / "Binary (Not text)", binary chosen.
QMenu* transferTypeMenu(QWidget* parent, const QString& name)
{
    auto* menu = new QMenu(parent);
    menu->setObjectName(name);
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    for (const QString& text :
         {QStringLiteral("ASCII (Text)"), QStringLiteral("Binary (Not text)")}) {
        QAction* a = menu->addAction(text);
        a->setCheckable(true);
        group->addAction(a);
    }
    menu->actions().last()->setChecked(true);
    return menu;
}

} // namespace

FtpPrompts& TFTPForm::prompts()
{
    if (m_prompts)
        return *m_prompts;
    if (!m_desktopPrompts)
        m_desktopPrompts = std::make_unique<QtFtpPrompts>();
    return *m_desktopPrompts;
}

QString TFTPForm::HelpFile() const
{
    if (m_helpFile.isEmpty())
        m_helpFile = QDir::cleanPath(
            QDir(programDir()).absoluteFilePath(QStringLiteral("../Help/index.htm")));
    return m_helpFile;
}

bool TFTPForm::isAscii(QMenu* menu) const
{
    return menu->actions().first()->isChecked();
}

void TFTPForm::setUpRemoteCommands()
{
    connect(m_actDownloadFile, &QAction::triggered, this, &TFTPForm::actDownloadFileExecute);
    connect(m_actUploadFile, &QAction::triggered, this, &TFTPForm::actUploadFileExecute);
    connect(m_actDeleteFileFolder, &QAction::triggered, this,
            &TFTPForm::actDeleteFileFolderExecute);
    connect(m_actCreateFolder, &QAction::triggered, this, &TFTPForm::actCreateFolderExecute);
    connect(m_actRename, &QAction::triggered, this, &TFTPForm::actRenameExecute);
    connect(m_acCrc, &QAction::triggered, this, &TFTPForm::acCrcExecute);

    // The transfer type of single uploads and downloads, offered on the toolbar buttons.
    m_puUpload = transferTypeMenu(this, QStringLiteral("puUpload"));
    m_puDownload = transferTypeMenu(this, QStringLiteral("puDownload"));
    for (QToolBar* bar : findChildren<QToolBar*>()) {
        for (auto [action, menu] :
             {std::pair{m_actUploadFile, m_puUpload}, std::pair{m_actDownloadFile, m_puDownload}}) {
            if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action))) {
                button->setMenu(menu);
                button->setPopupMode(QToolButton::MenuButtonPopup);
            }
        }
    }

    m_mnFile = new QMenu(this);
    m_mnFile->setObjectName(QStringLiteral("mnFile"));
    m_mnFile->addActions({m_actHome, m_actBack, m_actChangeDirUP, m_actRefresh});
    m_mnFile->addSeparator();
    m_mnFile->addActions({m_actDownloadFile, m_actUploadFile});
    m_mnFile->addSeparator();
    m_mnFile->addActions({m_actRename, m_actDeleteFileFolder, m_acCrc});
    m_mnFile->addSeparator();
    m_mnFile->addAction(m_actCreateFolder);
    m_lvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_lvFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        m_mnFile->popup(m_lvFiles->viewport()->mapToGlobal(pos));
    });

    m_actHelp->setEnabled(QFileInfo::exists(HelpFile()));

    m_lvFiles->setEditTriggers(QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::SelectedClicked);
    connect(m_lvFiles, &QTreeWidget::itemChanged, this, &TFTPForm::renameInPlace);
}

void TFTPForm::actDownloadFileExecute()
{
    QTreeWidgetItem* item = m_lvFiles->currentItem();
    if (!item)
        return;
    const QString name = item->text(ColName);
    if (item->text(ColDate) == kDir) {
        guarded([this, name] { ChangeFTPDir(name); });
        return;
    }
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot >= 0 ? name.mid(dot) : QString();
    const QString filter =
        ext + QStringLiteral(" files|*") + ext + QStringLiteral("|All Files|*.*");
    const QString local = prompts().saveFile(this, filter, name);
    if (local.isEmpty())
        return;
    // The file is replaced only once the download has completed (the client writes
    // beside it), so a failed download keeps the old file.
    if (QFileInfo::exists(local) &&
        messageDialog(QStringLiteral("File exists overwrite?"), DialogType::Warning,
                      DialogButtons::YesNo) != DialogResult::Yes)
        return;
    guarded([this, name, local] {
        client().setTransferType(isAscii(m_puDownload) ? RemoteClient::TransferType::Ascii
                                                       : RemoteClient::TransferType::Binary);
        client().retrieve(name, local);
    });
}

void TFTPForm::actUploadFileExecute()
{
    const QString local = prompts().openFile(this, QStringLiteral("All Files|*.*"));
    if (local.isEmpty())
        return;
    guarded([this, local] {
        client().setTransferType(isAscii(m_puUpload) ? RemoteClient::TransferType::Ascii
                                                     : RemoteClient::TransferType::Binary);
        client().store(local);
        RefreshList();
    });
}

void TFTPForm::actDeleteFileFolderExecute()
{
    QTreeWidgetItem* item = m_lvFiles->currentItem();
    if (!item)
        return;
    const QString name = item->text(ColName);
    const bool folder = item->text(ColDate) == kDir;
    if (messageDialog({QStringLiteral("Are you sure you want to delete %1?"), name},
                      DialogType::Warning, DialogButtons::YesNo) != DialogResult::Yes)
        return;
    guarded([this, name, folder] {
        if (folder)
            client().removeFolder(name);
        else
            client().deleteFile(name);
        RefreshList();
    });
}

void TFTPForm::actCreateFolderExecute()
{
    const std::optional<QString> name =
        prompts().inputText(this, QStringLiteral("New folder"), QStringLiteral("New folder name:"),
                            QStringLiteral("New Folder"));
    if (!name)
        return;
    guarded([this, name] {
        client().makeFolder(*name);
        RefreshList();
    });
}

void TFTPForm::actRenameExecute()
{
    QTreeWidgetItem* item = m_lvFiles->currentItem();
    if (!item)
        return;
    const QString name = item->text(ColName);
    const std::optional<QString> newName =
        prompts().inputText(this, QStringLiteral("Rename"), QStringLiteral("New name:"), name);
    if (!newName)
        return;
    guarded([this, name, newName] {
        client().rename(name, *newName);
        RefreshList();
    });
}

void TFTPForm::renameInPlace(QTreeWidgetItem* item, int column)
{
    if (m_listing || column != ColName)
        return;
    const QVariant stored = item->data(ColName, kCaptionRole);
    const QString newName = item->text(ColName);
    if (!stored.isValid() || stored.toString() == newName)
        return;
    const QString oldName = stored.toString();
    try {
        client().rename(oldName, newName);
        item->setData(ColName, kCaptionRole, newName);
    } catch (const LumiError& e) {
        const QSignalBlocker block(m_lvFiles);
        item->setText(ColName, oldName);
        showError(e);
    }
}

void TFTPForm::acCrcExecute()
{
    QTreeWidgetItem* item = m_lvFiles->currentItem();
    if (!item)
        return;
    const QString name = item->text(ColName);
    guarded([this, name] {
        showMessage(QString::number(client().checksum(name)), QStringLiteral("i"));
    });
}
