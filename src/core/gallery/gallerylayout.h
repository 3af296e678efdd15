// The plain input of the page writers: everything a generation run has resolved and read
// from the settings before the first picture. The run fills one GalleryLayout, then calls
// the page functions with it; none of them changes it, so per-picture calls may run on
// worker threads side by side.
//
// The calls a run makes, in this order; every file is written at the path the output plan
// (outputplan.h) lists for it:
//   1. Resolve the folders into layout.names (exportPath, tnPath, bildPath, with trailing
//      separators), apply the "tn_" rule for equal folders and prefixes, set
//      layout.indexDat = indexDatFor(exportPath, Index setting, CDImage), and plan the outputs.
//   2. layout.nav = prepareNavigation(PPrior, PNext, PIndex, PTrenn, plan) (copies
//      navigation pictures into the target folder; may throw LumiError).
//   3. const PageTemplates t = chooseTemplates(resolved VorIndex, resolved VorBild);
//      layout.indexTemplate = t.index; layout.pictureTemplate = t.picture.
//   4. layout.stamp = PageStamp::forRun(DatZeit); fill titel, col, row, rahmen, bgColor and
//      the three CSS font texts (FontToText(font, true)).
//   5. GenerateCss(layout, its path) (throws LumiError: the run ends with the message).
//   6. Per picture i, after its two JPEGs: captionGiven[i] = GeneratePicHTML(i, layout, its
//      page's path) (throws LumiError: that picture is skipped). Thread-safe.
//   7. After the last picture, unless cancelled: CaptionCount = number of true entries of
//      captionGiven; for p in 0 .. indexPageCount(layout) - 1: GenerateHTML(p, layout,
//      CaptionCount, its path) (a LumiError skips that page).
//   8. With CDImage: GenerateCD(starter's path, autorun.inf's path) (throws LumiError: the
//      run ends).
#pragma once

#include "gallery/doublesize.h"
#include "gallery/naming.h"
#include "gallery/navigation.h"
#include "gallery/templates.h"

#include <QList>
#include <QString>
#include <QStringList>

struct GalleryLayout
{
    GalleryNames names;          // picture list, naming settings, resolved folders
    QString indexDat;            // full path of the first index page
    int col = 4;                 // pictures per table row, at least 1
    int row = 4;                 // table rows per index page, at least 1
    int rahmen = 1;              // border width of the table and the large picture
    QString titel;               // gallery title
    NavPieces nav;               // prepared navigation pieces (HTML)
    QStringList indexTemplate;   // working index template (lines)
    QStringList pictureTemplate; // working picture template (lines)
    PageStamp stamp;             // run date and time, version, vendor address
    int bgColor = 0;             // page background, 0x00BBGGRR
    QString titelFontCss;        // CSS font texts of TitelFont, Font and NaviFont
    QString fontCss;
    QString naviFontCss;
    // Pages for phones and HiDPI screens (the MobilePages setting): HTML5 pages in UTF-8 from
    // the templates of mobilepage.h, every picture tag with its size and an alternative
    // text, the font texts with font stacks. Off: the classic pages.
    bool mobilePages = false;
    // Per picture entry, with pages for phones and HiDPI screens: the sizes of its pictures
    // and whether they have double-size versions. Empty otherwise: no double sizes.
    QList<DoubleSizes> doubleSizes;

    // Pictures per index page (Col x Row).
    int maxPic() const;
};

// The srcset value of picture entry `i`'s large (else small) picture, offering its
// double-size version ("image1/tn_x.jpg 1x, image1/2x/tn_x.jpg 2x"); empty when it has none.
QString pictureSrcset(int i, bool large, const GalleryLayout& layout);
