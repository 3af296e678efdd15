// Navigation pieces: link texts or picture tags, prepared once per run.
#include "gallery/navigation.h"

#include "gallery/htmltags.h"
#include "gallery/naming.h"
#include "gallery/outputplan.h"
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

QString NavImageTag(const QString& text, const OutputPlan& plan, const QString& folder,
                    const std::optional<QString>& mobileAlt)
{
    if (!namesNavPicture(text))
        return text;
    QString source = text;
    QSize size;
    const QString resolved = navPictureFile(text, folder);
    if (!resolved.isEmpty()) {
        const QString copy = plan.copyOf(resolved);
        if (!copy.isEmpty())
            copyFileTo(resolved, copy, LinkAtName::Replace);
        // Pages lie in the target folder beside the copy: its name is the whole address.
        source = linkAddress(QFileInfo(resolved).fileName());
        if (mobileAlt)
            size = pictureFileSize(copy.isEmpty() ? resolved : copy);
    }
    if (mobileAlt)
        return imgTag({.src = source, .size = size, .alt = *mobileAlt});
    return QStringLiteral("<img border=\"0\" src=\"") + source + QStringLiteral("\" alt=\"\">");
}

NavPieces prepareNavigation(const QString& pPrior, const QString& pNext, const QString& pIndex,
                            const QString& pTrenn, const OutputPlan& plan, const QString& folder,
                            bool mobilePages)
{
    const auto alt = [mobilePages](const QString& text) {
        return mobilePages ? std::optional<QString>(text) : std::nullopt;
    };
    NavPieces pieces;
    pieces.navP = NavImageTag(pPrior, plan, folder, alt(QStringLiteral("zurück")));
    pieces.navN = NavImageTag(pNext, plan, folder, alt(QStringLiteral("weiter")));
    pieces.navI = NavImageTag(pIndex, plan, folder, alt(QStringLiteral("Übersicht")));
    pieces.navT = NavImageTag(pTrenn, plan, folder, alt(QString()));
    if (!namesNavPicture(pTrenn))
        pieces.navT.replace(QChar(u' '), QStringLiteral("&nbsp;"));
    if (mobilePages) {
        for (QString* piece : {&pieces.navP, &pieces.navN, &pieces.navI, &pieces.navT})
            *piece = escapeStrayLessThan(*piece);
    }
    return pieces;
}
