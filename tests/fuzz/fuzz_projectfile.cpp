// libFuzzer target for project files: the text decoder (BOM, UTF-8, Windows-1252), the
// settings list and picture section, and LoadParam/SaveParam. What a project saves must
// read back unchanged, and loading a saved project and saving it again changes nothing.
// Inputs that once failed are kept in regressions/projectfile.
#include "fuzzsupport.h"

#include "gallery/projectfile.h"
#include "gallery/projectstate.h"
#include "util/error.h"

#include <cstddef>
#include <cstdint>

namespace {

const ProjectState& startedProject()
{
    static const ProjectState state = [] {
        ProjectState s;
        s.applyStartSettings();
        return s;
    }();
    return state;
}

QStringList loadAndSave(const QStringList& lines, bool* pictureLooksLikeSetting = nullptr)
{
    ProjectState state = startedProject();
    state.lParam() = ParamList(lines);
    state.LoadParam();
    state.SaveParam();
    if (pictureLooksLikeSetting) {
        *pictureLooksLikeSetting = false;
        for (const QString& entry : state.Files()) {
            const QString key = ParamList::keyOfLine(entry);
            for (const SettingDef& def : settingsTable())
                *pictureLooksLikeSetting |= key.compare(def.key, Qt::CaseInsensitive) == 0;
        }
    }
    return state.lParam().lines();
}

// Shows where two saved texts part, before the check aborts.
bool sameLines(const QStringList& a, const QStringList& b)
{
    if (a == b)
        return true;
    for (qsizetype i = 0; i < qMax(a.size(), b.size()); ++i) {
        const QString left = a.value(i, QStringLiteral("<none>"));
        const QString right = b.value(i, QStringLiteral("<none>"));
        if (left != right) {
            std::fprintf(stderr, "line %lld differs:\n  %s\n  %s\n", static_cast<long long>(i),
                         qPrintable(left), qPrintable(right));
            break;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    startFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        bool pictureLooksLikeSetting = false;
        const QStringList saved = loadAndSave(decodeProjectText(bytes), &pictureLooksLikeSetting);
        const QStringList reread = decodeProjectText(encodeProjectText(saved));
        FUZZ_CHECK(sameLines(reread, saved));
        // A key is looked up in every line, picture lines included, so a picture entry
        // "Titel=x" stands in for a setting left empty; only then may a second load differ.
        if (!pictureLooksLikeSetting)
            FUZZ_CHECK(sameLines(loadAndSave(reread), saved));
    } catch (const LumiError&) {
    }
    return 0;
}
