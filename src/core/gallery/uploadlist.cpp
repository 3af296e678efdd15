// The gallery's files as upload entries, relative to its target folder.
#include "gallery/uploadlist.h"

#include "gallery/doublesize.h"
#include "util/localfiles.h"
#include "util/paths.h"

QStringList galleryUploadFiles(const QString& target, const QString& tnPath, const QString& picPath)
{
    QStringList files = localUploadFiles(target, target);
    if (target.isEmpty())
        return files;
    const QString folder = resolveFolder(target, QString());
    for (const QString& sub : {tnPath, picPath}) {
        if (!sub.isEmpty())
            files += localUploadFiles(folder + sub, target);
    }
    // The double-size pictures for HiDPI screens, in the sub-folder "2x" of each picture
    // folder (the target folder's own when one is not named). Listed after the folder they
    // are in, so that one is made on the server first: MKD makes one level only.
    for (const QString& sub : {tnPath, picPath}) {
        const QString pictures = sub.isEmpty() ? folder : resolveFolder(sub, folder);
        files += localUploadFiles(doubleSizePath(pictures, pathContext().style), target);
    }
    return withoutDuplicateFiles(files, target);
}
