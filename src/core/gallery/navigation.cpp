// Navigation pieces: link texts or picture tags, prepared once per run.
#include "gallery/navigation.h"

#include "gallery/naming.h"
#include "util/fileops.h"
#include "util/paths.h"

#include <QFileInfo>

bool namesNavPicture(const QString& text)
{
    const QString name = fileNameOf(text).toLower();
    const qsizetype dot = name.lastIndexOf(QChar(u'.'));
    if (dot < 0)
        return false;
    const QString extension = name.mid(dot);
    return extension == u".gif" || extension == u".jpg" || extension == u".jpeg" ||
           extension == u".png";
}

QString navPictureFile(const QString& text, const QString& folder)
{
    if (!namesNavPicture(text))
        return {};
    const QString resolved = resolvePath(text, folder);
    return QFileInfo(resolved).isFile() ? resolved : QString();
}

QString NavImageTag(const QString& text, const QString& exportPath, const QString& folder)
{
    if (!namesNavPicture(text))
        return text;
    QString source = text;
    const QString resolved = navPictureFile(text, folder);
    if (!resolved.isEmpty()) {
        const QString name = QFileInfo(resolved).fileName();
        copyFileTo(resolved, exportPath + name, LinkAtName::Replace);
        // Pages lie in the target folder beside the copy: its name is the whole address.
        source = linkAddress(name);
    }
    return QStringLiteral("<img border=\"0\" src=\"") + source + QStringLiteral("\" alt=\"\">");
}

NavPieces prepareNavigation(const QString& pPrior, const QString& pNext, const QString& pIndex,
                            const QString& pTrenn, const QString& exportPath, const QString& folder)
{
    NavPieces pieces;
    pieces.navP = NavImageTag(pPrior, exportPath, folder);
    pieces.navN = NavImageTag(pNext, exportPath, folder);
    pieces.navI = NavImageTag(pIndex, exportPath, folder);
    pieces.navT = NavImageTag(pTrenn, exportPath, folder);
    if (!namesNavPicture(pTrenn))
        pieces.navT.replace(QChar(u' '), QStringLiteral("&nbsp;"));
    return pieces;
}
