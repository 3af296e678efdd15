// The optimiser's desktop dialogs.
#include "ui/jpgopti_choosers.h"

#include "ui/fontchoice.h"
#include "util/filefilter.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>

QString QtOptiChoosers::openFile(QWidget* parent, const QString& caption, const QString& start,
                                 const QString& filter)
{
    QFileDialog dialog(parent, caption);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(fileFilterNames(filter));
    if (!start.isEmpty()) {
        dialog.selectFile(start);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

QString QtOptiChoosers::saveFile(QWidget* parent, const QString& caption, const QString& start,
                                 const QString& filter, const QString& defaultSuffix)
{
    QFileDialog dialog(parent, caption);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(fileFilterNames(filter));
    dialog.setDefaultSuffix(defaultSuffix);
    if (!start.isEmpty()) {
        dialog.selectFile(start);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

std::optional<OptiFont> QtOptiChoosers::chooseFont(QWidget* parent, const OptiFont& initial)
{
    QFontDialog dialog(initial.font, parent);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    const QFont shownAtOpen = dialog.currentFont();
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    OptiFont chosen{keepUnchosenFamily(initial.font, shownAtOpen, dialog.currentFont()),
                    initial.colour};
    // The font dialog has no colour field; the colour dialog follows (cancel keeps it).
    const QColor colour = QColorDialog::getColor(initial.colour.toColor(), parent, QString(),
                                                 QColorDialog::DontUseNativeDialog);
    if (colour.isValid()) {
        chosen.colour = ColourValue::fromColor(colour);
    }
    return chosen;
}

std::optional<ColourValue> QtOptiChoosers::chooseColour(QWidget* parent, ColourValue initial)
{
    const QColor colour = QColorDialog::getColor(initial.toColor(), parent, QString(),
                                                 QColorDialog::DontUseNativeDialog);
    if (!colour.isValid()) {
        return std::nullopt;
    }
    return ColourValue::fromColor(colour);
}
