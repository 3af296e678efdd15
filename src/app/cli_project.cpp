// `lumivista project ...`: creating and editing project files from scripts. Every
// argument is checked before the project file is written, so a bad argument leaves it
// untouched.
#include "cli.h"

#include "gallery/projectfile.h"
#include "gallery/projectstate.h"
#include "gallery/settingstable.h"
#include "gallery/valueforms.h"
#include "util/error.h"
#include "util/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <cstdio>

namespace {

// A bad argument or a missing or unreadable input: exit status 2.
struct UsageError
{
    QString message;
    bool withUsage = false; // an unknown option: the usage follows the message
};

// The command line also takes a choice by its name ("rechts") and a colour as "#RRGGBB";
// everything else is read as the project file reads it.
QString numberSpelling(const SettingDef& def, const QString& text)
{
    for (qsizetype i = 0; i < def.choices.size(); ++i) {
        if (def.choices.at(i).compare(text, Qt::CaseInsensitive) == 0)
            return QString::number(i);
    }
    static const QRegularExpression html(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    if (def.type == SettingType::Colour && html.match(text).hasMatch())
        return QString::number(HtmlToColor(text));
    return text;
}

QString valueProblem(const SettingDef& def, const QString& text, const QString& problem)
{
    const QString shown = singleLine(text) == text ? u'"' + text + u'"' : QStringLiteral("a value");
    if (def.type == SettingType::Choice)
        return def.key + QStringLiteral(": ") + shown + QStringLiteral(" is not one of ") +
               def.choices.join(QStringLiteral(", ")) +
               QStringLiteral(" (or 0 to %1)").arg(def.choices.size() - 1);
    QString message = def.key + QStringLiteral(": ") + shown + u' ' + problem;
    if (def.type == SettingType::Font)
        message += QStringLiteral(" (expected name,styles,size,colour such as Tahoma,B,12,65535)");
    return message;
}

// Applies "Key=Value" to `state`: a value the project file would not hold as written is
// refused; one outside its range is clamped as the file clamps it, with a note on stderr.
void applyAssignment(ProjectState& state, const QString& verb, const QString& argument)
{
    const qsizetype eq = argument.indexOf(u'=');
    if (eq <= 0)
        throw UsageError{QStringLiteral("\"") + argument + QStringLiteral("\" is not Key=Value")};
    const QString key = argument.left(eq);
    const SettingDef* def = findSetting(key);
    if (!def)
        throw UsageError{QStringLiteral("unknown setting \"") + key +
                         QStringLiteral("\" (see `lumivista project show`)")};
    const QString value = numberSpelling(*def, argument.mid(eq + 1));
    const SettingValue read = readSettingValue(*def, value);
    if (!read.problem.isEmpty())
        throw UsageError{valueProblem(*def, argument.mid(eq + 1), read.problem)};
    // A font text changes only the fields it names; an empty one leaves the font alone.
    state.applyValueText(def->key, value);
    if (read.clamped) {
        const QString range =
            def->type == SettingType::Font
                ? QStringLiteral("has a size above %1").arg(kMaxFontPoints)
                : QStringLiteral("is outside %1 to %2").arg(def->minimum).arg(def->maximum);
        QTextStream(stderr) << "lumivista project " << verb << ": " << def->key << ": "
                            << argument.mid(eq + 1) << " " << range << ", set to "
                            << state.valueText(def->key) << "\n";
    }
}

// An entry line holds a path and, after "|", a caption: a path with "|" or a line break
// would be read back as another path.
bool isStorablePath(const QString& path)
{
    return !path.contains(u'|') && !path.contains(u'\r') && !path.contains(u'\n');
}

// Adds a file or the pictures of a folder; returns the number of entries added.
int addPictures(ProjectState& state, const QString& argument)
{
    const QFileInfo info(argument);
    if (info.isDir()) {
        QStringList leftOut;
        const QStringList found =
            folderPictures(QDir::cleanPath(info.absoluteFilePath()), &leftOut);
        if (!leftOut.isEmpty()) {
            QTextStream err(stderr);
            err << "lumivista project: left out " << leftOut.size()
                << " files whose names are not valid in the system's encoding:\n";
            for (const QString& name : leftOut)
                err << "  " << name << "\n";
        }
        int added = 0;
        for (const QString& path : found) {
            if (!isStorablePath(path)) {
                QTextStream(stderr) << "lumivista project: skipped \"" << path
                                    << "\" (\"|\" or a line break in its name)\n";
                continue;
            }
            state.Files().append(path);
            ++added;
        }
        return added;
    }
    if (!info.exists())
        throw UsageError{QStringLiteral("no such file or folder: ") + argument};
    if (!info.isFile())
        throw UsageError{QStringLiteral("not a file or folder: ") + argument};
    const QString path = QDir::cleanPath(info.absoluteFilePath());
    if (!isStorablePath(path))
        throw UsageError{QStringLiteral("\"|\" or a line break in the name cannot be stored: ") +
                         argument};
    state.Files().append(path);
    return 1;
}

// A regular file that is empty or reads as a project (a link: the file it names).
bool isReplaceableByNewProject(const QFileInfo& existing)
{
    if (!existing.isFile())
        return false;
    if (existing.size() == 0)
        return true;
    try {
        readProjectFile(existing.filePath());
        return true;
    } catch (const LumiError&) {
        return false;
    }
}

ProjectState loadProject(const QString& fileName)
{
    ProjectState state;
    state.applyStartSettings();
    try {
        state.LoadParam(fileName);
    } catch (const LumiError& e) {
        throw UsageError{e.message()};
    }
    return state;
}

int projectNew(const QStringList& args)
{
    const QString fileName = args.first();
    ProjectState state;
    state.applyStartSettings();
    int added = 0;
    bool force = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == u"--force") {
            force = true;
        } else if (arg == u"--folder" || arg == u"--target") {
            if (i + 1 >= args.size())
                throw UsageError{arg + QStringLiteral(" needs a folder")};
            const QString folder = args.at(++i);
            if (arg == u"--folder") {
                if (!QFileInfo(folder).isDir())
                    throw UsageError{QStringLiteral("no such folder: ") + folder};
                added += addPictures(state, folder);
            } else {
                // A folder typed in a shell means the current folder, not the documents.
                state.setTextValue(settingKey(&ProjectSettings::ziel),
                                   QDir::cleanPath(QDir::current().absoluteFilePath(folder)));
            }
        } else if (arg.startsWith(QLatin1String("--"))) {
            throw UsageError{QStringLiteral("unknown option ") + arg, true};
        } else {
            applyAssignment(state, QStringLiteral("new"), arg);
        }
    }
    const QFileInfo existing(fileName);
    if (existing.isDir())
        throw UsageError{fileName + QStringLiteral(" is a folder")};
    // Whatever lies under that name may be a photo or another project: replaced on request,
    // and then only when it is a project or empty.
    if (existing.exists() || existing.isSymLink()) {
        if (!force)
            throw UsageError{fileName + QStringLiteral(" exists already (use `lumivista project "
                                                       "set`, or --force to replace it)")};
        if (!isReplaceableByNewProject(existing))
            throw UsageError{fileName + QStringLiteral(" exists already and is not a Lumivista "
                                                       "project or an empty file; --force "
                                                       "replaces only those")};
    }
    state.SaveParam(fileName);
    QTextStream(stdout) << "Created " << fileName << " with " << added << " pictures\n";
    return kExitOk;
}

int projectAdd(const QStringList& args)
{
    if (args.size() < 2)
        throw UsageError{QStringLiteral("project add needs files or folders")};
    ProjectState state = loadProject(args.first());
    int added = 0;
    for (qsizetype i = 1; i < args.size(); ++i)
        added += addPictures(state, args.at(i));
    state.SaveParam(args.first());
    QTextStream(stdout) << "Eingefügt: " << added << "\n";
    return kExitOk;
}

int projectSet(const QStringList& args)
{
    if (args.size() < 2)
        throw UsageError{QStringLiteral("project set needs Key=Value")};
    ProjectState state = loadProject(args.first());
    for (qsizetype i = 1; i < args.size(); ++i)
        applyAssignment(state, QStringLiteral("set"), args.at(i));
    state.SaveParam(args.first());
    return kExitOk;
}

int projectShow(const QStringList& args)
{
    if (args.size() != 1)
        throw UsageError{QStringLiteral("project show takes one project file")};
    ProjectState state = loadProject(args.first());
    state.SaveParam();
    const QByteArray text = (state.lParam().lines().join(u'\n') + u'\n').toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
    return kExitOk;
}

} // namespace

int runProjectCommand(const QStringList& args)
{
    QTextStream err(stderr);
    if (args.size() < 2) {
        err << verbUsage(QStringLiteral("project"));
        return kExitUsage;
    }
    const QString verb = args.first();
    const QStringList rest = args.mid(1);
    try {
        if (verb == u"new")
            return projectNew(rest);
        if (verb == u"add")
            return projectAdd(rest);
        if (verb == u"set")
            return projectSet(rest);
        if (verb == u"show")
            return projectShow(rest);
        err << "lumivista project: unknown command \"" << verb << "\"\n"
            << verbUsage(QStringLiteral("project"));
        return kExitUsage;
    } catch (const UsageError& e) {
        err << "lumivista project " << verb << ": " << e.message << "\n";
        if (e.withUsage)
            err << verbUsage(QStringLiteral("project"));
        return kExitUsage;
    } catch (const LumiError& e) {
        // Writing failed; the temporary file was discarded and the old project remains.
        err << "lumivista project " << verb << ": " << e.message() << "\n";
        return kExitStopped;
    }
}
