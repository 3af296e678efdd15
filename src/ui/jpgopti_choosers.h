// The file, font and colour dialogs of the optimiser window, behind one interface so that
// tests can answer them without a desktop.
#pragma once

#include "util/colourvalue.h"

#include <QFont>
#include <QString>

#include <optional>

class QWidget;

// A font with the colour the text is drawn in (0x00BBGGRR, negative: a system colour).
struct OptiFont
{
    QFont font;
    ColourValue colour;
};

class OptiChoosers
{
public:
    virtual ~OptiChoosers() = default;
    // Each returns an empty text or nullopt when the user cancels. Filters are written
    // as "Description|*.a;*.b|Description|*.c".
    // A file that must exist; `start` is the preselected file name.
    virtual QString openFile(QWidget* parent, const QString& caption, const QString& start,
                             const QString& filter) = 0;
    // Asks before an existing file is replaced; `defaultSuffix` is added to a bare name.
    virtual QString saveFile(QWidget* parent, const QString& caption, const QString& start,
                             const QString& filter, const QString& defaultSuffix) = 0;
    virtual std::optional<OptiFont> chooseFont(QWidget* parent, const OptiFont& initial) = 0;
    // A colour value 0x00BBGGRR.
    virtual std::optional<ColourValue> chooseColour(QWidget* parent, ColourValue initial) = 0;
};

// The desktop's dialogs: QFileDialog, QFontDialog followed by QColorDialog for the text
// colour, QColorDialog.
class QtOptiChoosers : public OptiChoosers
{
public:
    QString openFile(QWidget* parent, const QString& caption, const QString& start,
                     const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& caption, const QString& start,
                     const QString& filter, const QString& defaultSuffix) override;
    std::optional<OptiFont> chooseFont(QWidget* parent, const OptiFont& initial) override;
    std::optional<ColourValue> chooseColour(QWidget* parent, ColourValue initial) override;
};
