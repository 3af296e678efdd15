// The FTP window's lists: the remote folder (listing, fallback by names, sorting, icons,
// navigation with the back history) and the local files offered for upload.
#include "ui/ftpform.h"

#include "ftp/remotelisting.h"
#include "ftp/stalefiles.h"
#include "ftp/uploadrecord.h"
#include "util/dialogs.h"
#include "util/error.h"
#include "util/paths.h"
#include "util/textutil.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
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

// The icon of a file row: the later list that holds the extension wins; 3 without match.
int fileIcon(const QString& name)
{
    const QString ext = QFileInfo(name).suffix().toLower();
    static const std::pair<const char*, int> groups[] = {
        {"htm,html", 4},    {"php,php4,php5,js,asp", 5}, {"css,txt", 6},
        {"gif,jpg,png", 7}, {"zip,gz,tar", 8},           {"pdf", 9}};
    int icon = 3;
    for (const auto& [list, index] : groups) {
        if (!ext.isEmpty() && inList(ext, QString::fromLatin1(list)))
            icon = index;
    }
    return icon;
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
    m_btRemoveStale->setToolTip(QStringLiteral("Delete from the server the files an earlier "
                                               "upload to this folder stored that the list no "
                                               "longer has"));
    m_btUpload = new QPushButton(QStringLiteral("Start upload ->"), side);
    m_btUpload->setObjectName(QStringLiteral("btUpload"));
    for (QPushButton* b : {m_btOpenDir, m_btSelAll, m_btUnsel, m_btSelChanged, m_btRemoveStale})
        buttons->addWidget(b);
    auto* transfers = new QLabel(QStringLiteral("Transfers:"), side);
    m_edTransfers = new QSpinBox(side);
    m_edTransfers->setObjectName(QStringLiteral("edTransfers"));
    transfers->setBuddy(m_edTransfers);
    buttons->addWidget(transfers);
    buttons->addWidget(m_edTransfers);
    buttons->addWidget(m_btUpload);
    layout->addLayout(buttons);
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

    // Icons: 0 up, 1 folder, 2 unused, 3 file, 4 web page, 5 script, 6 text, 7 picture,
    // 8 archive, 9 PDF.
    const QStyle::StandardPixmap pixmaps[] = {QStyle::SP_FileDialogToParent,
                                              QStyle::SP_DirIcon,
                                              QStyle::SP_DirLinkIcon,
                                              QStyle::SP_FileIcon,
                                              QStyle::SP_DesktopIcon,
                                              QStyle::SP_CommandLink,
                                              QStyle::SP_FileDialogDetailedView,
                                              QStyle::SP_DriveDVDIcon,
                                              QStyle::SP_DriveHDIcon,
                                              QStyle::SP_FileDialogInfoView};
    for (const auto p : pixmaps)
        m_icons.append(style()->standardIcon(p));
    return side;
}

void TFTPForm::addRow(const RemoteRow& row)
{
    auto* item = new QTreeWidgetItem(m_lvFiles);
    item->setText(ColName, row.name);
    int icon = 0; // the up row cannot be renamed in place
    if (row.isFolder) {
        item->setText(ColDate, kDir);
        icon = row.name == QLatin1String("..") ? 0 : 1;
    } else {
        item->setText(ColDate, dateCell(row.modified));
        if (row.size >= 0)
            item->setText(ColSize, QLocale().toString(row.size)); // "#,###,##0"
        item->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
        icon = fileIcon(row.name);
    }
    if (icon != 0)
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(ColName, kIconRole, icon);
    item->setData(ColName, kCaptionRole, row.name);
    item->setIcon(ColName, m_icons.value(icon));
}

void TFTPForm::RefreshList()
{
    const QScopedValueRollback<bool> listing(m_listing, true);
    QStringList rawLines;
    m_ftp.setTransferType(FTPClient::TransferType::Binary);
    m_ftp.listDetails(rawLines);
    const QString folder = m_ftp.currentFolder();
    m_edFtpPath->setEditText(folder);
    m_lFtpPath->setText(QStringLiteral(" Server: ") + folder);
    m_lvFiles->clear();
    QList<RemoteRow> rows;
    if (QString::compare(folder, QStringLiteral("/")) > 0)
        rows.append({QStringLiteral(".."), true, -1, {}});
    rows += readRemoteRows(m_ftp, rawLines);
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
    insertHistory(m_ftp.currentFolder());
    m_ftp.changeFolder(NewDir);
    RefreshList();
}

void TFTPForm::actChangeDirUPExecute()
{
    guarded([this] {
        insertHistory(m_ftp.currentFolder());
        m_ftp.parentFolder();
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
        m_ftp.changeFolder(m_edFtpPath->itemText(0));
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
        const QString base = m_ftp.currentFolder();
        QStringList entries;
        for (int i = 0; i < m_quelle->count(); ++i)
            entries.append(m_quelle->item(i)->text());
        QString recordProblem;
        const QList<bool> changed =
            findChangedEntries(m_ftp, base, entries, m_quellPath, &recordProblem);
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
        const QString base = m_ftp.currentFolder();
        QStringList entries;
        for (int i = 0; i < m_quelle->count(); ++i)
            entries.append(m_quelle->item(i)->text());
        UploadRecord record(UploadRecordKey::of(m_ftp, base));
        record.load();
        const StaleFiles stale = findStaleFiles(m_ftp, base, staleEntries(record, entries));
        Log(QStringLiteral("%1 stale files in %2").arg(stale.onServer.size()).arg(base), kBlack);
        if (stale.onServer.isEmpty())
            return;
        const QString question = QStringLiteral("Delete these %1 files from %2?\r\n")
                                     .arg(stale.onServer.size())
                                     .arg(base) +
                                 stale.onServer.join(QStringLiteral("\r\n"));
        if (!askYesNo(MessageText::verbatim(question)))
            return;
        removeStaleFiles(m_ftp, stale, record, kDefaultMaxDelete, [this](const QString& entry) {
            Log(QStringLiteral("Deleted: ") + entry, kBlack);
        });
        RefreshList();
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
