// Small building blocks of the optimiser window.
#include "ui/jpgopti_widgets.h"

#include <QComboBox>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QSlider>
#include <QSpinBox>

using namespace Qt::StringLiterals;

const QString kOpenFilter =
    u"Alle (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf;*gif)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf;*.gif|"
    "JPEG-Grafikdatei (*.jpg)|*.jpg|JPEG-Grafikdatei (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|"
    "Symbole (*.ico)|*.ico|Erweiterte Metadateien (*.emf)|*.emf|Metadateien (*.wmf)|*.wmf"_s;
const QString kJpegFilter = u"JPEG-Grafikdatei (*.jpg)|*.jpg"_s;
const QString kGifFilter = u"GIF-Grafikdatei (*.gif)|*.gif"_s;

OptiFont startFont()
{
    QFont font(u"Arial"_s);
    font.setPixelSize(13);
    return {font, kWindowTextColour};
}

QSlider* makeSlider(const QString& name, int minimum, int maximum, int value, int tickInterval)
{
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(name);
    slider->setRange(minimum, maximum);
    slider->setValue(value);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(tickInterval);
    slider->setMinimumWidth(200);
    return slider;
}

QLabel* makeValueLabel(QSlider* slider, const QString& suffix)
{
    auto* label = new QLabel(QString::number(slider->value()) + suffix);
    label->setObjectName(slider->objectName() + u"Value"_s);
    label->setMinimumWidth(40);
    QObject::connect(slider, &QSlider::valueChanged, label, [label, suffix](int value) {
        label->setText(QString::number(value) + suffix);
    });
    return label;
}

QSpinBox* makeSpin(const QString& name, int minimum, int maximum, int value)
{
    auto* spin = new QSpinBox;
    spin->setObjectName(name);
    spin->setRange(minimum, maximum);
    spin->setValue(value);
    return spin;
}

QComboBox* makePlacementList(const QString& name, bool horizontal)
{
    auto* list = new QComboBox;
    list->setObjectName(name);
    if (horizontal) {
        list->addItems({u"links"_s, u"zentriert"_s, u"rechts"_s});
    } else {
        list->addItems({u"oben"_s, u"zentriert"_s, u"unten"_s});
    }
    return list;
}

QImage displayImage(const Picture& picture)
{
    return picture.kind() == PictureKind::Bitmap ? picture.image() : picture.renderedBitmap();
}

void PreviewPanel::setImage(const QImage& image)
{
    m_image = image;
    update();
}

void PreviewPanel::paintEvent(QPaintEvent* event)
{
    if (m_image.isNull() || width() <= 0 || height() <= 0) {
        return;
    }
    QPainter painter(this);
    // The source rectangle that maps onto the exposed part (point sampling, as the
    // result will look).
    const QRectF target = event->rect();
    const double sx = double(m_image.width()) / width();
    const double sy = double(m_image.height()) / height();
    const QRectF source(target.x() * sx, target.y() * sy, target.width() * sx,
                        target.height() * sy);
    painter.drawImage(target, m_image, source);
}
