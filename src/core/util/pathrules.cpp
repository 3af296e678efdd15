// The path rules: folder macros, a folder that names a file, bare extensions, drive-relative
// names, leading "..\" and relative names, for the Windows and the Posix style.
#include "util/paths.h"
#include "util/textutil.h"

#include <QFileInfo>
#include <algorithm>

namespace {

QString separatorText(const PathContext& context)
{
    return QString(context.separator());
}

// "C:" or "\\server\share" of a Windows path; nothing for Posix.
QString driveOf(const QString& path, PathStyle style)
{
    if (style != PathStyle::Windows)
        return {};
    if (path.size() >= 2 && path.at(1) == u':')
        return path.left(2);
    if (path.startsWith(QStringLiteral("\\\\"))) {
        const qsizetype server = path.indexOf(u'\\', 2);
        if (server < 0)
            return path;
        const qsizetype share = path.indexOf(u'\\', server + 1);
        return share < 0 ? path : path.left(share);
    }
    return {};
}

// Length of the root part ("C:\", "\\srv\share\", "/") that climbing up never removes;
// 0 for a relative folder.
qsizetype rootLength(const QString& folder, const PathContext& context)
{
    const QString drive = driveOf(folder, context.style);
    if (!drive.isEmpty())
        return drive.size() + 1;
    return folder.startsWith(context.separator()) ? 1 : 0;
}

bool isAbsoluteName(const QString& name, const PathContext& context)
{
    if (context.style == PathStyle::Windows)
        return name.contains(QStringLiteral("\\\\")) || name.contains(u':') ||
               name.startsWith(u'\\');
    return name.startsWith(u'/');
}

// Applies the folder macros; a folder that names a file stands for the folder part; the
// result ends with the separator unless it is empty.
QString prepareFolder(const QString& folder, const PathContext& context)
{
    const QString sep = separatorText(context);
    QString result = folder;
    if (folder.isEmpty() || folder == u"*")
        result = context.docDir;
    else if (folder == u"**")
        result = context.dataDir;
    else if (folder == u"#p")
        result = context.programDir;

    if (!result.contains(QStringLiteral(".."))) {
        const qsizetype firstDot = result.indexOf(u'.') + 1;
        const int lastSep = lastPos(sep, result);
        // A folder with a dot in its last part ("~/.config", "Fotos.2021") that exists is a
        // folder, not a file name.
        const bool existingFolder = context.style == kNativePathStyle && QFileInfo(result).isDir();
        if (firstDot > 3 && lastSep < lastPos(QStringLiteral("."), result) && !existingFolder)
            result = result.left(lastSep);
    }
    if (!result.isEmpty() && !result.endsWith(context.separator()))
        result += sep;
    return result;
}

// Drive prefix, leading "..\" and the final join of a name and a prepared folder.
QString joinName(QString name, QString folder, const PathContext& context)
{
    const QChar sep = context.separator();
    if (context.style == PathStyle::Windows && !name.contains(QStringLiteral("\\\\")) &&
        name.startsWith(sep))
        name.prepend(driveOf(folder, context.style));

    const QString up = QStringLiteral("..") + sep;
    const qsizetype root = rootLength(folder, context);
    while (name.startsWith(up)) {
        name.remove(0, up.size());
        if (folder.size() > root && folder.endsWith(sep))
            folder.chop(1);
        const int p = lastPos(QString(sep), folder);
        if (p >= root)
            folder = folder.left(p);
    }
    return isAbsoluteName(name, context) ? name : folder + name;
}

QString fixDoubledRootSeparator(const QString& name, const PathContext& context)
{
    if (context.style != PathStyle::Windows)
        return name;
    return replaceAll(name, QStringLiteral(":\\\\"), QStringLiteral(":\\"));
}

// Folder part of a name including its last separator (and a Windows drive colon).
QString folderPartOf(const QString& name, const PathContext& context)
{
    qsizetype p = name.lastIndexOf(context.separator());
    if (context.style == PathStyle::Windows)
        p = std::max(p, name.lastIndexOf(u':'));
    return name.left(p + 1);
}

} // namespace

QString resolvePath(const QString& name, const QString& folder, const PathContext& context)
{
    QString result = fixDoubledRootSeparator(name, context);
    if (result.isEmpty())
        return context.programFile;
    const QString preparedFolder = prepareFolder(folder, context);
    // ".ini" is an extension only; "./x" or ".\x" is a relative name.
    if (!result.contains(QStringLiteral("..")) && result.startsWith(u'.') &&
        !result.contains(context.separator()))
        result.prepend(context.programName);
    return joinName(result, preparedFolder, context);
}

QString resolvePath(const QString& name, const QString& folder)
{
    return resolvePath(name, folder, pathContext());
}

QString resolveFolder(const QString& name, const QString& folder, bool takeFolderOfName,
                      const PathContext& context)
{
    QString result = takeFolderOfName ? folderPartOf(name, context) : name;
    result = fixDoubledRootSeparator(result, context);
    // A folder name ending in ".." climbs like one ending in "..\".
    const QString up = QStringLiteral("..");
    if (result == up || result.endsWith(context.separator() + up))
        result += context.separator();
    result = joinName(result, prepareFolder(folder, context), context);
    if (!result.isEmpty() && !result.endsWith(context.separator()))
        result += context.separator();
    return result;
}

QString resolveFolder(const QString& name, const QString& folder, bool takeFolderOfName)
{
    return resolveFolder(name, folder, takeFolderOfName, pathContext());
}
