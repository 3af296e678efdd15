// The FTP window's lists: the remote folder (listing, fallback by names, sorting, icons,
// navigation with the back history) and the local files offered for upload.
#include "ui/ftpform.h"

#include "ftp/remotelisting.h"
#include "ftp/stalefiles.h"
#include "ftp/uploadrecord.h"
#include "gallery/pagefile.h"
#include "util/dialogs.h"
#include "util/error.h"
#include "util/localfiles.h"
#include "util/paths.h"
#include "util/textutil.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMimeDatabase>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kSizeColumnWidth = 100;

const QString kDir = QStringLiteral("<dir>");

void guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const LumiError& e) {
        showError(e);
    }
}

// The icon of a file by its type, from the desktop's icon theme: the type's own icon, else
// its group's ("image-x-generic"), else a generic file icon.
QIcon fileTypeIcon(const QString& name, const QIcon& genericFile)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    for (const QString& icon : {type.iconName(), type.genericIconName()}) {
        if (QIcon::hasThemeIcon(icon))
            return QIcon::fromTheme(icon);
    }
    return genericFile;
}

// The locale's short date and long time, the time left out at exactly midnight.
QString dateCell(const QDateTime& time)
{
    const QLocale locale;
    QString text = locale.toString(time.date(), QLocale::ShortFormat);
    if (time.time() != QTime(0, 0)) {
        // The long time format without its time zone part.
        QString format = locale.timeFormat(QLocale::LongFormat);
        format.remove(QLatin1Char('t'));
        text += QLatin1Char(' ') + time.time().toString(format.trimmed());
    }
    return text;
}

} // namespace

QWidget* TFTPForm::buildLocalSide()
{
    auto* side = new QWidget(this);
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Local (PC)"), side));
    m_lQuellPath = new QLabel(side);
    m_lQuellPath->setObjectName(QStringLiteral("QuellPath"));
    layout->addWidget(m_lQuellPath);
    m_quelle = new QListWidget(side);
    m_quelle->setObjectName(QStringLiteral("Quelle"));
    layout->addWidget(m_quelle, 1);
    auto* buttons = new QHBoxLayout;
    m_btOpenDir = new QPushButton(QStringLiteral("Open"), side);
    m_btOpenDir->setObjectName(QStringLiteral("btOpenDir"));
    m_btSelAll = new QPushButton(QStringLiteral("Select all"), side);
    m_btSelAll->setObjectName(QStringLiteral("btSelAll"));
    m_btUnsel = new QPushButton(QStringLiteral("Unselect"), side);
    m_btUnsel->setObjectName(QStringLiteral("btUnsel"));
    m_btSelChanged = new QPushButton(QStringLiteral("Select changed"), side);
    m_btSelChanged->setObjectName(QStringLiteral("btSelChanged"));
    m_btSelChanged->setToolTip(
        QStringLiteral("Tick the files that changed since the last upload to this folder"));
    m_btRemoveStale = new QPushButton(QStringLiteral("Remove stale files"), side);
    m_btRemoveStale->setObjectName(QStringLiteral("btRemoveStale"));
    m_btRemoveStale->setToolTip(QStringLiteral(
        "Delete from the server the files an earlier upload stored that the list no longer has"));
    m_btUpload = new QPushButton(QStringLiteral("Start upload ->"), side);
    m_btUpload->setObjectName(QStringLiteral("btUpload"));
    for (QPushButton* b : {m_btOpenDir, m_btSelAll, m_btUnsel, m_btSelChanged, m_btRemoveStale})
        buttons->addWidget(b);
    auto* transfers = new QLabel(QStringLiteral("Transfers:"), side);
    m_edTransfers = new QSpinBox(side);
    m_edTransfers->setObjectName(QStringLiteral("edTransfers"));
    transfers->setBuddy(m_edTransfers);
    buttons->addStretch();
    layout->addLayout(buttons);
    // The upload on a row of its own, so the list commands do not widen the local side.
    auto* uploadRow = new QHBoxLayout;
    uploadRow->addStretch();
    uploadRow->addWidget(transfers);
    uploadRow->addWidget(m_edTransfers);
    uploadRow->addWidget(m_btUpload);
    layout->addLayout(uploadRow);
    connect(m_btOpenDir, &QPushButton::clicked, this, &TFTPForm::btOpenDirClick);
    connect(m_btSelAll, &QPushButton::clicked, this, &TFTPForm::btSelAllClick);
    connect(m_btUnsel, &QPushButton::clicked, this, &TFTPForm::btUnselClick);
    connect(m_btSelChanged, &QPushButton::clicked, this, &TFTPForm::btSelChangedClick);
    connect(m_btRemoveStale, &QPushButton::clicked, this, &TFTPForm::btRemoveStaleClick);
    return side;
}

QWidget* TFTPForm::buildRemoteSide()
{
    auto* side = new QWidget(this);
    side->setObjectName(QStringLiteral("remotePanel"));
    m_remotePanel = side;
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    m_lFtpPath = new QLabel(QStringLiteral(" Server: "), side);
    m_lFtpPath->setObjectName(QStringLiteral("lFtpPath"));
    layout->addWidget(m_lFtpPath);
    m_lvFiles = new QTreeWidget(side);
    m_lvFiles->setObjectName(QStringLiteral("lvFiles"));
    m_lvFiles->setRootIsDecorated(false);
    m_lvFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lvFiles->setHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Date"), QStringLiteral("Size")});
    m_lvFiles->header()->setSectionsClickable(false);
    m_lvFiles->setColumnWidth(ColName, 260);
    m_lvFiles->setColumnWidth(ColDate, 150);
    m_lvFiles->setColumnWidth(ColSize, kSizeColumnWidth);
    m_lvFiles->headerItem()->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(m_lvFiles, 1);
    connect(m_lvFiles, &QTreeWidget::itemDoubleClicked, this, [this] { lvFilesDblClick(); });

    // The up row, folders and files without a fitting icon of their type.
    m_icons = {
        QIcon::fromTheme(QStringLiteral("go-up"),
                         style()->standardIcon(QStyle::SP_FileDialogToParent)),
        QIcon::fromTheme(QStringLiteral("folder"), style()->standardIcon(QStyle::SP_DirIcon)),
        QIcon::fromTheme(QStringLiteral("application-x-generic"),
                         style()->standardIcon(QStyle::SP_FileIcon))};
    return side;
}

void TFTPForm::addRow(const RemoteRow& row)
{
    auto* item = new QTreeWidgetItem(m_lvFiles);
    item->setText(ColName, row.name);
    RowKind kind = RowKind::Up; // the up row cannot be renamed in place
    if (row.isFolder) {
        item->setText(ColDate, kDir);
        if (row.name != QLatin1String(".."))
            kind = RowKind::Folder;
        item->setIcon(ColName, m_icons.value(int(kind)));
    } else {
        kind = RowKind::File;
        item->setText(ColDate, dateCell(row.modified));
        if (row.size >= 0)
            item->setText(ColSize, QLocale().toString(row.size)); // "#,###,##0"
        item->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
        item->setIcon(ColName, fileTypeIcon(row.name, m_icons.value(int(kind))));
    }
    if (kind != RowKind::Up)
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(ColName, kIconRole, int(kind));
    item->setData(ColName, kCaptionRole, row.name);
}

void TFTPForm::RefreshList()
{
    const QScopedValueRollback<bool> listing(m_listing, true);
    QStringList rawLines;
    client().setTransferType(RemoteClient::TransferType::Binary);
    client().listDetails(rawLines);
    const QString folder = client().currentFolder();
    m_edFtpPath->setEditText(folder);
    m_lFtpPath->setText(QStringLiteral(" Server: ") + folder);
    m_lvFiles->clear();
    QList<RemoteRow> rows;
    if (QString::compare(folder, QStringLiteral("/")) > 0)
        rows.append({QStringLiteral(".."), true, -1, {}});
    rows += readRemoteRows(client(), rawLines);
    sortRemoteRows(rows);
    for (const RemoteRow& row : std::as_const(rows))
        addRow(row);
    // The Size column fits its longest number (and never shrinks below its first width).
    m_lvFiles->resizeColumnToContents(ColSize);
    m_lvFiles->setColumnWidth(ColSize, std::max(kSizeColumnWidth, m_lvFiles->columnWidth(ColSize)));
    SetControls();
}

void TFTPForm::insertHistory(const QString& folder)
{
    const QString text = m_edFtpPath->currentText();
    m_edFtpPath->insertItem(0, folder);
    m_edFtpPath->setEditText(text);
}

void TFTPForm::clearHistory()
{
    const QString text = m_edFtpPath->currentText();
    m_edFtpPath->clear();
    m_edFtpPath->setEditText(text);
}

void TFTPForm::ChangeFTPDir(const QString& NewDir)
{
    insertHistory(client().currentFolder());
    client().changeFolder(NewDir);
    RefreshList();
}

void TFTPForm::actChangeDirUPExecute()
{
    guarded([this] {
        insertHistory(client().currentFolder());
        client().parentFolder();
        RefreshList();
    });
}

void TFTPForm::actHomeExecute()
{
    guarded([this] { ChangeFTPDir(QStringLiteral("/")); });
}

void TFTPForm::actBackExecute()
{
    if (m_edFtpPath->count() == 0)
        return;
    guarded([this] {
        client().changeFolder(m_edFtpPath->itemText(0));
        RefreshList();
        const QString text = m_edFtpPath->currentText();
        m_edFtpPath->removeItem(0);
        m_edFtpPath->setEditText(text);
        SetControls();
    });
}

void TFTPForm::btnGoClick()
{
    if (!m_btnGo->isEnabled())
        return;
    const QString path = m_edFtpPath->currentText();
    guarded([this, path] { ChangeFTPDir(path); });
}

void TFTPForm::actRefreshExecute()
{
    guarded([this] { RefreshList(); });
}

void TFTPForm::lvFilesDblClick()
{
    QTreeWidgetItem* item = m_lvFiles->currentItem();
    if (!item)
        return;
    if (item->text(ColDate) == kDir) {
        const QString name = item->text(ColName);
        guarded([this, name] { ChangeFTPDir(name); });
    } else {
        m_actDownloadFile->trigger();
    }
}

void TFTPForm::setQuellPath(const QString& path)
{
    m_quellPath = path;
    m_lQuellPath->setText(path);
    m_lQuellPath->setToolTip(path);
}

void TFTPForm::ReadFiles(QString path, const QString& opt)
{
    if (path.isEmpty()) {
        path = m_quellPath;
        m_lQuellPath->setToolTip(m_quellPath);
    }
    const bool adding = inList(QStringLiteral("a"), opt);
    if (path.isEmpty()) {
        if (!adding)
            m_quelle->clear();
        return;
    }
    QStringList entries;
    if (adding) {
        for (int i = 0; i < m_quelle->count(); ++i)
            entries.append(m_quelle->item(i)->text());
    }
    entries += localUploadFiles(path, m_quellPath);
    showLocalEntries(withoutDuplicateFiles(entries, m_quellPath));
}

void TFTPForm::openForGallery(const QString& target, const QStringList& files)
{
    m_btOpenDir->hide();
    setQuellPath(target);
    showLocalEntries(files);
}

void TFTPForm::showLocalEntries(const QStringList& entries)
{
    m_quelle->clear();
    m_quelle->addItems(entries);
    for (int i = 0; i < m_quelle->count(); ++i)
        m_quelle->item(i)->setIcon(fileTypeIcon(entries.at(i), m_icons.value(int(RowKind::File))));
    btSelAllClick();
}

void TFTPForm::btSelAllClick()
{
    for (int i = 0; i < m_quelle->count(); ++i) {
        m_quelle->item(i)->setFlags(m_quelle->item(i)->flags() | Qt::ItemIsUserCheckable);
        m_quelle->item(i)->setCheckState(Qt::Checked);
    }
}

void TFTPForm::btUnselClick()
{
    for (int i = 0; i < m_quelle->count(); ++i) {
        m_quelle->item(i)->setFlags(m_quelle->item(i)->flags() | Qt::ItemIsUserCheckable);
        m_quelle->item(i)->setCheckState(Qt::Unchecked);
    }
}

void TFTPForm::btSelChangedClick()
{
    guarded([this] {
        // Without a connection this fails as every remote command does ("Not connected.").
        const QString base = client().currentFolder();
        QStringList entries;
        for (int i = 0; i < m_quelle->count(); ++i)
            entries.append(m_quelle->item(i)->text());
        QString recordProblem;
        const QList<bool> changed =
            findChangedEntries(client(), base, entries, m_quellPath, &recordProblem, isPageName);
        for (int i = 0; i < m_quelle->count(); ++i) {
            m_quelle->item(i)->setFlags(m_quelle->item(i)->flags() | Qt::ItemIsUserCheckable);
            m_quelle->item(i)->setCheckState(changed.value(i, true) ? Qt::Checked : Qt::Unchecked);
        }
        Log(QStringLiteral("%1 of %2 files changed").arg(changed.count(true)).arg(changed.size()),
            kBlack);
        if (!recordProblem.isEmpty())
            Log(recordProblem, kPurple);
    });
}

void TFTPForm::btRemoveStaleClick()
{
    guarded([this] {
        const QString base = client().currentFolder();
        QStringList entries;
        for (int i = 0; i < m_quelle->count(); ++i)
            entries.append(m_quelle->item(i)->text());
        if (entries.isEmpty())
            return; // without a gallery every recorded file would count as stale
        UploadRecord record(UploadRecordKey::of(client(), base));
        QString recordProblem;
        if (!record.load(&recordProblem) && !recordProblem.isEmpty())
            Log(QStringLiteral("The record of earlier uploads \"%1\" cannot be read; no stale "
                               "file is deleted.")
                    .arg(QDir::toNativeSeparators(record.path())),
                kPurple);
        // A folder that cannot be listed throws here: nothing is deleted.
        const QStringList stale = findStaleFiles(client(), base, record, entries, m_quellPath);
        if (stale.isEmpty()) {
            Log(QStringLiteral("No stale files in %1").arg(base), kBlack);
            return;
        }
        if (stale.size() > kDefaultMaxStaleDeletions)
            throw LumiError(QStringLiteral("%1 stale files are more than the %2 one run deletes; "
                                           "nothing was deleted. lumivista upload --delete-stale "
                                           "--max-delete %1 deletes them.")
                                .arg(stale.size())
                                .arg(kDefaultMaxStaleDeletions));
        QStringList paths;
        for (const QString& entry : stale)
            paths.append(staleFilePath(base, entry));
        const QString question =
            QStringLiteral("Delete these %1 files from the server? An earlier upload stored "
                           "them and the list no longer has them:")
                .arg(stale.size()) +
            QStringLiteral("\r\n") + paths.join(QStringLiteral("\r\n"));
        if (!askYesNo(MessageText::verbatim(question)))
            return;
        const StaleDeletion deletion =
            deleteStaleFiles(client(), base, record, stale, [&](const QString& entry) {
                Log(QStringLiteral("Deleted: ") + staleFilePath(base, entry), kBlack);
            });
        Log(QStringLiteral("%1 of %2 stale files deleted").arg(deletion.deleted).arg(stale.size()),
            kBlack);
        if (client().connected())
            RefreshList();
        if (!deletion.errorMessage.isEmpty())
            throw LumiError(deletion.errorMessage);
    });
}

void TFTPForm::btOpenDirClick()
{
    const QString start = QFileInfo(m_quellPath).isDir() ? m_quellPath : QString();
    const QString chosen = QFileDialog::getExistingDirectory(this, QString(), start);
    if (chosen.isEmpty() || chosen == m_quellPath)
        return;
    setQuellPath(chosen);
    ReadFiles(QString(), QString());
}
