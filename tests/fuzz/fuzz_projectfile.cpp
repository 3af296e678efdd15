// libFuzzer target for project files: the text decoder (BOM, UTF-8, Windows-1252), the
// settings list and picture section, and LoadParam/SaveParam. What a project saves must
// read back unchanged, and loading a saved project and saving it again changes nothing.
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

QStringList loadAndSave(const QStringList& lines)
{
    ProjectState state = startedProject();
    state.lParam() = ParamList(lines);
    state.LoadParam();
    state.SaveParam();
    return state.lParam().lines();
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
        const QStringList saved = loadAndSave(decodeProjectText(bytes));
        const QStringList reread = decodeProjectText(encodeProjectText(saved));
        FUZZ_CHECK(reread == saved);
        FUZZ_CHECK(loadAndSave(reread) == saved);
    } catch (const LumiError&) {
    }
    return 0;
}
