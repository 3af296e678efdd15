// The data folders: system folders, folder keywords, the start-up computation with the
// portable switch, and listing the files of a folder.
#include "util/error.h"
#include "util/inifile.h"
#include "util/paths.h"
#include "util/textutil.h"
#include "util/version.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

struct Folders
{
    QString programDir;
    QString docDir;
    QString dataDir;
    int portable = -1;
};

QString withoutTrailingSeparator(QString path, QChar sep)
{
    while (path.size() > 1 && path.endsWith(sep))
        path.chop(1);
    return path;
}

bool isExistingFolder(const QString& path, PathStyle style)
{
    return style == kNativePathStyle && !path.isEmpty() && QFileInfo(path).isDir();
}

// The folder computation without side effects on the file system (it reads the switch).
Folders computeFolders(const QString& title, const FolderEnvironment& env, int portable)
{
    const QChar sep = env.style == PathStyle::Windows ? u'\\' : u'/';
    Folders result;
    const qsizetype lastSep = env.programFile.lastIndexOf(sep);
    result.programDir = env.programFile.left(lastSep + 1);

    QString docBase =
        env.documents.isEmpty() ? QString() : withoutTrailingSeparator(env.documents, sep) + sep;
    QString appBase =
        env.appData.isEmpty() ? QString() : withoutTrailingSeparator(env.appData, sep) + sep;
    if (!isExistingFolder(docBase, env.style))
        docBase = result.programDir;
    if (!isExistingFolder(appBase, env.style))
        appBase = docBase;

    QString titleFolder = title;
    titleFolder.replace(u'/', u'-');
    titleFolder += sep;
    result.docDir = docBase + titleFolder;
    result.dataDir = appBase + titleFolder;
    const QString besideProgram = result.programDir + QStringLiteral("data") + sep;
    if (docBase == result.programDir)
        result.docDir = besideProgram;

    result.portable = portable;
    if (result.portable < 0) {
        const QString value =
            ini::readValue(result.programDir + env.programName + QStringLiteral(".ini"),
                           env.programName, QStringLiteral("Portable"), QStringLiteral("0"));
        result.portable = leadingInt(value) > 0 ? 1 : 0;
    }
    if (result.portable > 0) {
        result.docDir = besideProgram;
        result.dataDir = result.programDir;
    }
    return result;
}

struct State
{
    PathContext context;
    int portable = -1;
    QString title;
};

PathContext contextFor(const FolderEnvironment& env, const Folders& folders)
{
    PathContext context;
    context.style = env.style;
    context.programFile = env.programFile;
    context.programName = env.programName;
    context.programDir = folders.programDir;
    context.docDir = folders.docDir;
    context.dataDir = folders.dataDir;
    return context;
}

// Until the start-up computes them, the folders are those of the default title, computed
// without creating anything or changing the current folder.
State initialState()
{
    const FolderEnvironment env = FolderEnvironment::system();
    const Folders folders = computeFolders(env.programName, env, -1);
    return State{contextFor(env, folders), folders.portable, env.programName};
}

State& state()
{
    static State s = initialState();
    return s;
}

} // namespace

const PathContext& pathContext()
{
    return state().context;
}

PathContext setPathContext(const PathContext& context)
{
    PathContext previous = state().context;
    state().context = context;
    return previous;
}

void setDataFoldersForTest(const QString& docDir, const QString& dataDir)
{
    PathContext& context = state().context;
    const QChar sep = context.separator();
    context.docDir = docDir.endsWith(sep) ? docDir : docDir + sep;
    context.dataDir = dataDir.endsWith(sep) ? dataDir : dataDir + sep;
}

QString programDir()
{
    return pathContext().programDir;
}

QString docDir()
{
    return pathContext().docDir;
}

QString dataDir()
{
    return pathContext().dataDir;
}

bool isPortable()
{
    return state().portable > 0;
}

QString programTitle()
{
    return state().title;
}

FolderEnvironment FolderEnvironment::system()
{
    FolderEnvironment env;
    env.programFile = programPath();
    env.documents = specialFolder(kFolderDocuments);
    env.appData = specialFolder(kFolderAppData);
    return env;
}

void computeDataFolders(const QString& title, bool create)
{
    computeDataFolders(title, create, FolderEnvironment::system());
}

void computeDataFolders(const QString& title, bool create, const FolderEnvironment& env)
{
    State& s = state();
    const QString usedTitle = title.isEmpty() ? env.programName : title;
    const Folders folders = computeFolders(usedTitle, env, s.portable);
    s.portable = folders.portable;
    s.title = usedTitle;
    s.context = contextFor(env, folders);
    if (env.style != kNativePathStyle)
        return;
    // Failures are silent: without docDir the current folder simply stays.
    if (create) {
        QDir().mkpath(folders.dataDir);
        if (!QDir().mkpath(folders.docDir))
            return;
    }
    if (QFileInfo(folders.docDir).isDir())
        QDir::setCurrent(folders.docDir);
}

void resetPortableForTest()
{
    state().portable = -1;
}

QString specialFolder(int id)
{
    switch (id) {
    case kFolderDocuments: {
        // Without a documents folder the home folder plays its part.
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return QFileInfo(documents).isDir() ? documents : QDir::homePath();
    }
    case kFolderAppData:
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    case kFolderCommonAppData: {
        const QStringList all =
            QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
        return all.size() > 1 ? all.at(1) : QStringLiteral("/etc/xdg");
    }
    default:
        throw LumiError(QStringLiteral("Unbekannter Systemordner %1").arg(id), id);
    }
}

QString folderKeyword(const QString& keyword)
{
    QString key = keyword;
    for (QChar& c : key) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    int id = -1;
    bool appendTitle = false;
    if (key == u"doc") {
        id = kFolderDocuments;
    } else if (key == u"*" || key == u"*doc") {
        id = kFolderDocuments;
        appendTitle = true;
    } else if (key == u"app" || key == u"dat") {
        id = kFolderAppData;
    } else if (key == u"**" || key == u"*app" || key == u"*dat") {
        id = kFolderAppData;
        appendTitle = true;
    } else if (key == u"adat" || key == u"aapp") {
        id = kFolderCommonAppData;
    } else {
        return {};
    }
    QString path = specialFolder(id);
    if (appendTitle && !path.isEmpty()) {
        QString title = programTitle();
        title.replace(u'/', u'-');
        path += pathContext().separator() + title;
    }
    return path;
}

int scanFolder(QStringList& list, const QString& pattern, int depth, int attributes,
               const QString& extensions)
{
    const QChar sep = pathContext().separator();
    const qsizetype split = pattern.lastIndexOf(sep);
    QString folder = pattern.left(split + 1);
    const QString namePart = pattern.mid(split + 1);
    // A pattern without folder is taken in the current folder.
    if (folder.isEmpty())
        folder = QDir::currentPath() + sep;
    const qsizetype before = list.size();
    const QDir dir(folder);
    if (namePart.isEmpty() || !dir.exists())
        return 0;

    QDir::Filters filters = QDir::Files;
    if (attributes & kAttrHidden)
        filters |= QDir::Hidden;
    if (attributes & kAttrSystem)
        filters |= QDir::System;
    if (attributes & kAttrDirectory)
        filters |= QDir::Dirs | QDir::NoDotAndDotDot;
    // "*.*" matches every name, also one without a dot; wildcards ignore case.
    const QString nameFilter = namePart == u"*.*" ? QStringLiteral("*") : namePart;
    const QDir::SortFlags order = QDir::Name | QDir::IgnoreCase;
    const QFileInfoList entries = dir.entryInfoList({nameFilter}, filters, order);
    for (const QFileInfo& entry : entries) {
        if (!extensions.isEmpty()) {
            const QString extension = entry.suffix().toLower().remove(u'.');
            if (!inList(extension, extensions, false))
                continue;
        }
        list.append(folder + entry.fileName());
    }

    if (depth > 0) {
        const QFileInfoList subFolders =
            dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, order);
        for (const QFileInfo& sub : subFolders)
            scanFolder(list, folder + sub.fileName() + sep + namePart, depth - 1, 0, extensions);
    }
    return int(list.size() - before);
}
