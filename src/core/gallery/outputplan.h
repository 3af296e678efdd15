// Every file a generation run will write, worked out before it writes or deletes anything.
// The run refuses when one of them is an original (a source picture, the project, a template,
// the logo, a navigation picture), keeps "Dateien vorher löschen" away from originals, and
// gives every output file exactly one writer: the one that writes it last on one thread.
// The plan is the one place that forms an output's path: the writers are handed the paths
// it lists, so no file of a run escapes the check.
#pragma once

#include "gallery/gallerylayout.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <utility>

class FileKeys;

enum class OutputKind
{
    NavPicture,   // a navigation picture copied into the target folder
    StyleSheet,   // font.css
    LargePicture, // of picture entry `index`
    SmallPicture,
    PicturePage,
    IndexPage,      // index page `index`
    CdStarter,      // index.exe
    CdAutorun,      // autorun.inf
    LargePicture2x, // the double-size versions of picture entry `index`'s pictures
    SmallPicture2x,
};

struct PlannedOutput
{
    OutputKind kind;
    QString path;          // full path of the file
    int index = -1;        // picture entry or index page; -1 for the others
    QString copiedFrom;    // NavPicture, CdStarter: the file copied there
    QString key;           // the file on disk (FileKeys::entryKey)
    int supersededBy = -1; // position of the later output that writes the same file
};

// The files of a run in the order a run on one thread writes them: navigation pictures,
// font.css, per picture its large and small picture, their double-size versions (where the
// layout has them) and its page, the index pages, the CD files.
struct OutputPlan
{
    QList<PlannedOutput> outputs;

    // Positions in `outputs` of each picture entry's large picture, small picture, page, and
    // double-size large and small picture (-1: none).
    QList<std::array<int, 5>> pictureOutputs;
    // The double-size files that the pictures of the list have when made, and that this plan
    // does not write: an earlier run may have left them (per entry, large before small).
    QStringList unplannedDoubleSizes;

    // False when a later output writes the file of picture `entry`'s output `kind`.
    bool writes(int entry, OutputKind kind) const;
    // The file picture `entry`'s output `kind` writes; empty when it has none or a later
    // output writes that file.
    QString writtenPath(int entry, OutputKind kind) const;
    // The file of the output of `kind` (and index page `index`); empty when there is none.
    QString path(OutputKind kind, int index = -1) const;
    // Where the navigation picture `source` (resolved) is copied; empty when the plan has no
    // copy of it (it would be copied onto itself).
    QString copyOf(const QString& source) const;
    // Outputs that write one file, as pairs (overwritten, surviving) of positions, one pair
    // for any two sources.
    QList<std::pair<int, int>> clashes() const;
};

// What the run writes besides pictures and pages: the navigation pictures that exist, and
// with a CD image the starter it copies.
struct ExtraOutputs
{
    QStringList navPictures; // resolved source files
    bool cdImage = false;
    QString starter; // resolved source of index.exe
};

// The first index page: `exportPath` + the file name of `indexSetting`, with ".htm" added
// when it has no extension; "index.htm" for a CD image, whatever the setting says, and for
// an empty setting. Folders in the setting are dropped, so no page lands outside the target.
QString indexDatFor(const QString& exportPath, const QString& indexSetting, bool cdImage);
// Full path of index page `p`.
QString indexPagePath(int p, const GalleryLayout& layout);
// The folders a run writes into: the small- and large-picture folders, the target, and the
// double-size folders of the first two.
QStringList outputFolders(const GalleryNames& names);

// The plan of a run; `layout` needs names, indexDat, col and row. A file that an output
// copies onto itself is left out: nothing is written there.
OutputPlan planOutputs(const GalleryLayout& layout, const ExtraOutputs& extra, FileKeys& keys);

// The originals among the outputs: the protected files that a planned output would replace
// (the same file, a hard link of it, the same name in a folder that folds case), in plan
// order, each once.
QStringList overwrittenOriginals(const OutputPlan& plan, const QStringList& protectedFiles,
                                 FileKeys& keys);

// "gleiche Ausgabedatei ...": one text per clash, naming the two sources (picture source
// paths, the index page, font.css ...) and the file.
QStringList clashWarnings(const OutputPlan& plan, const GalleryNames& names);
