// The style sheet font.css: background colour and the fonts of title, text and links.
// Every page links it; the run writes it once, before the first picture.
#pragma once

#include "gallery/gallerylayout.h"

#include <QStringList>

// The nine lines of font.css, without line breaks; pages for phones and HiDPI screens add the
// rules of mobileStyleLines.
QStringList styleSheetLines(const GalleryLayout& layout);

// Writes the style sheet to `path`, its file in the output plan (overwriting). Throws
// LumiError when it cannot be written.
void GenerateCss(const GalleryLayout& layout, const QString& path);
