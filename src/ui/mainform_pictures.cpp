// The picture list page: loading folders and pictures, deleting, sorting, moving entries,
// the caption of the selected picture and its preview.
#include "ui/mainform.h"

#include "ui_mainform.h"

#include "gallery/naming.h"
#include "gallery/projectstate.h"
#include "pic/picture.h"
#include "util/dialogs.h"
#include "util/error.h"
#include "util/paths.h"
#include "util/textutil.h"

#include <QFileInfo>
#include <QItemSelectionModel>
#include <QStringListModel>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Extensions of the files a desktop drop appends (the formats the picture loader reads).
const QStringList kDroppedExtensions{u"jpg"_s, u"jpeg"_s, u"gif"_s, u"png"_s, u"bmp"_s,
                                     u"tif"_s, u"tiff"_s, u"ico"_s, u"wmf"_s, u"emf"_s};

void appendEntries(QStringListModel& model, const QStringList& entries)
{
    if (entries.isEmpty())
        return;
    const int first = model.rowCount();
    model.insertRows(first, static_cast<int>(entries.size()));
    for (int i = 0; i < entries.size(); ++i)
        model.setData(model.index(first + i), entries.at(i));
}

} // namespace

QStringList TMainForm::files() const
{
    return m_filesModel->stringList();
}

void TMainForm::setFiles(const QStringList& entries)
{
    m_filesModel->setStringList(entries);
    m_project.Files() = entries;
    refreshCount();
}

void TMainForm::connectPictureList()
{
    const std::pair<QToolButton*, void (TMainForm::*)()> buttons[] = {
        {ui->SpeedButton4, &TMainForm::SpeedButton4Click},
        {ui->SpeedButton5, &TMainForm::SpeedButton5Click},
        {ui->SpeedButton6, &TMainForm::SpeedButton6Click},
        {ui->SpeedButton3, &TMainForm::SpeedButton3Click},
        {ui->SpeedButton1, &TMainForm::SpeedButton1Click},
        {ui->btSort, &TMainForm::btSortClick},
        {ui->btUp, &TMainForm::btUpClick},
        {ui->btDown, &TMainForm::btDownClick},
    };
    for (const auto& [button, slot] : buttons)
        connect(button, &QToolButton::clicked, this, slot);
    connect(ui->Button2, &QPushButton::clicked, this, &TMainForm::Button2Click);
    // Return in the caption field applies the caption, as "Ok" does.
    connect(ui->eBez, &QLineEdit::returnPressed, this, &TMainForm::Button2Click);
    connect(ui->Files->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TMainForm::FilesClick);
    connect(ui->Files, &PictureListView::internalDrop, this, &TMainForm::FilesDragDrop);
    connect(ui->Files, &PictureListView::filesDropped, this, &TMainForm::FilesDroppedFromDesktop);
}

int TMainForm::selectedRow() const
{
    // The entry with the focus when it is selected, else the first selected one.
    const QModelIndex current = ui->Files->currentIndex();
    const QItemSelectionModel* selection = ui->Files->selectionModel();
    if (current.isValid() && selection->isSelected(current))
        return current.row();
    const QList<int> rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.constFirst();
}

QList<int> TMainForm::selectedRows() const
{
    QList<int> rows;
    const QModelIndexList indexes = ui->Files->selectionModel()->selectedRows();
    for (const QModelIndex& index : indexes)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TMainForm::selectRow(int row)
{
    const QModelIndex index = m_filesModel->index(row);
    ui->Files->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

void TMainForm::SpeedButton4Click()
{
    const QString chosen = choosers().existingFolder(this, u"Verzeichnis laden"_s, {});
    if (chosen.isEmpty())
        return;
    QStringList leftOut;
    const QStringList found = folderPictures(resolveFolder(chosen, {}), &leftOut);
    appendEntries(*m_filesModel, found);
    refreshCount();
    if (leftOut.isEmpty()) {
        showMessage({u"Eingefügt: %1"_s, found.size()}, u"i"_s);
        return;
    }
    // The names are shown whole: the "/n" rule applies to the own text only.
    showMessage({u"Eingefügt: %1/nAusgelassen, weil der Name in der Zeichenkodierung des "
                 u"Systems ungültig ist: %2/n%3"_s,
                 found.size(), leftOut.size(), leftOut.join(u"\r\n"_s)},
                u"i"_s);
}

void TMainForm::SpeedButton5Click()
{
    const QStringList chosen = choosers().openFiles(this, u"Bilder laden"_s, {}, kPictureFilter);
    appendEntries(*m_filesModel, chosen);
    refreshCount();
}

void TMainForm::SpeedButton6Click()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
        showError(u"Keine Bilder markiert!"_s);
        return;
    }
    if (!askYesNo(u"Markierte Bilder löschen?"_s))
        return;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        m_filesModel->removeRows(*it, 1);
    refreshCount();
}

void TMainForm::SpeedButton3Click()
{
    if (!askYesNo(u"Alle Bilder löschen?"_s))
        return;
    m_filesModel->setStringList({});
    refreshCount();
}

void TMainForm::SpeedButton1Click()
{
    for (int row = m_filesModel->rowCount() - 1; row >= 0; --row) {
        const QString path = entryPath(m_filesModel->index(row).data().toString());
        if (path.isEmpty() || !QFileInfo::exists(path))
            m_filesModel->removeRows(row, 1);
    }
    refreshCount();
}

void TMainForm::btSortClick()
{
    QStringList entries = m_filesModel->stringList();
    std::stable_sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    m_filesModel->setStringList(entries);
}

void TMainForm::btUpClick()
{
    const int row = selectedRow();
    if (row <= 0)
        return;
    m_filesModel->moveRows({}, row, 1, {}, row - 1);
    selectRow(row - 1);
}

void TMainForm::btDownClick()
{
    const int row = selectedRow();
    if (row < 0 || row >= m_filesModel->rowCount() - 1)
        return;
    m_filesModel->moveRows({}, row + 1, 1, {}, row);
    selectRow(row + 1);
}

void TMainForm::FilesDragDrop(int dropRow)
{
    const int moved = moveDraggedItem(*m_filesModel, ui->Files->currentIndex().row(), dropRow);
    if (moved >= 0)
        selectRow(moved);
}

void TMainForm::FilesDroppedFromDesktop(const QStringList& paths)
{
    QStringList added;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir())
            added += folderPictures(resolveFolder(info.absoluteFilePath(), {}));
        else if (info.isFile() && kDroppedExtensions.contains(info.suffix().toLower()))
            added.append(info.absoluteFilePath());
    }
    appendEntries(*m_filesModel, added);
    refreshCount();
}

void TMainForm::FilesClick()
{
    // Loading a large picture can take a moment; a second click meanwhile is dropped.
    if (m_inFilesClick)
        return;
    m_inFilesClick = true;
    const int row = ui->Files->currentIndex().row();
    if (row >= 0) {
        const ProjectState& current = project();
        GalleryNames names;
        names.files = current.Files();
        names.picDatBez = current.settings().picDatBez;
        showPreview(entryPath(names.files.at(row)));
        ui->eBez->setText(GetPicName(u"b"_s, row, names));
    }
    m_inFilesClick = false;
}

void TMainForm::showPreview(const QString& path)
{
    Picture picture;
    try {
        LoadPicture(picture, path);
    } catch (const LumiError&) {
        return; // the preview keeps what it showed
    }
    const QImage image =
        picture.kind() == PictureKind::Metafile ? picture.renderedBitmap() : picture.image();
    if (image.isNull())
        return;
    const QSize frame = ui->Bild->contentsRect().size();
    ui->Bild->setPixmap(
        QPixmap::fromImage(image.scaled(frame, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TMainForm::Button2Click()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const QModelIndex index = m_filesModel->index(row);
    const QString entry = entryPath(index.data().toString()) + u'|' + singleLine(ui->eBez->text());
    m_filesModel->setData(index, entry);
}
