// One gallery picture from source file to its two JPEGs and its page.
#include "gallery/picturejob.h"

#include "gallery/doublesize.h"
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
// corrections. A double-size version (`scale` its size over the large picture's) gets logo,
// text and offsets scaled alike, so it looks like the large picture at a higher resolution.
void prepareLargePicture(Picture& picture, const PictureSettings& settings, const Picture& logo,
                         double scale = 1, const Picture& logoSource = Picture())
{
    const ProjectSettings& s = settings.project;
    const auto scaled = [scale](int value) { return int(RoundHalfEven(value * scale)); };
    ToBitmap(picture);
    if (settings.hasLogo() && !logo.isEmpty()) {
        // Scaled from the logo as loaded where there is one: sharper than the sized logo.
        Picture sizedLogo = scale != 1 && !logoSource.isEmpty() ? logoSource : logo;
        if (scale != 1)
            ScalePicture(sizedLogo, scaled(logo.width()), scaled(logo.height()), false, 0);
        const QPoint at =
            LogoPosition(picture.width(), picture.height(), sizedLogo.width(), sizedLogo.height(),
                         s.wzH, s.wzV, scaled(s.wzL), scaled(s.wzT));
        BlendLogo(sizedLogo, picture, s.wzTrans, at.x(), at.y());
    }
    if (!s.bildText.isEmpty()) {
        QFont font = settings.bildFont;
        if (scale != 1) {
            if (font.pixelSize() > 0)
                font.setPixelSize(scaled(font.pixelSize()));
            else
                font.setPointSizeF(font.pointSizeF() * scale);
        }
        TextStamp(picture, s.bildText, font, s.bildFont.color, scaled(s.bildTextL),
                  scaled(s.bildTextT), s.bildTextH - 1, s.bildTextV - 1);
    }
    ApplyCorrections(picture, settings.corrections);
}

// Scales to exactly `size` with the run's scaler (nothing changes at that size already).
void scaleTo(Picture& picture, QSize size, bool smooth)
{
    ScalePicture(picture, size.width(), size.height(), false, 0, smooth);
}

} // namespace

PictureOutput makePicture(int i, const PictureTargets& targets, const GalleryLayout& layout,
                          const PictureSettings& settings, const Picture& logo,
                          const RunCache* cache, const QByteArray& logoIdentity,
                          const Picture& logoSource)
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
        // SaveJpeg forces ".jpg", which the plan's picture files end in; the pending name keeps
        // the final name's extension.
        out.largeFile = targets.large;
        out.smallFile = targets.small;
        // A final name the file system cannot take stops the picture before anything is
        // written, so none of its files is left half made.
        const QString& pageFile = targets.page;
        for (const QString& file : {out.largeFile, out.smallFile, pageFile}) {
            if (!file.isEmpty() && isFileNameTooLong(file)) {
                writing = true;
                throw LumiError(QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                                    .arg(file, fileNameTooLongReason()));
            }
        }
        const DoubleSizes* sizes =
            i < layout.doubleSizes.size() ? &layout.doubleSizes.at(i) : nullptr;
        const bool hasLarge2x = sizes && sizes->hasLarge2x();
        const bool hasSmall2x = sizes && sizes->hasSmall2x();
        if (hasLarge2x)
            out.large2xFile = targets.large2x;
        if (hasSmall2x)
            out.small2xFile = targets.small2x;
        for (const QString& file : {out.large2xFile, out.small2xFile}) {
            if (!file.isEmpty() && isFileNameTooLong(file)) {
                writing = true;
                throw LumiError(QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                                    .arg(file, fileNameTooLongReason()));
            }
        }
        // Reused only when every JPEG of the picture is written by it and still fresh; a
        // double-size version is recorded as a pair of its own.
        if (cache && !out.largeFile.isEmpty() && !out.smallFile.isEmpty() &&
            !out.large2xFile.isEmpty() == hasLarge2x && !out.small2xFile.isEmpty() == hasSmall2x) {
            out.fingerprint =
                pictureFingerprint(source, settings, logoIdentity, out.largeFile, out.smallFile);
            out.reused =
                cache->isFresh(out.largeFile, out.smallFile, out.fingerprint) &&
                (!hasLarge2x ||
                 cache->isFresh(out.large2xFile, out.large2xFile, out.fingerprint)) &&
                (!hasSmall2x || cache->isFresh(out.small2xFile, out.small2xFile, out.fingerprint));
        }
        QSize largeSize; // the large picture's pixel size, for pages that state it
        if (!out.reused) {
            const ProjectSettings& s = settings.project;
            Picture picture;
            Picture large2x;
            QString warning;
            if (hasLarge2x) {
                // One decode at the double size (the photo's own when that is smaller); the
                // large picture is reduced from it before either is stamped.
                const QSize box = sizes->large2x == sizes->photo ? QSize(0, 0) : sizes->large2x;
                LoadScaledPicture(large2x, source, box.width(), box.height(), s.smoothScale,
                                  &warning);
                scaleTo(large2x, sizes->large2x, s.smoothScale);
                ToBitmap(large2x);
                picture = large2x;
                scaleTo(picture, sizes->large, s.smoothScale);
                prepareLargePicture(large2x, settings, logo,
                                    double(sizes->large2x.width()) / sizes->large.width(),
                                    logoSource);
            } else {
                // Loaded and scaled in one: a JPEG is decoded only where the sampling looks.
                LoadScaledPicture(picture, source, s.picWidth, s.picHeight, s.smoothScale,
                                  &warning);
            }
            if (!warning.isEmpty())
                out.warning = QStringLiteral("%1: %2").arg(source, warning);
            prepareLargePicture(picture, settings, logo);
            largeSize = QSize(picture.width(), picture.height());
            writing = true;
            if (!out.largeFile.isEmpty())
                SaveJpeg(picture, addPending(out.largeFile, u'g'), s.qual);
            if (!out.large2xFile.isEmpty())
                SaveJpeg(large2x, addPending(out.large2xFile, u'G'), s.qual);
            writing = false;
            if (hasSmall2x) {
                // From the stamped large picture of the higher resolution, as the small
                // picture comes from the large one.
                Picture small2x = hasLarge2x ? std::move(large2x) : picture;
                scaleTo(small2x, sizes->small2x, s.smoothScale);
                writing = true;
                if (!out.small2xFile.isEmpty())
                    SaveJpeg(small2x, addPending(out.small2xFile, u'K'), s.qual);
                writing = false;
            }
            large2x.clear();
            ScalePicture(picture, s.tnWidth, s.tnHeight, true, 0, s.smoothScale);
            writing = true;
            if (!out.smallFile.isEmpty())
                SaveJpeg(picture, addPending(out.smallFile, u'k'), s.qual);
            writing = false;
        }
        // A reused large picture is still in place: its page reads the size from the file.
        const PicturePage page = buildPicturePage(i, layout, largeSize);
        writing = true;
        if (!pageFile.isEmpty())
            writePageFile(addPending(pageFile, u'h'), page.text, layout.mobilePages);
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
