// The standard dialogs the main window asks for files, folders, fonts and colours, behind
// one interface so that tests can answer them without a desktop.
#pragma once

#include "gallery/valueforms.h"

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// The filter of the picture open dialogs: the formats the picture loader reads.
inline const QString kPictureFilter =
    QStringLiteral("Bilder|*.jpg;*.jpeg;*.gif;*.png;*.bmp;*.tif;*.tiff;*.ico;*.wmf;*.emf|"
                   "Alle Dateien|*");

class UiChoosers
{
public:
    virtual ~UiChoosers() = default;
    // Each returns an empty text / list / nullopt when the user cancels. Filters are
    // written "Description|*.a;*.b|Description|*.c".
    virtual QString existingFolder(QWidget* parent, const QString& caption,
                                   const QString& start) = 0;
    virtual QStringList openFiles(QWidget* parent, const QString& caption, const QString& start,
                                  const QString& filter) = 0;
    // A file that must exist.
    virtual QString openFile(QWidget* parent, const QString& caption, const QString& start,
                             const QString& filter, const QString& defaultSuffix = {}) = 0;
    // Asks before an existing file is replaced; `defaultSuffix` is added to a name without
    // one.
    virtual QString saveFile(QWidget* parent, const QString& caption, const QString& start,
                             const QString& filter, const QString& defaultSuffix) = 0;
    // Face, styles, size and colour of a font.
    virtual std::optional<FontSpec> chooseFont(QWidget* parent, const FontSpec& initial) = 0;
    // A colour value 0x00BBGGRR.
    virtual std::optional<int> chooseColor(QWidget* parent, int initial) = 0;
};

// The desktop's dialogs (QFileDialog, QFontDialog with a colour button, QColorDialog).
class QtChoosers : public UiChoosers
{
public:
    QString existingFolder(QWidget* parent, const QString& caption, const QString& start) override;
    QStringList openFiles(QWidget* parent, const QString& caption, const QString& start,
                          const QString& filter) override;
    QString openFile(QWidget* parent, const QString& caption, const QString& start,
                     const QString& filter, const QString& defaultSuffix = {}) override;
    QString saveFile(QWidget* parent, const QString& caption, const QString& start,
                     const QString& filter, const QString& defaultSuffix) override;
    std::optional<FontSpec> chooseFont(QWidget* parent, const FontSpec& initial) override;
    std::optional<int> chooseColor(QWidget* parent, int initial) override;
};
