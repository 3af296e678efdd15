// The tags of pages for phones and HiDPI screens: every picture tag of such a page is written
// by imgTag, so each one carries its size, an alternative text and, where given, a srcset.
#pragma once

#include <QSize>
#include <QString>

struct ImgTag
{
    QString src{};      // the address, as it goes into the page
    QSize size{};       // the file's pixel size; invalid: no width and height (size unknown)
    QString alt{};      // attribute text (see altText); empty for a decorative picture
    QString srcset{};   // e.g. "a@2x.jpg 2x"; empty: no srcset attribute
    bool lazy = false;  // loading="lazy" (for pictures below the first screen)
    QString cssClass{}; // empty: no class attribute
};

QString imgTag(const ImgTag& tag);

// Plain text made safe for a page's text or a quoted attribute value.
QString escapeHtml(const QString& plain);
// HTML text (a caption, a navigation text) with every "<" that starts no tag, comment or
// declaration written as "&lt;": browsers show such a "<" as it is, the HTML5 rules call it
// an error. "<---" becomes "&lt;---".
QString escapeStrayLessThan(const QString& html);
// The alternative text of a gallery picture: its caption (HTML: tags dropped, entities kept)
// or, without one, the file name without its extension.
QString altText(const QString& captionHtml, const QString& fileName);
// The pixel size of a picture file, read from its header (the pixels are not decoded);
// invalid when the file is missing or unreadable.
QSize pictureFileSize(const QString& path);
