// The navigation pieces of a run: the texts of the previous, next, index and separator
// links, or picture tags when a setting names a picture file.
#pragma once

#include <QString>

#include <optional>

struct OutputPlan;

struct NavPieces
{
    QString navP; // link content to the previous page
    QString navN; // link content to the next page
    QString navI; // link content back to the index page
    QString navT; // separator between links
};

// True when `text` names a picture by its extension (.gif, .jpg, .jpeg, .png, any case).
bool namesNavPicture(const QString& text);

// The picture file a navigation text names (resolved against `folder`, empty: the document
// folder) when it names a picture that exists; empty otherwise. The run copies it into the
// target folder under its own file name.
QString navPictureFile(const QString& text, const QString& folder = {});

// A navigation text as HTML. A text naming a picture becomes an img tag: the file, resolved
// against `folder` (empty: the document folder), is copied where `plan` puts it (the target
// folder, under its own name; nothing is copied onto itself) and the tag addresses the copy
// by its file name, so the gallery keeps working wherever it is copied; a picture that does
// not exist keeps its text as typed. Any other text is returned unchanged (it is HTML). A
// link at the copy's name is replaced. A failing copy throws LumiError. With `mobileAlt`
// (pages for phones and HiDPI screens) the tag is written by imgTag with the copy's size and
// that alternative text.
QString NavImageTag(const QString& text, const OutputPlan& plan, const QString& folder = {},
                    const std::optional<QString>& mobileAlt = std::nullopt);

// The four pieces of a run from the settings PPrior, PNext, PIndex and PTrenn; the blanks of
// a text separator become "&nbsp;". Call once per run, before the first page. `mobilePages`:
// picture tags for pages for phones, their alternative texts "zurück", "Übersicht", "weiter"
// (the separator is decorative).
NavPieces prepareNavigation(const QString& pPrior, const QString& pNext, const QString& pIndex,
                            const QString& pTrenn, const OutputPlan& plan,
                            const QString& folder = {}, bool mobilePages = false);
