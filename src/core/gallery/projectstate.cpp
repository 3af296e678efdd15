// The headless project: SaveParam and LoadParam over the settings table.
#include "gallery/projectstate.h"

#include "gallery/projectfile.h"
#include "net/ftpaddress.h"
#include "util/error.h"
#include "util/paths.h"

namespace {

const QString kParamHeader = QStringLiteral("[Param]");
const QString kImagesHeader = QStringLiteral("[Images]");
const QString kEndHeader = QStringLiteral("[End]");

bool holdsNumber(SettingType type)
{
    return type == SettingType::Bool || type == SettingType::Int || type == SettingType::Choice ||
           type == SettingType::Colour;
}

bool holdsText(SettingType type)
{
    return type == SettingType::Text || type == SettingType::Path;
}

[[noreturn]] void wrongType(const SettingDef& def)
{
    throw LumiError(QStringLiteral("Einstellung %1 hat einen anderen Typ").arg(def.key));
}

} // namespace

ProjectState::ProjectState() : m_values(settingsTable().size()), m_lDefault(startLines())
{
    for (qsizetype row = 0; row < m_values.size(); ++row)
        applyRowText(row, settingsTable().at(row).form);
}

void ProjectState::applyStartSettings()
{
    m_lParam = ParamList(startLines());
    LoadParam();
    SaveParam();
    m_lDefault = m_lParam.lines();
}

void ProjectState::newProject()
{
    m_lParam = ParamList(m_lDefault);
    LoadParam();
}

void ProjectState::SaveParam()
{
    // Every key is new in the rebuilt list, so writing a setting appends it. The FTP lines
    // are appended directly rather than looked up: a picture line could carry their key.
    const QList<SettingDef>& table = settingsTable();
    ParamList list;
    list.append(kParamHeader);
    for (qsizetype row = 0; row < table.size(); ++row) {
        if (!table.at(row).afterPictures)
            list.setValue(table.at(row).key, rowText(row));
    }
    list.append(kImagesHeader);
    for (const QString& entry : m_files)
        list.append(singleLine(entry));
    list.append(kEndHeader);
    // A password typed into the FTP address was for the login only: never written.
    const ProjectSettings current = settings();
    const FtpAddressFields ftp = withoutAddressPassword(current.ftpServer, current.ftpUser);
    for (qsizetype row = 0; row < table.size(); ++row) {
        const SettingDef& def = table.at(row);
        QString text = rowText(row);
        if (def.field == SettingField(&ProjectSettings::ftpServer))
            text = ftp.address;
        else if (def.field == SettingField(&ProjectSettings::ftpUser))
            text = ftp.user;
        // A number at its start value (FtpTls=0) is left out: the files of projects that
        // never chose it stay as they were, and they read the same without the line.
        if (holdsNumber(def.type) && text == def.form)
            continue;
        if (def.afterPictures && !text.isEmpty())
            list.append(def.key + u'=' + text);
    }
    m_lParam = list;
}

void ProjectState::SaveParam(const QString& fileName)
{
    SaveParam();
    writeProjectFile(fileName, m_lParam.lines());
    m_lParamOld = m_lParam.lines();
}

void ProjectState::LoadParam()
{
    for (qsizetype row = 0; row < m_values.size(); ++row)
        applyRowText(row, m_lParam.value(settingsTable().at(row).key));
    m_files = m_lParam.pictureEntries();
}

void ProjectState::LoadParam(const QString& fileName)
{
    const QStringList lines = readProjectFile(fileName);
    m_lParam = ParamList(lines);
    m_lParamOld = lines;
    LoadParam();
}

bool ProjectState::hasUnsavedChanges()
{
    SaveParam();
    return m_lParam.lines() != m_lDefault && m_lParam.lines() != m_lParamOld;
}

qsizetype ProjectState::rowOf(const QString& key) const
{
    const qsizetype row = settingRow(key);
    if (row < 0)
        throw LumiError(QStringLiteral("Unbekannte Einstellung: %1").arg(key));
    return row;
}

void ProjectState::applyRowText(qsizetype row, const QString& text)
{
    Value& value = m_values[row];
    const SettingValue read = readSettingValue(settingsTable().at(row), text, value.font);
    value.number = read.number;
    value.text = read.text;
    value.font = read.font;
}

QString ProjectState::rowText(qsizetype row) const
{
    const SettingDef& def = settingsTable().at(row);
    const Value& value = m_values.at(row);
    switch (def.type) {
    case SettingType::Bool:
    case SettingType::Int:
    case SettingType::Choice:
    case SettingType::Colour:
        return QString::number(value.number);
    case SettingType::Font:
        return FontToText(value.font);
    case SettingType::Text:
    case SettingType::Path:
        break;
    }
    return value.text;
}

ProjectSettings ProjectState::settings() const
{
    ProjectSettings settings;
    const QList<SettingDef>& table = settingsTable();
    for (qsizetype row = 0; row < table.size(); ++row) {
        const Value& value = m_values.at(row);
        std::visit(
            [&](auto field) {
                using Field = decltype(settings.*field);
                if constexpr (std::is_same_v<Field, bool&>)
                    settings.*field = value.number != 0;
                else if constexpr (std::is_same_v<Field, int&>)
                    settings.*field = value.number;
                else if constexpr (std::is_same_v<Field, FontSpec&>)
                    settings.*field = value.font;
                else
                    settings.*field = value.text;
            },
            table.at(row).field);
    }
    return settings;
}

int ProjectState::intValue(const QString& key) const
{
    const qsizetype row = rowOf(key);
    if (!holdsNumber(settingsTable().at(row).type))
        wrongType(settingsTable().at(row));
    return m_values.at(row).number;
}

bool ProjectState::boolValue(const QString& key) const
{
    return intValue(key) != 0;
}

QString ProjectState::textValue(const QString& key) const
{
    return rowText(rowOf(key));
}

FontSpec ProjectState::fontValue(const QString& key) const
{
    const qsizetype row = rowOf(key);
    if (settingsTable().at(row).type != SettingType::Font)
        wrongType(settingsTable().at(row));
    return m_values.at(row).font;
}

void ProjectState::setIntValue(const QString& key, int value)
{
    const qsizetype row = rowOf(key);
    const SettingDef& def = settingsTable().at(row);
    if (!holdsNumber(def.type))
        wrongType(def);
    m_values[row].number = qBound(def.minimum, value, def.maximum);
}

void ProjectState::setBoolValue(const QString& key, bool value)
{
    const qsizetype row = rowOf(key);
    if (settingsTable().at(row).type != SettingType::Bool)
        wrongType(settingsTable().at(row));
    m_values[row].number = value ? 1 : 0;
}

void ProjectState::setTextValue(const QString& key, const QString& value)
{
    const qsizetype row = rowOf(key);
    const SettingDef& def = settingsTable().at(row);
    if (!holdsText(def.type))
        wrongType(def);
    m_values[row].text = value.isEmpty() ? def.whenEmpty : singleLine(value);
}

void ProjectState::setFontValue(const QString& key, const FontSpec& value)
{
    const qsizetype row = rowOf(key);
    if (settingsTable().at(row).type != SettingType::Font)
        wrongType(settingsTable().at(row));
    // Keep the font writable as a font text: no comma in the name, a readable size.
    FontSpec font = value;
    font.name = singleLine(font.name).remove(u',');
    font.size = qBound(1, font.size, kMaxFontPoints);
    m_values[row].font = font;
}

QString ProjectState::valueText(const QString& key) const
{
    return rowText(rowOf(key));
}

void ProjectState::applyValueText(const QString& key, const QString& text)
{
    applyRowText(rowOf(key), text);
}

QStringList folderPictures(const QString& folder, QStringList* leftOut)
{
    static const QStringList patterns = {QStringLiteral("*.jpg"), QStringLiteral("*.gif"),
                                         QStringLiteral("*.bmp")};
    const QString prefix =
        folder.endsWith(pathContext().separator()) ? folder : folder + pathContext().separator();
    QStringList found;
    for (const QString& pattern : patterns)
        scanFolder(found, prefix + pattern, 0, 0, {}, leftOut);
    return found;
}
