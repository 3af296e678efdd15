// Page templates: the built-in index and picture templates, user templates, and the
// preparation every page gets (generator comment, style-sheet link, date and time).
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

// The built-in templates, one text line per entry.
QStringList mIndex();
QStringList mBild();

// Template lines joined into one page text, every line followed by CR LF.
QString joinPageLines(const QStringList& lines);
// Text split into lines at CR LF, LF or CR; a final line break ends the last line.
QStringList splitPageLines(const QString& text);

// The clock and formats of a run: every page of one run carries the same date and time.
struct PageStamp
{
    QDateTime datZeit;                  // the moment the run started
    QLocale locale = QLocale::system(); // short date and long time formats
    QString version;                    // the program version for the generator comment
    QString homeUrl;                    // the vendor's web address for the generator comment

    // A stamp with the program's version and home page and the system locale.
    static PageStamp forRun(const QDateTime& datZeit);

    QString date() const; // short date
    QString time() const; // long time, without a time-zone name
    // Short date, a blank and the long time; the time is left out at exactly midnight.
    QString dateTime() const;
};

// Prepares one page text in place: the generator comment after the first ">" of "<html",
// the style-sheet link before "</head", then "[Datum]" and "[Zeit]" (exact case).
void HTMLInit(QString& page, const PageStamp& stamp);

// The working templates of a run: the user's files when given and readable, else the
// built-in ones.
struct PageTemplates
{
    QStringList index;
    QStringList picture;
    QStringList problems; // why a user template was not used (empty when all went well)
    QString unreadFile;   // the user template that could not be read (empty when none)
};

// Reads a user template: a byte-order mark selects the encoding; otherwise valid UTF-8 is
// read as UTF-8 and anything else as Windows-1252. Throws LumiError when unreadable.
QStringList readTemplateFile(const QString& path);

// The template choice of a run: `vorIndex` and `vorBild` are the user template paths
// (already resolved; empty for the built-in ones). Both are read in one guarded step: when
// the index template fails, the picture template is not read either. An empty result falls
// back to the built-in template (with `mobilePages` the one for phones and HiDPI screens).
PageTemplates chooseTemplates(const QString& vorIndex, const QString& vorBild,
                              bool mobilePages = false);

// Writes the built-in templates as "index.htm" and "bild.htm" into `folder` (empty: the
// document folder), each only when that file does not exist yet; called at start-up. Throws
// LumiError when a missing file cannot be written.
void writeBuiltInTemplates(const QString& folder = {});
