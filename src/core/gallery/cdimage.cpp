// The CD image: starter copy and autorun.inf.
#include "gallery/cdimage.h"

#include "gallery/pagefile.h"
#include "gallery/templates.h"
#include "starter/starterdata.h"
#include "util/error.h"
#include "util/fileops.h"
#include "util/paths.h"

#include <QFileInfo>

namespace {

const QString kStarterName = QStringLiteral("index.exe");

} // namespace

QStringList autorunLines()
{
    return {QStringLiteral("[autorun]"), QStringLiteral("open=index.exe"),
            QStringLiteral("icon=index.exe,0")};
}

QByteArray builtInStarter()
{
    const std::span<const unsigned char> bytes = builtInStarterExe();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

bool installStarter(const QString& folder)
{
    const QString path = resolvePath(kStarterName, folder);
    const QByteArray starter = builtInStarter();
    if (starter.isEmpty() || QFileInfo::exists(path))
        return false;
    writeFileAtomically(path, starter);
    return true;
}

void GenerateCD(const QString& starterPath, const QString& autorunPath, const QString& folder)
{
    const QString source = resolvePath(kStarterName, folder);
    try {
        installStarter(folder);
    } catch (const LumiError&) {
        // Reported below as the missing starter it leaves behind.
    }
    if (!QFileInfo(source).isFile()) {
        QString message = QStringLiteral("Fehler beim \u00D6ffnen der Quelldatei \"") + source +
                          QStringLiteral("\"");
        if (builtInStarter().isEmpty())
            message += QStringLiteral("\r\nDer CD-Starter index.exe fehlt: das Programm wurde "
                                      "ohne den Windows-Cross-Compiler "
                                      "(x86_64-w64-mingw32-gcc) gebaut.");
        throw LumiError(message);
    }
    if (!starterPath.isEmpty())
        copyFileTo(source, starterPath, LinkAtName::Replace);
    writeTextFile(autorunPath, joinPageLines(autorunLines()));
}
