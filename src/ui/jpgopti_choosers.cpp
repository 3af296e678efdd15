// The optimiser's desktop dialogs.
#include "ui/jpgopti_choosers.h"

#include "pic/textstamp.h"
#include "ui/fontchoice.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QRegularExpression>

quint32 colourValue(const QColor& colour)
{
    return quint32(colour.red()) | (quint32(colour.green()) << 8) | (quint32(colour.blue()) << 16);
}

QStringList QtOptiChoosers::nameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i);
        // The description's own pattern list may be mistyped; the pattern field counts.
        description.remove(QRegularExpression(QStringLiteral("\\s*\\([^)]*\\)\\s*$")));
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        result.append(description + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return result;
}

QString QtOptiChoosers::openFile(QWidget* parent, const QString& caption, const QString& start,
                                 const QString& filter)
{
    QFileDialog dialog(parent, caption);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(nameFilters(filter));
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
    dialog.setNameFilters(nameFilters(filter));
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
    const QColor colour = QColorDialog::getColor(colourFromValue(initial.colour), parent, QString(),
                                                 QColorDialog::DontUseNativeDialog);
    if (colour.isValid()) {
        chosen.colour = colourValue(colour);
    }
    return chosen;
}

std::optional<quint32> QtOptiChoosers::chooseColour(QWidget* parent, quint32 initial)
{
    const QColor colour = QColorDialog::getColor(colourFromValue(initial), parent, QString(),
                                                 QColorDialog::DontUseNativeDialog);
    if (!colour.isValid()) {
        return std::nullopt;
    }
    return colourValue(colour);
}
