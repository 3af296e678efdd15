// The work for one gallery picture: load, scale, logo, text, corrections, the large and
// the small JPEG and the picture page. A pure function of the entry and read-only
// settings, so the generation run can do several pictures at once on worker threads.
#pragma once

#include "gallery/gallerylayout.h"
#include "gallery/projectsettings.h"
#include "pic/colour.h"
#include "pic/picture.h"

#include <QFont>
#include <QString>
#include <QStringList>

// The picture settings of a run, read once before the first picture.
struct PictureSettings
{
    ProjectSettings project; // the run's snapshot
    QFont bildFont;          // its `bildFont`, ready for drawing
    ColourCorrections corrections;

    bool hasLogo() const { return !project.wzImage.isEmpty(); } // the logo text is not empty
    static PictureSettings fromSettings(const ProjectSettings& project);
};

// The files one picture produced under temporary names, and where they belong.
struct PictureOutput
{
    bool ok = false; // false: the picture was skipped (unreadable, unwritable)
    bool captionGiven = false;
    QStringList tempFiles;    // written files, in the order they are moved into place
    QStringList finalFiles;   // their final names
    QString error;            // why the picture was skipped
    QString warning;          // what was left out of a picture made anyway (a colour profile)
    bool writeFailed = false; // skipped because a file could not be written (a full disk)
    bool reused = false;      // the JPEGs of the last run were still right; only the page is new
    QString largeFile, smallFile;     // final names of the two JPEGs, when written
    QString large2xFile, small2xFile; // final names of their double-size versions, when written
    QByteArray fingerprint;           // what decided their pixels (see RunCache); empty when the
                                      // picture does not write both, which then go unrecorded
};

class RunCache;

// The temporary name a run writes `finalPath` of picture `i` under until the picture is
// complete: a hidden file beside it that keeps the extension and fits wherever the final name
// fits. The index and the kind ('g' large, 'k' small, 'h' page) keep any two outputs of a run
// from sharing it, also two outputs of one picture that resolve to the same file ('G' and 'K'
// for the double-size versions).
QString pendingName(const QString& finalPath, int i, QChar kind);

// The files of a picture its job writes, as the output plan lists them; empty for an output
// that a later picture or an index page writes again (left to that one, so every file of the
// gallery has one writer) and for a double-size version the layout does not have.
struct PictureTargets
{
    QString large;
    QString small;
    QString page;
    QString large2x;
    QString small2x;
};

// Makes picture `i` of the layout's picture list into its two JPEGs (and, where the layout
// has them, their double-size versions: decoded once at the double size, the pictures at
// their own size reduced from it) and its page, all under
// temporary names; files not among `targets` are not written (the picture is still loaded,
// so an unreadable one is skipped as on any run). Never throws: a failure gives ok = false
// and removes what was written. With a cache, a picture that writes both JPEGs, which the
// last run made from the same source and settings and which are still as it left them, is
// not decoded again: only its page is written. `logoSource` is the logo as loaded, before
// its size setting: the double-size versions get their logo from it when given.
PictureOutput makePicture(int i, const PictureTargets& targets, const GalleryLayout& layout,
                          const PictureSettings& settings, const Picture& logo,
                          const RunCache* cache = nullptr, const QByteArray& logoIdentity = {},
                          const Picture& logoSource = Picture());

// Moves the files of one picture under their final names (replacing older ones). False
// when a move failed, with the reason naming the final file in `error`; the pending files
// and those of the picture already moved are then removed.
bool commitPicture(const PictureOutput& output, QString* error = nullptr);
// Removes the pending files of a picture that is not committed.
void discardPicture(const PictureOutput& output);
