// The font and colour panels and the picture list of the main window.
#include "ui/mainform_widgets.h"

#include "gallery/settingstable.h"
#include "ui/windowcolor.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

bool isActivationKey(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
           event->key() == Qt::Key_Enter;
}

QString styleSheetColor(int value)
{
    return colorFromValue(value).name(QColor::HexRgb);
}

} // namespace

ClickablePanel::ClickablePanel(QWidget* parent) : QLabel(parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

FontPanel::FontPanel(QWidget* parent) : ClickablePanel(parent)
{
    setAlignment(Qt::AlignCenter);
    setMinimumHeight(28);
    TextToFont(kWindowFontText, m_font);
    refresh();
}

void FontPanel::setFontSpec(const FontSpec& font)
{
    m_font = font;
    refresh();
}

void FontPanel::setBackground(int colour)
{
    m_background = colour;
    refresh();
}

void FontPanel::setShowsFontName(bool shows)
{
    m_showsName = shows;
    refresh();
}

void FontPanel::refresh()
{
    if (m_showsName)
        setText(m_font.name);
    // The sample is drawn at most 28 pt high so that a large title font fits the page.
    FontSpec shown = m_font;
    shown.size = qBound(1, shown.size, 28);
    setFont(toQFont(shown));
    setStyleSheet(u"QLabel { background-color: %1; color: %2; }"_s.arg(
        styleSheetColor(m_background), styleSheetColor(m_font.color)));
}

void ClickablePanel::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void ClickablePanel::keyPressEvent(QKeyEvent* event)
{
    if (isActivationKey(event))
        Q_EMIT clicked();
    else
        QLabel::keyPressEvent(event);
}

ColorPanel::ColorPanel(QWidget* parent) : ClickablePanel(parent)
{
    setMinimumSize(40, 22);
    setColorValue(0);
}

void ColorPanel::setColorValue(int value)
{
    m_value = value;
    setStyleSheet(u"QLabel { background-color: %1; }"_s.arg(styleSheetColor(value)));
    setToolTip(ColorToHtml(value));
}

PictureListView::PictureListView(QWidget* parent) : QListView(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
}

QString PictureListView::internalMimeType()
{
    return u"application/x-lumivista-picture-entry"_s;
}

int PictureListView::dropRowAt(const QPoint& pos) const
{
    const QModelIndex index = indexAt(pos);
    return index.isValid() ? index.row() : -1;
}

void PictureListView::startDrag(Qt::DropActions supportedActions)
{
    Q_UNUSED(supportedActions);
    // Only the entry with the focus moves; the list itself reorders on the drop, so the
    // drag never removes rows when it ends (as the item view's own drag would).
    if (!currentIndex().isValid())
        return;
    auto* data = new QMimeData;
    data->setData(internalMimeType(), QByteArray::number(reinterpret_cast<quintptr>(this)));
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction);
}

bool PictureListView::isOwnDrag(const QMimeData* data) const
{
    return data && data->hasFormat(internalMimeType()) &&
           data->data(internalMimeType()) == QByteArray::number(reinterpret_cast<quintptr>(this));
}

QStringList PictureListView::localPaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    const QList<QUrl> urls = data->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.append(url.toLocalFile());
    }
    return paths;
}

void PictureListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (isOwnDrag(event->mimeData()) || !localPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void PictureListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (isOwnDrag(event->mimeData())) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else if (!localPaths(event->mimeData()).isEmpty()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void PictureListView::dropEvent(QDropEvent* event)
{
    if (isOwnDrag(event->mimeData())) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
        Q_EMIT internalDrop(dropRowAt(event->position().toPoint()));
        return;
    }
    const QStringList paths = localPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    Q_EMIT filesDropped(paths);
}
