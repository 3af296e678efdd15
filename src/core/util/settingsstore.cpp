// The settings store: single ini values addressed by section, key, folder and file.
#include "util/settingsstore.h"
#include "util/error.h"
#include "util/fileops.h"
#include "util/inifile.h"
#include "util/paths.h"
#include "util/textutil.h"

#include <QDir>
#include <QFileInfo>

namespace {

struct Address
{
    QString section;
    QString path;
};

Address resolveAddress(const QString& section, const QString& folder, const QString& file)
{
    const PathContext& context = pathContext();
    Address address;
    address.section = section.isEmpty() ? context.programName : section;
    address.path = resolvePath(file.isEmpty() ? QStringLiteral(".ini") : file,
                               folder.isEmpty() ? QStringLiteral("**") : folder, context);
    return address;
}

[[noreturn]] void failWrite(const QString& path, const QString& reason)
{
    throw LumiError(QStringLiteral("Die Einstellungsdatei \"%1\" kann nicht geschrieben werden: %2")
                        .arg(path, reason));
}

} // namespace

QString readSetting(const QString& section, const QString& key, const QString& defaultValue,
                    const QString& folder, const QString& file)
{
    const Address address = resolveAddress(section, folder, file);
    return ini::readValue(address.path, address.section, key, defaultValue);
}

bool writeSetting(const QString& section, const QString& key, const QString& value,
                  const QString& folder, const QString& file)
{
    const Address address = resolveAddress(section, folder, file);
    const QString reason = ini::invalidReason(address.section, key, value);
    if (!reason.isEmpty())
        failWrite(address.path, reason);

    if (ini::readValue(address.path, address.section, key, QString()) == value)
        return true;

    const QFileInfo info(address.path);
    QStringList lines;
    if (info.exists()) {
        const auto existing = ini::readLines(address.path);
        if (!existing)
            failWrite(address.path, QStringLiteral("die Datei kann nicht gelesen werden"));
        lines = *existing;
    }
    ini::setValue(lines, address.section, key, value);

    if (!QDir().mkpath(info.absolutePath()))
        failWrite(address.path, QStringLiteral("der Ordner kann nicht angelegt werden"));
    // A temporary file renamed over the old one: a failed write leaves the old file intact.
    QString failure;
    if (!replaceFileContents(address.path, ini::serialize(lines), &failure))
        failWrite(address.path, failure);
    return true;
}

bool writeSetting(const QString& section, const QString& key, qint64 value, const QString& folder,
                  const QString& file)
{
    return writeSetting(section, key, intStr(value), folder, file);
}
