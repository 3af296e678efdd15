// Small building blocks of the optimiser window: controls with their names and ranges,
// the start font and the picture shown for a Picture.
#pragma once

#include "pic/picture.h"
#include "ui/jpgopti_choosers.h"

#include <QImage>
#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QSlider;
class QSpinBox;

// Filter of the open dialog ("Bild öffnen"), also for "Bild wählen..." and "Maske wählen...".
extern const QString kOpenFilter;
extern const QString kJpegFilter;
extern const QString kGifFilter;
// The window-text system colour.
inline constexpr ColourValue kWindowTextColour = -16777208;

// Arial, 13 pixels high, regular, in the window-text colour.
OptiFont startFont();
// A horizontal slider named `name` with ticks every `tickInterval`.
QSlider* makeSlider(const QString& name, int minimum, int maximum, int value, int tickInterval);
// A label named `name` + "Value" that shows the slider's value (and `suffix`).
QLabel* makeValueLabel(QSlider* slider, const QString& suffix = {});
QSpinBox* makeSpin(const QString& name, int minimum, int maximum, int value);
// A placement list: "links", "zentriert", "rechts" or "oben", "zentriert", "unten".
QComboBox* makePlacementList(const QString& name, bool horizontal);
// The pixels shown for a picture: a bitmap as it is, other kinds drawn onto white.
QImage displayImage(const Picture& picture);

// The preview panel: its picture stretched to the panel's size. Only the part being
// painted is scaled, so a panel of twice a camera photo's size costs no extra memory.
class PreviewPanel : public QWidget
{
public:
    using QWidget::QWidget;
    void setImage(const QImage& image);
    const QImage& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};
