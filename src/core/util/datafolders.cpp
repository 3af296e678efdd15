// The data folders: system folders, folder keywords, the start-up computation with the
// portable switch, and listing the files of a folder.
#include "util/error.h"
#include "util/inifile.h"
#include "util/paths.h"
#include "util/programsettings.h"
#include "util/rawnames.h"
#include "util/textutil.h"
#include "util/version.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>

#ifndef Q_OS_WIN
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct Folders
{
    QString programDir;
    QString docDir;
    QString dataDir;
    int portable = -1;
    bool creatable = true; // false without a documents or home folder to hold them
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

    const auto base = [sep](const QString& folder) {
        return folder.isEmpty() ? QString() : withoutTrailingSeparator(folder, sep) + sep;
    };
    // Without a documents folder the home folder holds the documents. Without either,
    // nothing is created: the folders beside the program are for the portable switch only.
    QString docBase = base(env.documents);
    if (!isExistingFolder(docBase, env.style) && isExistingFolder(base(env.home), env.style))
        docBase = base(env.home);
    if (!isExistingFolder(docBase, env.style)) {
        result.creatable = false;
        if (docBase.isEmpty())
            docBase = base(env.home).isEmpty() ? QString(sep) : base(env.home);
    }
    QString appBase = base(env.appData);
    if (!isExistingFolder(appBase, env.style))
        appBase = docBase;

    QString titleFolder = title;
    titleFolder.replace(u'/', u'-');
    titleFolder += sep;
    result.docDir = docBase + titleFolder;
    result.dataDir = appBase + titleFolder;
    const QString besideProgram = result.programDir + QStringLiteral("data") + sep;

    result.portable = portable;
    if (result.portable < 0) {
        const QString value = ini::readValue(
            result.programDir + env.programName + QStringLiteral(".ini"), env.programName,
            kPortable.key.toString(), QString::number(kPortable.defaultValue));
        result.portable = leadingInt(value) > 0 ? 1 : 0;
    }
    if (result.portable > 0) {
        result.docDir = besideProgram;
        result.dataDir = result.programDir;
        result.creatable = true;
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

bool isDecodable(const QByteArray& name)
{
    return QFile::encodeName(QFile::decodeName(name)) == name;
}

// The name as text with every byte that is not part of a valid character written as "\xFF".
QString escapedName(const QByteArray& name)
{
    QString text;
    qsizetype i = 0;
    while (i < name.size()) {
        const auto lead = static_cast<unsigned char>(name.at(i));
        const int length = lead < 0x80             ? 1
                           : (lead & 0xE0) == 0xC0 ? 2
                           : (lead & 0xF0) == 0xE0 ? 3
                           : (lead & 0xF8) == 0xF0 ? 4
                                                   : 0;
        const QByteArray piece = name.mid(i, length);
        if (length > 0 && piece.size() == length && isDecodable(piece)) {
            text += QFile::decodeName(piece);
            i += length;
        } else {
            text += QStringLiteral("\\x") +
                    QStringLiteral("%1").arg(uint(lead), 2, 16, QLatin1Char('0')).toUpper();
            ++i;
        }
    }
    return text;
}

// The entries of `folder` (ending with the separator) that QDir leaves out because their
// names do not decode, filtered like QDir would: type and hidden by `filters`, the name by
// the wildcard `nameFilter` (ignoring case). Sorted by their bytes.
QList<QByteArray> undecodableEntries(const QString& folder, const QString& nameFilter,
                                     QDir::Filters filters)
{
    QList<QByteArray> names;
#ifndef Q_OS_WIN
    const QByteArray folderBytes = QFile::encodeName(folder);
    DIR* dir = ::opendir(folderBytes.constData());
    if (!dir)
        return names;
    const QRegularExpression wildcard(QRegularExpression::wildcardToRegularExpression(nameFilter),
                                      QRegularExpression::CaseInsensitiveOption);
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (isDecodable(name) || (name.startsWith('.') && !(filters & QDir::Hidden)))
            continue;
        struct stat st
        {
        };
        if (::stat((folderBytes + name).constData(), &st) != 0)
            continue;
        const bool wanted = S_ISREG(st.st_mode)   ? bool(filters & QDir::Files)
                            : S_ISDIR(st.st_mode) ? bool(filters & QDir::Dirs)
                                                  : bool(filters & QDir::System);
        if (wanted && wildcard.match(QFile::decodeName(name)).hasMatch())
            names.append(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
#else
    Q_UNUSED(folder)
    Q_UNUSED(nameFilter)
    Q_UNUSED(filters)
#endif
    return names;
}

bool hasListedExtension(const QString& name, const QString& extensions)
{
    return extensions.isEmpty() ||
           inList(QFileInfo(name).suffix().toLower().remove(u'.'), extensions, false);
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

QString userHome()
{
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty())
        return home;
#ifndef Q_OS_WIN
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return QFile::decodeName(entry->pw_dir);
#endif
    return {};
}

FolderEnvironment FolderEnvironment::system()
{
    FolderEnvironment env;
    env.programFile = programPath();
    env.home = userHome();
    // Qt knows the home only from HOME and would take the root folder for it.
    if (qEnvironmentVariableIsEmpty("HOME") && !env.home.isEmpty())
        qputenv("HOME", QFile::encodeName(env.home));
    if (!env.home.isEmpty()) {
        env.documents = specialFolder(kFolderDocuments);
        env.appData = specialFolder(kFolderAppData);
    }
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
    if (create && folders.creatable) {
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

bool isDecodableName(const QByteArray& name)
{
    return isDecodable(name);
}

QString escapedRawName(const QByteArray& name)
{
    return escapedName(name);
}

int scanFolder(QStringList& list, const QString& pattern, int depth, int attributes,
               const QString& extensions, QStringList* leftOut)
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
        if (hasListedExtension(entry.fileName(), extensions))
            list.append(folder + entry.fileName());
    }
    if (leftOut) {
        for (const QByteArray& name : undecodableEntries(folder, nameFilter, filters)) {
            if (hasListedExtension(QFile::decodeName(name), extensions))
                leftOut->append(folder + escapedName(name));
        }
    }

    if (depth > 0) {
        const QFileInfoList subFolders =
            dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, order);
        for (const QFileInfo& sub : subFolders)
            scanFolder(list, folder + sub.fileName() + sep + namePart, depth - 1, 0, extensions,
                       leftOut);
        // A sub-folder that cannot be entered leaves out whatever it holds.
        if (leftOut) {
            for (const QByteArray& name :
                 undecodableEntries(folder, QStringLiteral("*"), QDir::Dirs))
                leftOut->append(folder + escapedName(name) + sep);
        }
    }
    return int(list.size() - before);
}
