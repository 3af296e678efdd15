// Data folders (programDir, docDir, dataDir), folder macros and the path rules that turn
// short names ("bild.jpg", ".ini", "..\x", "*", "#p") into absolute paths.
#pragma once

#include <QString>
#include <QStringList>

// Windows: "\" separates, drives and "\\server\share" exist. Posix: "/" separates, a name
// starting with "/" is absolute, there are no drives.
enum class PathStyle
{
    Windows,
    Posix
};
#ifdef Q_OS_WIN
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

// Name of the program's own settings file ("lumivista.ini") and its section.
inline constexpr char16_t kProgramName[] = u"lumivista";

// Everything the path rules read: the style and the data folders (each with a trailing
// separator). The program-wide context is set by computeDataFolders; tests set their own.
struct PathContext
{
    PathStyle style = kNativePathStyle;
    QString programFile; // full path of the program file
    QString programName; // its name without folder and extension: settings files, ".ext"
    QString programDir;
    QString docDir;
    QString dataDir;

    QChar separator() const { return style == PathStyle::Windows ? u'\\' : u'/'; }
};

// The program-wide context. Read freely from any thread once start-up is done.
const PathContext& pathContext();
// Replaces the program-wide context (start-up, tests); returns the previous one.
PathContext setPathContext(const PathContext& context);
// Tests: sets docDir and dataDir of the program-wide context (separators appended).
void setDataFoldersForTest(const QString& docDir, const QString& dataDir);

// The data folders, each ending with the separator.
QString programDir();
QString docDir();
QString dataDir();
// True when the switch beside the program put documents and settings beside it.
bool isPortable();
// The title the folders were computed with ("Lumivista" after start-up).
QString programTitle();

// Where the data folders come from: the program file and the system folders.
struct FolderEnvironment
{
    PathStyle style = kNativePathStyle;
    QString programFile;
    QString programName = QString::fromUtf16(kProgramName);
    QString home;      // the user's home folder, without trailing separator
    QString documents; // specialFolder(5), without trailing separator
    QString appData;   // specialFolder(26), without trailing separator

    // The running program and the user's folders. A missing HOME is first set from the
    // password database, so that every lookup (also Qt's own) finds the user's home.
    static FolderEnvironment system();
};

// The user's home folder: HOME, or when it is unset or empty the password database's entry
// for the user, as other programs do; empty when neither names one.
QString userHome();

// Computes the data folders for `title` and makes them the program-wide context; the first
// call decides the portable flag (key "Portable" in [lumivista] of lumivista.ini beside the
// program). A missing documents folder falls back to the home folder; only the portable
// switch puts the folders beside the program. With `create`, dataDir and docDir are created
// (never without an existing documents or home folder to hold them) and docDir becomes the
// current folder. Never throws.
void computeDataFolders(const QString& title, bool create);
void computeDataFolders(const QString& title, bool create, const FolderEnvironment& env);
// Tests: makes the portable flag undetermined again.
void resetPortableForTest();

// System folder identifiers.
inline constexpr int kFolderDocuments = 5;
inline constexpr int kFolderAppData = 26;
inline constexpr int kFolderCommonAppData = 35;
// Path of a system folder without trailing separator; empty when it has none. An unknown
// identifier throws LumiError carrying it as code.
QString specialFolder(int id);
// "doc", "*", "*doc", "app", "dat", "**", "*app", "*dat", "adat", "aapp" (ASCII case
// ignored); "*"-forms append the separator and the title ("/" turned into "-"). Anything
// else (also "desk") yields an empty text. No trailing separator.
QString folderKeyword(const QString& keyword);

// Absolute file path of `name` against `folder` (macros: empty or "*" docDir, "**" dataDir,
// "#p" programDir; a folder that names a file stands for its folder). An empty name is the
// program file, a bare extension (".ini") gives the program's name with it, leading "..\"
// climb up to the root.
QString resolvePath(const QString& name, const QString& folder);
QString resolvePath(const QString& name, const QString& folder, const PathContext& context);
// Absolute folder path with trailing separator; with `takeFolderOfName` only the folder part
// of `name` counts.
QString resolveFolder(const QString& name, const QString& folder, bool takeFolderOfName = false);
QString resolveFolder(const QString& name, const QString& folder, bool takeFolderOfName,
                      const PathContext& context);

// Attribute bits for scanFolder: normal files always match; these add other entries.
inline constexpr int kAttrReadOnly = 0x01;
inline constexpr int kAttrHidden = 0x02;
inline constexpr int kAttrSystem = 0x04;
inline constexpr int kAttrDirectory = 0x10;
inline constexpr int kAttrArchive = 0x20;
inline constexpr int kAttrAnyFile = 0x3F;

// Appends folder + name of every entry matching `pattern` ("dir/*.jpg"; wildcards match
// case-insensitively, "*.*" matches every name) to `list`, sorted by name, and the matches in
// sub-folders down to `depth` levels (sub-folders with attributes 0). With `extensions` (a
// comma list such as "jpg,jpeg") only entries whose lower-cased extension without dots is in
// it. Returns the number of entries added; 0 for a missing folder.
// Entries whose names are not valid in the system's encoding cannot be opened by their
// decoded name and are never added; with `leftOut` each matching one is appended there as
// folder + name with the undecodable bytes escaped ("a\xFF.jpg").
int scanFolder(QStringList& list, const QString& pattern, int depth = 0, int attributes = 0,
               const QString& extensions = {}, QStringList* leftOut = nullptr);
