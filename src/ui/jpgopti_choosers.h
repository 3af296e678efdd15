// The file, font and colour dialogs of the optimiser window, behind one interface so that
// tests can answer them without a desktop.
#pragma once

#include <QFont>
#include <QString>

#include <optional>

class QWidget;

// A font with the colour the text is drawn in (0x00BBGGRR, negative: a system colour).
struct OptiFont
{
    QFont font;
    qint64 colour = 0;
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
    virtual std::optional<quint32> chooseColour(QWidget* parent, quint32 initial) = 0;
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
    std::optional<quint32> chooseColour(QWidget* parent, quint32 initial) override;

    // "Alle (*.jpg;*gif)|*.jpg;*.gif|Bitmaps (*.bmp)|*.bmp" as Qt name filters:
    // "Alle (*.jpg *.gif)", "Bitmaps (*.bmp)" (the patterns come from the pattern field).
    static QStringList nameFilters(const QString& filter);
};

// 0x00BBGGRR values and colours.
quint32 colourValue(const QColor& colour);
