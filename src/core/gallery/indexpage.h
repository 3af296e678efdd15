// Index pages: the small pictures as a table, Col per row and Col x Row per page, each
// linking to its picture page, with links to the neighbouring index pages.
#pragma once

#include "gallery/gallerylayout.h"

#include <QString>
#include <QStringList>

// Number of index pages: (count - 1) div MaxPic + 1, 0 for an empty picture list.
int indexPageCount(const GalleryLayout& layout);

// File name of index page `p`: page 0 is the file name of indexDat, page p >= 1 that name
// with its extension replaced by p and ".htm" (index.htm, index1.htm, index2.htm ...).
QString PageName(int p, const GalleryLayout& layout);
// The same name as a link address (percent-encoded where a URL would break).
QString pageLink(int p, const GalleryLayout& layout);

// The tag of the small picture of entry `i`, at `position` on its index page (0 = first).
// Pages for phones carry the file's size and an alternative text, and load the pictures
// below the first screen lazily; the size is read from the small picture's file, so call it
// after the picture is written.
QString smallPictureTag(int i, int position, const GalleryLayout& layout);
// The table lines of index page `p`; cells carry captions when `captionCount` > 0 or
// PicDatBez is on.
QStringList indexTableLines(int p, const GalleryLayout& layout, int captionCount);
// The links to the previous and next index page.
QString indexNavigation(int p, const GalleryLayout& layout);
// The whole text of index page `p`, from the working index template.
QString buildIndexPage(int p, const GalleryLayout& layout, int captionCount);

// Writes index page `p` to `path`, its file in the output plan (overwriting). `captionCount`
// is the number of pictures of this run whose page had a caption. Throws LumiError when the
// page cannot be written.
void GenerateHTML(int p, const GalleryLayout& layout, int captionCount, const QString& path);
