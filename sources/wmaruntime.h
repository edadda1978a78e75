#pragma once

// The Windows Media run-time loader. The run-time is a plugin module
// ("wmvcore" with the platform's module suffix) loaded on first need; when it
// is missing, or lacks one of its three entry points, Windows Media files are
// read by the other readers and WMA cannot be written.
//
// The loader's state is process-wide and used from one thread. Once all
// three entry points resolved, the module stays loaded for the rest of the
// run.

#include "platform/wmvcore/wmvcore.h"

#include <string>

namespace sonivert {

class UserPrompts;

// The run-time's entry points; all null while it is not loaded.
struct WmaRuntimeEntryPoints {
    WMCreateProfileManagerFn WMCreateProfileManager = nullptr;
    WMCreateWriterFn WMCreateWriter = nullptr;
    WMCreateSyncReaderFn WMCreateSyncReader = nullptr;
};

// Loads the run-time: true at once when it is loaded; otherwise loads the
// module and resolves "WMCreateProfileManager", "WMCreateWriter" and
// "WMCreateSyncReader". When the module cannot be loaded, or any of the three
// is missing, the module is unloaded again, the entry points stay null and
// the result is false. Shows nothing; see WmaRuntimeCheck for the prompt.
[[nodiscard]] bool LoadWmaRuntime();

// Whether the run-time is loaded (all three entry points resolved).
[[nodiscard]] bool WmaRuntimeLoaded();

// The resolved entry points (all null while not loaded).
WmaRuntimeEntryPoints WmaRuntimeEntries();

// The module file the loader loads: by default the run-time module beside
// the executable, or in an installation the one in the program's private
// module folder (platform/programfiles.h); nothing when neither exists or
// the executable's folder is unknown.
std::string wmaRuntimeModulePath();

// Points the loader at another module file and unloads the current one
// (nothing changes when path is the one in use).
// For tests, which run with the module built elsewhere or hidden; only
// while no object of the run-time exists.
void setWmaRuntimeModulePath(std::string path);

// The question asked when the run-time is needed but not available.
inline constexpr const char* kWmaRuntimeMissingText =
    "Dear user, WMA file requires Windows Media Format 9 Series Runtime.\n"
    "Unfortunately, the component isn't available on your computer.\n\n"
    "Do you want to download and install it now?";

// The run-time's download address on the product web site.
std::string wmaRuntimeDownloadUrl();

// Asks kWmaRuntimeMissingText; Yes opens the download address.
void askToInstallWmaRuntime(UserPrompts& prompts);

} // namespace sonivert
