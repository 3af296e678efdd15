// The table of every project setting: key, control, type, range, form value and start
// value, in the order the settings are written to the project. The project file, the
// command line and the window's control binding all walk this one table.
#pragma once

#include "gallery/projectsettings.h"
#include "gallery/valueforms.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <limits>
#include <variant>

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

// The field of the typed snapshot that holds a setting; its type follows the setting's:
// bool for Bool, int for Int, Choice and Colour, FontSpec for Font, QString otherwise.
using SettingField = std::variant<bool ProjectSettings::*, int ProjectSettings::*,
                                  QString ProjectSettings::*, FontSpec ProjectSettings::*>;

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
    // A number outside the range is not brought into it but reads as the form value, and
    // the command line refuses it: FtpTls=7 must not turn into plain FTP.
    bool strictRange = false;
    SettingField field; // where the snapshot keeps it
};

// Every setting, in file order.
const QList<SettingDef>& settingsTable();

// The setting with `key` (compared case-insensitively), or nullptr.
const SettingDef* findSetting(const QString& key);
// Its row in settingsTable(), or -1.
qsizetype settingRow(const QString& key);
// The key of the setting a snapshot field holds: the one place a caller needs a key.
const QString& settingKey(SettingField field);

// One setting's value read from a text by the project file's rules. The project file, the
// command line and the window's controls all read values through readSettingValue.
struct SettingValue
{
    int number = 0; // Bool (0 or 1), Int, Choice, Colour: within the row's range
    QString text;   // Text, Path: one line; an empty text reads as the row's `whenEmpty`
    FontSpec font;  // Font: the given font with the text's fields applied
    // A number (or a font size) lay outside its range and was brought into it.
    bool clamped = false;
    // Empty when the text is a plain value of its form ("12px" reads 12 but is not a whole
    // number); otherwise why not. The file reads such texts anyway; the command line refuses.
    QString problem;
};

// Replaces CR and LF by blanks: what a one-line field may hold.
QString singleLine(const QString& text);

// Reads `text` for the setting `def`; a font text is applied to `font`.
SettingValue readSettingValue(const SettingDef& def, const QString& text,
                              const FontSpec& font = {});

// Key of a control: "ed" + key (edQual), otherwise "e" or "l" + key (eTnWidth, lParam);
// the test is case-sensitive. Other names are their own key.
QString keyOfControl(const QString& controlName);

// The start list `lDefault` before the first completion: "key=start" of every row with a
// start value, in table order.
const QStringList& startLines();
