// The desktop's standard dialogs for the main window. The font dialog carries a colour
// button, because a project font includes its colour.
#include "ui/mainform_choosers.h"

#include "ui/fontchoice.h"
#include "ui/windowcolor.h"
#include "util/filefilter.h"

#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QString swatchStyle(int value)
{
    return u"QLabel { background-color: %1; border: 1px solid gray; }"_s.arg(
        colorFromValue(value).name(QColor::HexRgb));
}

QString desktopFilter(const QString& filter)
{
    return fileFilterNames(filter).join(u";;"_s);
}

// An open dialog for one existing file, or a save dialog that asks before replacing.
QString runFileDialog(QWidget* parent, const QString& caption, const QString& start,
                      const QString& filter, QFileDialog::AcceptMode mode,
                      const QString& defaultSuffix)
{
    QFileDialog dialog(parent, caption, start, desktopFilter(filter));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString QtChoosers::existingFolder(QWidget* parent, const QString& caption, const QString& start)
{
    return QFileDialog::getExistingDirectory(parent, caption, start);
}

QStringList QtChoosers::openFiles(QWidget* parent, const QString& caption, const QString& start,
                                  const QString& filter)
{
    return QFileDialog::getOpenFileNames(parent, caption, start, desktopFilter(filter));
}

QString QtChoosers::openFile(QWidget* parent, const QString& caption, const QString& start,
                             const QString& filter, const QString& defaultSuffix)
{
    return runFileDialog(parent, caption, start, filter, QFileDialog::AcceptOpen, defaultSuffix);
}

QString QtChoosers::saveFile(QWidget* parent, const QString& caption, const QString& start,
                             const QString& filter, const QString& defaultSuffix)
{
    return runFileDialog(parent, caption, start, filter, QFileDialog::AcceptSave, defaultSuffix);
}

std::optional<FontSpec> QtChoosers::chooseFont(QWidget* parent, const FontSpec& initial)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(u"Schriftart"_s);
    auto* layout = new QVBoxLayout(&dialog);

    // The font dialog is embedded as a plain widget without its own buttons.
    const QFont initialFont = toQFont(initial);
    auto* fonts = new QFontDialog(initialFont, &dialog);
    fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    fonts->setWindowFlags(Qt::Widget);
    layout->addWidget(fonts);
    closeWindowWithEmbeddedDialog(fonts, &dialog);
    const QFont shownAtOpen = fonts->currentFont();

    int colour = initial.color;
    auto* colourRow = new QHBoxLayout;
    auto* swatch = new QLabel(&dialog);
    swatch->setFixedSize(40, 20);
    swatch->setStyleSheet(swatchStyle(colour));
    auto* colourButton = new QPushButton(u"&Farbe..."_s, &dialog);
    colourRow->addWidget(new QLabel(u"Farbe:"_s, &dialog));
    colourRow->addWidget(swatch);
    colourRow->addWidget(colourButton);
    colourRow->addStretch();
    layout->addLayout(colourRow);
    QObject::connect(colourButton, &QPushButton::clicked, &dialog, [&] {
        const QColor chosen = QColorDialog::getColor(colorFromValue(colour), &dialog, u"Farbe"_s);
        if (chosen.isValid()) {
            colour = ColourValue::fromColor(chosen).value();
            swatch->setStyleSheet(swatchStyle(colour));
        }
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"Abbrechen"_s);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return fontSpecFromQFont(keepUnchosenFamily(initialFont, shownAtOpen, fonts->currentFont()),
                             colour);
}

std::optional<int> QtChoosers::chooseColor(QWidget* parent, int initial)
{
    const QColor chosen = QColorDialog::getColor(colorFromValue(initial), parent, u"Farbe"_s);
    if (!chosen.isValid())
        return std::nullopt;
    return ColourValue::fromColor(chosen).value();
}
