// Picture pages: the large picture, its caption and the links to the previous picture,
// the index page that lists it and the next picture.
#pragma once

#include "gallery/gallerylayout.h"

#include <QSize>
#include <QString>

struct PicturePage
{
    QString text;              // the whole page
    bool captionGiven = false; // the page carries a non-empty caption (counts for CaptionCount)
};

// The large-picture tag of entry `i`. Pages for phones carry its pixel size: `size`, or when
// that is invalid the size of the large picture's file.
QString pictureTag(int i, const GalleryLayout& layout, QSize size = {});
// Links to the previous picture, the index page listing entry `i`, and the next picture.
QString pictureNavigation(int i, const GalleryLayout& layout);
// The page of entry `i`, from the working picture template; `largeSize` as for pictureTag.
PicturePage buildPicturePage(int i, const GalleryLayout& layout, QSize largeSize = {});

// Writes the page of entry `i` to `path`, its file in the output plan (overwriting), and
// tells whether it had a caption; the run counts those to decide whether index cells show
// captions. Touches no shared state, so pages of different pictures may be written on
// different threads. Throws LumiError when the page cannot be written.
bool GeneratePicHTML(int i, const GalleryLayout& layout, const QString& path);
