// The FTP window's lists: the remote folder (listing, fallback by names, sorting, icons,
// navigation with the back history) and the local files offered for upload.
#include "ui/ftpform.h"

#include "util/dialogs.h"
#include "util/error.h"
#include "util/paths.h"
#include "util/textutil.h"

#include <QCollator>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

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
    m_btSelAll = new QPushButton(QStringLiteral("Select all"), side);
    m_btUnsel = new QPushButton(QStringLiteral("Unselect"), side);
    m_btUpload = new QPushButton(QStringLiteral("Start upload ->"), side);
    m_btUpload->setObjectName(QStringLiteral("btUpload"));
    for (QPushButton* b : {m_btOpenDir, m_btSelAll, m_btUnsel, m_btUpload})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    connect(m_btOpenDir, &QPushButton::clicked, this, &TFTPForm::btOpenDirClick);
    connect(m_btSelAll, &QPushButton::clicked, this, &TFTPForm::btSelAllClick);
    connect(m_btUnsel, &QPushButton::clicked, this, &TFTPForm::btUnselClick);
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
    m_lvFiles->setColumnWidth(ColSize, 100);
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

void TFTPForm::addFolderRow(const QString& name)
{
    auto* item = new QTreeWidgetItem(m_lvFiles);
    // The blank sorts folders first; it is removed after sorting.
    item->setText(ColName, QLatin1Char(' ') + name);
    item->setText(ColDate, kDir);
    const int icon = name == QLatin1String("..") ? 0 : 1;
    if (icon != 0) // the up row cannot be renamed in place
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(ColName, kIconRole, icon);
    item->setIcon(ColName, m_icons.value(icon));
}

void TFTPForm::addFileRow(const QString& name, qint64 size, const QDateTime& time)
{
    auto* item = new QTreeWidgetItem(m_lvFiles);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setText(ColName, name);
    item->setText(ColDate, dateCell(time));
    if (size >= 0)
        item->setText(ColSize, QLocale().toString(size)); // "#,###,##0"
    item->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
    const int icon = fileIcon(name);
    item->setData(ColName, kIconRole, icon);
    item->setIcon(ColName, m_icons.value(icon));
}

void TFTPForm::sortRows()
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseSensitive);
    collator.setIgnorePunctuation(false);
    QList<QTreeWidgetItem*> rows;
    while (m_lvFiles->topLevelItemCount() > 0)
        rows.append(m_lvFiles->takeTopLevelItem(0));
    std::stable_sort(rows.begin(), rows.end(), [&](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        const QString x = a->text(ColName);
        const QString y = b->text(ColName);
        const bool blankX = x.startsWith(QLatin1Char(' '));
        const bool blankY = y.startsWith(QLatin1Char(' '));
        if (blankX != blankY)
            return blankX; // a leading blank sorts before letters and digits
        return collator.compare(x, y) < 0;
    });
    m_lvFiles->addTopLevelItems(rows);
}

void TFTPForm::RefreshList()
{
    const QScopedValueRollback<bool> listing(m_listing, true);
    m_rawLines.clear();
    m_names.clear();
    m_ftp.setTransferType(FTPClient::TransferType::Binary);
    m_ftp.listDetails(m_rawLines);
    CurrentDir = m_ftp.currentFolder();
    m_edFtpPath->setEditText(CurrentDir);
    m_lFtpPath->setText(QStringLiteral(" Server: ") + CurrentDir);
    m_lvFiles->clear();
    if (QString::compare(CurrentDir, QStringLiteral("/")) > 0)
        addFolderRow(QStringLiteral(".."));

    const auto skipped = [](const QString& name) {
        return name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
               name == QLatin1String("..");
    };
    try {
        const QList<FtpListEntry> entries = parseFtpListing(m_rawLines);
        for (const FtpListEntry& e : entries) {
            if (!m_ftp.connected())
                break;
            if (e.kind == FtpEntryKind::Other || skipped(e.name))
                continue;
            if (e.kind == FtpEntryKind::Folder)
                addFolderRow(e.name);
            else
                addFileRow(e.name, e.size, e.modified);
        }
    } catch (const LumiError&) {
        // A listing the parser cannot read: names, then SIZE (and MDTM) for each.
        m_ftp.listNames(m_names);
        for (qsizetype i = 0; i < m_names.size(); ++i) {
            const QString& name = m_names[i];
            if (skipped(name))
                continue;
            qint64 size = m_ftp.size(name);
            if (size < 0 && i < m_rawLines.size() && m_rawLines[i].contains(name) &&
                m_rawLines[i].startsWith(QLatin1Char('-')))
                size = -2; // a file without a reported size
            if (size == -1)
                addFolderRow(name);
            else
                addFileRow(name, size, m_ftp.modificationTime(name));
        }
    }

    sortRows();
    for (int i = 0; i < m_lvFiles->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_lvFiles->topLevelItem(i);
        if (item->text(ColDate) == kDir)
            item->setText(ColName, item->text(ColName).mid(1));
        item->setData(ColName, kCaptionRole, item->text(ColName));
    }
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
    if (!inList(QStringLiteral("a"), opt))
        m_quelle->clear();
    if (path.isEmpty())
        return;

    QStringList files;
    scanFolder(files, resolveFolder(path, QString()) + QStringLiteral("*.*"));
    for (const QString& f : files)
        m_quelle->addItem(f);
    SetRelPath();

    // Each local file once; the first entry stays.
    QStringList entries;
    for (int i = 0; i < m_quelle->count(); ++i)
        entries.append(m_quelle->item(i)->text());
    const QStringList unique = withoutDuplicateFiles(entries, m_quellPath);
    if (unique.size() != entries.size()) {
        m_quelle->clear();
        m_quelle->addItems(unique);
    }
    btSelAllClick();
}

void TFTPForm::SetRelPath()
{
    const QString base = resolveFolder(m_quellPath, QString());
    for (int i = 0; i < m_quelle->count(); ++i) {
        QListWidgetItem* item = m_quelle->item(i);
        item->setText(replaceAll(item->text(), base, QString(), true));
    }
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

void TFTPForm::btOpenDirClick()
{
    const QString start = QFileInfo(m_quellPath).isDir() ? m_quellPath : QString();
    const QString chosen = QFileDialog::getExistingDirectory(this, QString(), start);
    if (chosen.isEmpty() || chosen == m_quellPath)
        return;
    setQuellPath(chosen);
    ReadFiles(QString(), QString());
}
