// A project without a window: the values the settings controls hold, the picture list
// `Files`, and the settings list `lParam` with its companions `lDefault` and `lParamOld`.
// The window copies these values to and from its controls by walking the settings table;
// the command line edits them directly; the generation run reads a const copy.
#pragma once

#include "gallery/paramlist.h"
#include "gallery/settingstable.h"
#include "gallery/valueforms.h"

#include <QList>
#include <QString>
#include <QStringList>

class ProjectState
{
public:
    // The values the controls carry when the window is built ("form" values); `lDefault`
    // holds the start lines. Call applyStartSettings() before use as a project.
    ProjectState();

    // Once, when the program starts: applies the start lines and completes `lDefault`
    // to the full text of an untouched new project.
    void applyStartSettings();
    // A new project: `lParam` := `lDefault`, applied (which also empties `Files`).
    void newProject();

    // Rebuilds `lParam` from the current values and pictures.
    void SaveParam();
    // Rebuilds `lParam` and writes it to `fileName`; on success `lParamOld` := `lParam`.
    // Throws LumiError (with the system's message) when the file cannot be written.
    void SaveParam(const QString& fileName);
    // Applies `lParam` to the values and refills `Files` from its picture section.
    void LoadParam();
    // Reads `fileName` into `lParam` and `lParamOld`, then applies it. Throws LumiError
    // when the file cannot be read; everything then stays as it was.
    void LoadParam(const QString& fileName);

    // The close query's test: rebuilds `lParam` and tells whether it differs from both
    // `lDefault` (an untouched new project) and `lParamOld` (the last file text).
    bool hasUnsavedChanges();

    ParamList& lParam() { return m_lParam; }
    const ParamList& lParam() const { return m_lParam; }
    const QStringList& lDefault() const { return m_lDefault; }
    const QStringList& lParamOld() const { return m_lParamOld; }

    // The picture list: "path" or "path|caption" per entry, in gallery order.
    QStringList& Files() { return m_files; }
    const QStringList& Files() const { return m_files; }

    // Every setting as typed data: what a run or an upload works with.
    ProjectSettings settings() const;

    // Typed access by key (any case). An unknown key throws LumiError.
    // intValue: integers, choice positions, colours, and 0/1 for booleans.
    int intValue(const QString& key) const;
    bool boolValue(const QString& key) const;
    // Texts and paths as held; for other types the text form of the value.
    QString textValue(const QString& key) const;
    FontSpec fontValue(const QString& key) const;

    // Setters clamp numbers to the setting's range and replace line breaks in texts by
    // blanks (a line break would split the project line). Mismatched types throw.
    void setIntValue(const QString& key, int value);
    void setBoolValue(const QString& key, bool value);
    void setTextValue(const QString& key, const QString& value);
    void setFontValue(const QString& key, const FontSpec& value);

    // The value as written to the settings list ("1", "80", "Tahoma,B,12,65535", ...).
    QString valueText(const QString& key) const;
    // Applies a value text the way LoadParam reads it: numbers by TextToInt and clamped,
    // booleans by TextToBool, an empty font text leaves the font unchanged.
    void applyValueText(const QString& key, const QString& text);

private:
    // One setting's value; which member counts depends on the setting's type.
    struct Value
    {
        int number = 0;
        QString text;
        FontSpec font;
    };

    qsizetype rowOf(const QString& key) const;
    void applyRowText(qsizetype row, const QString& text);
    QString rowText(qsizetype row) const;

    QList<Value> m_values; // parallel to settingsTable()
    QStringList m_files;
    ParamList m_lParam;
    QStringList m_lDefault;
    QStringList m_lParamOld;
};

// The pictures a folder contributes ("Verzeichnis laden", `--folder`): its JPEG, then GIF,
// then BMP files, each group sorted by name. Files whose names are not valid in the system's
// encoding cannot be added; with `leftOut` they are named there (bytes escaped, see scanFolder).
QStringList folderPictures(const QString& folder, QStringList* leftOut = nullptr);
