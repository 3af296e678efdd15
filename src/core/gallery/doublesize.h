// Double-size pictures for HiDPI screens: with pages for phones and HiDPI screens, each small
// and large picture gets a version at twice its size in a sub-folder "2x" of its folder, with
// the same file name, and the pages offer it through srcset.
#pragma once

#include "util/paths.h"

#include <QSize>
#include <QString>

// The name of the sub-folder of the small- and large-picture folders that holds the
// double-size pictures.
inline constexpr char16_t kDoubleSizeFolder[] = u"2x";

// The sizes of one photo's pictures.
struct DoubleSizes
{
    QSize photo;            // the photo, upright
    QSize large, small;     // the pictures the gallery always has
    QSize large2x, small2x; // their double-size versions; empty when none is made

    bool hasLarge2x() const { return !large2x.isEmpty(); }
    bool hasSmall2x() const { return !small2x.isEmpty(); }
};

// The sizes for a photo of `photo` (upright) with the large-picture box picWidth x picHeight
// and the small-picture box tnWidth x tnHeight (0: automatic), by the arithmetic of
// ScalePicture: the large picture fits the photo into its box, the small one the large
// picture into its box. A double-size version is the same arithmetic with the box doubled,
// kept within the photo; there is none when the photo is not larger than the picture, nor
// when a size is above the limits.
DoubleSizes doubleSizes(QSize photo, int picWidth, int picHeight, int tnWidth, int tnHeight);

// The upright size of the picture in `path`, read from its header where the format allows
// (metafiles are loaded); empty when the file cannot be read as a picture.
QSize photoSize(const QString& path);

// The double-size version of the picture at `picturePath`: the same name in the sub-folder
// "2x" of its folder.
QString doubleSizePath(const QString& picturePath, PathStyle style = kNativePathStyle);

// The srcset value of a picture whose link address is `link` (relative, "/" separators,
// percent-encoded as linkAddress does): "image1/tn_x.jpg 1x, image1/2x/tn_x.jpg 2x".
// A comma is encoded as well, as srcset reads it as the end of a candidate.
QString srcsetValue(const QString& link);
