// Reading and writing the program's settings by their declarations.
#include "util/programsettings.h"

#include "util/settingsstore.h"

#include <algorithm>

namespace {

QString serverKey(const QString& host, quint16 port)
{
    return host.toLower() + QLatin1Char('_') + QString::number(port);
}

template <typename T> T fromText(const ProgramSetting<T>& setting, const QString& text)
{
    if constexpr (std::is_same_v<T, QString>) {
        return text;
    } else if constexpr (std::is_same_v<T, int>) {
        bool numeric = false;
        const int value = text.toInt(&numeric);
        if (!numeric)
            return setting.defaultValue;
        if (value < setting.minimum || value > setting.maximum)
            return setting.outsideReadsDefault
                       ? setting.defaultValue
                       : std::clamp(value, setting.minimum, setting.maximum);
        return value;
    } else {
        if (text.isEmpty())
            return setting.defaultValue;
        if (setting.onlyTrueText)
            return text == setting.trueText;
        const QString word = text.trimmed().toLower();
        return word == setting.trueText.toString().toLower() ||
               (word.toInt() != 0 && word != QLatin1String("false"));
    }
}

template <typename T> QString toText(const ProgramSetting<T>& setting, const T& value)
{
    if constexpr (std::is_same_v<T, QString>)
        return value;
    else if constexpr (std::is_same_v<T, int>)
        return QString::number(value);
    else
        return (value ? setting.trueText : setting.falseText).toString();
}

template <typename T> T readAt(const ProgramSetting<T>& setting, const QString& key)
{
    QString missing;
    if constexpr (std::is_same_v<T, QString>)
        missing = setting.defaultValue.toString();
    return fromText(setting, readSetting(setting.section.toString(), key, missing));
}

template <typename T>
void writeAt(const ProgramSetting<T>& setting, const QString& key, const T& value)
{
    writeSetting(setting.section.toString(), key, toText(setting, value));
}

} // namespace

template <typename T> T readProgramSetting(const ProgramSetting<T>& setting)
{
    return readAt(setting, setting.key.toString());
}

template <typename T>
void writeProgramSetting(const ProgramSetting<T>& setting, const std::type_identity_t<T>& value)
{
    writeAt(setting, setting.key.toString(), value);
}

template <typename T>
T readServerSetting(const ProgramSetting<T>& setting, const QString& host, quint16 port)
{
    return readAt(setting, serverKey(host, port));
}

template <typename T>
void writeServerSetting(const ProgramSetting<T>& setting, const QString& host, quint16 port,
                        const std::type_identity_t<T>& value)
{
    writeAt(setting, serverKey(host, port), value);
}

#define LUMIVISTA_PROGRAM_SETTING_TYPE(T)                                                          \
    template T readProgramSetting<T>(const ProgramSetting<T>&);                                    \
    template void writeProgramSetting<T>(const ProgramSetting<T>&, const T&);                      \
    template T readServerSetting<T>(const ProgramSetting<T>&, const QString&, quint16);            \
    template void writeServerSetting<T>(const ProgramSetting<T>&, const QString&, quint16,         \
                                        const T&);
LUMIVISTA_PROGRAM_SETTING_TYPE(QString)
LUMIVISTA_PROGRAM_SETTING_TYPE(int)
LUMIVISTA_PROGRAM_SETTING_TYPE(bool)
#undef LUMIVISTA_PROGRAM_SETTING_TYPE
