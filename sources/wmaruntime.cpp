#include "sources/wmaruntime.h"

#include "engine/constants.h"
#include "engine/userprompts.h"
#include "platform/modulehandle.h"
#include "platform/programfiles.h"
#include "platform/specialfolders.h"

#include <mutex>
#include <optional>

namespace sonivert {
namespace {

// The window's thread loads the module before a run; workers read the entry
// points. The lock keeps a load on one thread apart from a read on another.
struct LoaderState {
    std::mutex mutex;
    std::optional<std::string> modulePath; // unset: found from the executable's folder
    ModuleHandle module;
    WmaRuntimeEntryPoints entries;
};

LoaderState& state()
{
    static LoaderState s;
    return s;
}

template <typename Fn>
Fn resolve(const ModuleHandle& module, const char* name)
{
    return reinterpret_cast<Fn>(moduleSymbol(module, name));
}

std::string modulePathLocked(const LoaderState& s)
{
    if (s.modulePath)
        return *s.modulePath;
    return findProgramFile(executableFolder(), ProgramFileKind::Module, moduleFileName("wmvcore")).value_or("");
}

} // namespace

std::string wmaRuntimeModulePath()
{
    LoaderState& s = state();
    const std::lock_guard lock(s.mutex);
    return modulePathLocked(s);
}

void setWmaRuntimeModulePath(std::string path)
{
    LoaderState& s = state();
    const std::lock_guard lock(s.mutex);
    if (s.modulePath == path)
        return;
    s.entries = {};
    s.module.reset();
    s.modulePath = std::move(path);
}

bool LoadWmaRuntime()
{
    LoaderState& s = state();
    const std::lock_guard lock(s.mutex);
    if (s.module)
        return true;
    const std::string path = modulePathLocked(s);
    if (path.empty())
        return false;
    ModuleHandle module = loadModule(path);
    if (!module)
        return false;
    WmaRuntimeEntryPoints entries;
    entries.WMCreateProfileManager = resolve<WMCreateProfileManagerFn>(module, "WMCreateProfileManager");
    entries.WMCreateWriter = resolve<WMCreateWriterFn>(module, "WMCreateWriter");
    entries.WMCreateSyncReader = resolve<WMCreateSyncReaderFn>(module, "WMCreateSyncReader");
    if (!entries.WMCreateProfileManager || !entries.WMCreateWriter || !entries.WMCreateSyncReader)
        return false; // the module is unloaded here and nothing is kept
    s.module = std::move(module);
    s.entries = entries;
    return true;
}

bool WmaRuntimeLoaded()
{
    LoaderState& s = state();
    const std::lock_guard lock(s.mutex);
    return s.module != nullptr;
}

WmaRuntimeEntryPoints WmaRuntimeEntries()
{
    LoaderState& s = state();
    const std::lock_guard lock(s.mutex);
    return s.entries;
}

std::string wmaRuntimeDownloadUrl()
{
    return std::string(kWebSite) + "/download/wmfdist.exe";
}

void askToInstallWmaRuntime(UserPrompts& prompts)
{
    if (prompts.askYesNo(kWmaRuntimeMissingText))
        prompts.openUrl(wmaRuntimeDownloadUrl());
}

} // namespace sonivert
