// One gallery picture from source file to its two JPEGs and its page.
#include "gallery/picturejob.h"

#include "gallery/naming.h"
#include "gallery/pagefile.h"
#include "gallery/picturepage.h"
#include "gallery/runcache.h"
#include "pic/logo.h"
#include "pic/textstamp.h"
#include "util/error.h"
#include "util/fileops.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

PictureSettings PictureSettings::fromSettings(const ProjectSettings& project)
{
    return {.project = project,
            .bildFont = toQFont(project.bildFont),
            .corrections = {.brightness = project.hell,
                            .contrast = project.kontr,
                            .saturation = project.satt,
                            .red = project.red,
                            .green = project.green,
                            .blue = project.blue,
                            .greyscale = project.black,
                            .oldPhoto = project.old}};
}

QString pendingName(const QString& finalPath, int i, QChar kind)
{
    const QFileInfo info(finalPath);
    return info.path() + u'/' +
           pendingFileName(info.fileName(), QString::number(i) + kind + QChar(u'-'));
}

namespace {

void removeFiles(const QStringList& files)
{
    for (const QString& f : files)
        QFile::remove(f);
}

// The large picture as the run makes it from the scaled picture: a bitmap, logo, text,
// corrections.
void prepareLargePicture(Picture& picture, const PictureSettings& settings, const Picture& logo)
{
    const ProjectSettings& s = settings.project;
    ToBitmap(picture);
    if (settings.hasLogo() && !logo.isEmpty()) {
        const QPoint at = LogoPosition(picture.width(), picture.height(), logo.width(),
                                       logo.height(), s.wzH, s.wzV, s.wzL, s.wzT);
        BlendLogo(logo, picture, s.wzTrans, at.x(), at.y());
    }
    if (!s.bildText.isEmpty()) {
        TextStamp(picture, s.bildText, settings.bildFont, s.bildFont.color, s.bildTextL,
                  s.bildTextT, s.bildTextH - 1, s.bildTextV - 1);
    }
    ApplyCorrections(picture, settings.corrections);
}

} // namespace

PictureOutput makePicture(int i, const GalleryLayout& layout, const PictureSettings& settings,
                          const Picture& logo, const RunCache* cache,
                          const QByteArray& logoIdentity, PictureTargets targets)
{
    PictureOutput out;
    const GalleryNames& names = layout.names;
    const auto addPending = [&out, i](const QString& finalPath, QChar kind) {
        out.finalFiles << finalPath;
        out.tempFiles << pendingName(finalPath, i, kind);
        return out.tempFiles.last();
    };
    bool writing = false; // a failure now is one of the target, not of the source
    try {
        const QString source = GetPicName(QString(), i, names);
        // SaveJpeg forces ".jpg"; the pending name keeps the final name's extension.
        out.largeFile =
            replaceExtension(GetPicName(QStringLiteral("g"), i, names), QStringLiteral(".jpg"));
        out.smallFile =
            replaceExtension(GetPicName(QStringLiteral("k"), i, names), QStringLiteral(".jpg"));
        // A final name the file system cannot take stops the picture before anything is
        // written, so none of its files is left half made.
        const QString pageFile = GetPicName(QStringLiteral("h"), i, names);
        for (const auto& [file, written] :
             {std::pair{out.largeFile, targets.large}, std::pair{out.smallFile, targets.small},
              std::pair{pageFile, targets.page}}) {
            if (written && isFileNameTooLong(file)) {
                writing = true;
                throw LumiError(QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                                    .arg(file, fileNameTooLongReason()));
            }
        }
        if (cache && targets.large && targets.small) {
            out.fingerprint =
                pictureFingerprint(source, settings, logoIdentity, out.largeFile, out.smallFile);
            out.reused = cache->isFresh(out.largeFile, out.smallFile, out.fingerprint);
        }
        if (!out.reused) {
            Picture picture;
            // Loaded and scaled in one: a JPEG is decoded only where the sampling looks.
            QString warning;
            LoadScaledPicture(picture, source, settings.project.picWidth,
                              settings.project.picHeight, settings.project.smoothScale, &warning);
            if (!warning.isEmpty())
                out.warning = QStringLiteral("%1: %2").arg(source, warning);
            prepareLargePicture(picture, settings, logo);
            writing = true;
            if (targets.large)
                SaveJpeg(picture, addPending(out.largeFile, u'g'), settings.project.qual);
            writing = false;
            ScalePicture(picture, settings.project.tnWidth, settings.project.tnHeight, true, 0,
                         settings.project.smoothScale);
            writing = true;
            if (targets.small)
                SaveJpeg(picture, addPending(out.smallFile, u'k'), settings.project.qual);
            writing = false;
        }
        const PicturePage page = buildPicturePage(i, layout);
        writing = true;
        if (targets.page)
            writePageFile(addPending(pageFile, u'h'), page.text);
        writing = false;
        out.captionGiven = page.captionGiven;
        out.ok = true;
    } catch (const LumiError& e) {
        out.error = e.message();
    } catch (const std::exception& e) {
        out.error = QString::fromLocal8Bit(e.what());
    }
    if (!out.ok) {
        out.writeFailed = writing;
        // The reason names the file the gallery misses, never the pending name it was
        // written under.
        if (writing && !out.tempFiles.isEmpty())
            out.error.replace(out.tempFiles.last(), out.finalFiles.last());
        removeFiles(out.tempFiles);
    }
    return out;
}

bool commitPicture(const PictureOutput& output, QString* error)
{
    if (!output.ok)
        return false;
    for (qsizetype k = 0; k < output.tempFiles.size(); ++k) {
        // rename(2) replaces the old file in one step: a reader sees the old or the new one.
        const QByteArray from = QFile::encodeName(output.tempFiles[k]);
        const QByteArray to = QFile::encodeName(output.finalFiles[k]);
        if (std::rename(from.constData(), to.constData()) != 0) {
            const int code = errno;
            if (error) {
                *error =
                    QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                        .arg(output.finalFiles[k],
                             code == ENAMETOOLONG ? fileNameTooLongReason()
                                                  : QString::fromLocal8Bit(std::strerror(code)));
            }
            removeFiles(output.tempFiles.mid(k));
            // The files already moved belong to a picture the gallery does not get.
            removeFiles(output.finalFiles.mid(0, k));
            return false;
        }
    }
    return true;
}

void discardPicture(const PictureOutput& output)
{
    removeFiles(output.tempFiles);
}
