// One gallery picture from source file to its two JPEGs and its page.
#include "gallery/picturejob.h"

#include "gallery/naming.h"
#include "gallery/pagefile.h"
#include "gallery/picturepage.h"
#include "gallery/projectstate.h"
#include "gallery/runcache.h"
#include "pic/logo.h"
#include "pic/textstamp.h"
#include "util/error.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

PictureSettings PictureSettings::fromProject(const ProjectState& project)
{
    PictureSettings s;
    s.picWidth = project.intValue(QStringLiteral("PicWidth"));
    s.picHeight = project.intValue(QStringLiteral("PicHeight"));
    s.tnWidth = project.intValue(QStringLiteral("TnWidth"));
    s.tnHeight = project.intValue(QStringLiteral("TnHeight"));
    s.quality = project.intValue(QStringLiteral("Qual"));
    s.hasLogo = !project.textValue(QStringLiteral("WZImage")).isEmpty();
    s.logoH = project.intValue(QStringLiteral("WZH"));
    s.logoV = project.intValue(QStringLiteral("WZV"));
    s.logoL = project.intValue(QStringLiteral("WZL"));
    s.logoT = project.intValue(QStringLiteral("WZT"));
    s.logoTrans = project.intValue(QStringLiteral("WZTrans"));
    s.logoSize = project.intValue(QStringLiteral("WZSize"));
    s.bildText = project.textValue(QStringLiteral("BildText"));
    const FontSpec font = project.fontValue(QStringLiteral("BildFont"));
    s.bildFont = toQFont(font);
    s.bildFontColor = font.color;
    s.bildTextL = project.intValue(QStringLiteral("BildTextL"));
    s.bildTextT = project.intValue(QStringLiteral("BildTextT"));
    s.bildTextH = project.intValue(QStringLiteral("BildTextH"));
    s.bildTextV = project.intValue(QStringLiteral("BildTextV"));
    ColourCorrections& c = s.corrections;
    c.brightness = project.intValue(QStringLiteral("Hell"));
    c.contrast = project.intValue(QStringLiteral("Kontr"));
    c.saturation = project.intValue(QStringLiteral("Satt"));
    c.red = project.intValue(QStringLiteral("Red"));
    c.green = project.intValue(QStringLiteral("Green"));
    c.blue = project.intValue(QStringLiteral("Blue"));
    c.greyscale = project.boolValue(QStringLiteral("Black"));
    c.oldPhoto = project.boolValue(QStringLiteral("Old"));
    return s;
}

QString pendingName(const QString& finalPath, int i)
{
    const QFileInfo info(finalPath);
    return info.path() + QStringLiteral("/.lumivista-pending-%1-").arg(i) + info.fileName();
}

namespace {

void removeFiles(const QStringList& files)
{
    for (const QString& f : files)
        QFile::remove(f);
}

// The large picture as the run makes it from the scaled picture: a bitmap, logo, text,
// corrections.
void prepareLargePicture(Picture& picture, const PictureSettings& s, const Picture& logo)
{
    ToBitmap(picture);
    if (s.hasLogo && !logo.isEmpty()) {
        const QPoint at = LogoPosition(picture.width(), picture.height(), logo.width(),
                                       logo.height(), s.logoH, s.logoV, s.logoL, s.logoT);
        BlendLogo(logo, picture, s.logoTrans, at.x(), at.y());
    }
    if (!s.bildText.isEmpty()) {
        TextStamp(picture, s.bildText, s.bildFont, s.bildFontColor, s.bildTextL, s.bildTextT,
                  s.bildTextH - 1, s.bildTextV - 1);
    }
    ApplyCorrections(picture, s.corrections);
}

} // namespace

PictureOutput makePicture(int i, const GalleryLayout& layout, const PictureSettings& settings,
                          const Picture& logo, const RunCache* cache,
                          const QByteArray& logoIdentity)
{
    PictureOutput out;
    const GalleryNames& names = layout.names;
    const auto addPending = [&out, i](const QString& finalPath) {
        out.finalFiles << finalPath;
        out.tempFiles << pendingName(finalPath, i);
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
        if (cache) {
            out.fingerprint =
                pictureFingerprint(source, settings, logoIdentity, out.largeFile, out.smallFile);
            out.reused = cache->isFresh(out.largeFile, out.smallFile, out.fingerprint);
        }
        if (!out.reused) {
            Picture picture;
            // Loaded and scaled in one: a JPEG is decoded only where the sampling looks.
            LoadScaledPicture(picture, source, settings.picWidth, settings.picHeight);
            prepareLargePicture(picture, settings, logo);
            writing = true;
            SaveJpeg(picture, addPending(out.largeFile), settings.quality);
            writing = false;
            ScalePicture(picture, settings.tnWidth, settings.tnHeight, true, 0);
            writing = true;
            SaveJpeg(picture, addPending(out.smallFile), settings.quality);
            writing = false;
        }
        const PicturePage page = buildPicturePage(i, layout);
        writing = true;
        writePageFile(addPending(GetPicName(QStringLiteral("h"), i, names)), page.text);
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
        removeFiles(out.tempFiles);
    }
    return out;
}

bool commitPicture(const PictureOutput& output)
{
    if (!output.ok)
        return false;
    for (qsizetype k = 0; k < output.tempFiles.size(); ++k) {
        // rename(2) replaces the old file in one step: a reader sees the old or the new one.
        const QByteArray from = QFile::encodeName(output.tempFiles[k]);
        const QByteArray to = QFile::encodeName(output.finalFiles[k]);
        if (std::rename(from.constData(), to.constData()) != 0) {
            removeFiles(output.tempFiles.mid(k));
            return false;
        }
    }
    return true;
}

void discardPicture(const PictureOutput& output)
{
    removeFiles(output.tempFiles);
}
