// The table of every project setting: key, control, type, range, form value and start
// value, in the order the settings are written to the project. The project file, the
// command line and the window's control binding all walk this one table.
#pragma once

#include "gallery/valueforms.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <limits>

enum class SettingType
{
    Bool,   // check box: "1" / "0"
    Int,    // spin field or edit holding a number, clamped to [minimum, maximum]
    Choice, // combo box: zero-based position in `choices`
    Colour, // colour value 0x00BBGGRR, negative for system colours
    Font,   // font text "name,styles,size,colour"
    Text,   // edit field
    Path    // path field (file or folder)
};

struct SettingDef
{
    QString key;     // the key in the project file, e.g. "Qual"
    QString control; // the control's objectName, e.g. "edQual"
    SettingType type = SettingType::Text;
    int minimum = std::numeric_limits<int>::min();
    int maximum = std::numeric_limits<int>::max();
    QString form; // value of the control when the window is built
    bool hasStart = false;
    QString start;       // value in the start list `lDefault` (when hasStart)
    QStringList choices; // entries of a choice, in position order
    // Written after the picture section ("[End]"): the FTP window's fields.
    bool afterPictures = false;
    // Value an empty or missing text setting reads as (FtpPath reads "/").
    QString whenEmpty;
};

// Every setting, in file order.
const QList<SettingDef>& settingsTable();

// The setting with `key` (compared case-insensitively), or nullptr.
const SettingDef* findSetting(const QString& key);
// Its row in settingsTable(), or -1.
qsizetype settingRow(const QString& key);

// Key of a control: "ed" + key (edQual), otherwise "e" or "l" + key (eTnWidth, lParam);
// the test is case-sensitive. Other names are their own key.
QString keyOfControl(const QString& controlName);

// The start list `lDefault` before the first completion: exactly these lines, in order.
const QStringList& startLines();
