#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace sonivert {

// A loaded plugin module (a shared library opened at run time). The one
// owner of the handle unloads the module when it goes.
struct ModuleUnloader {
    void operator()(void* handle) const;
};
using ModuleHandle = std::unique_ptr<void, ModuleUnloader>;

// Loads the module at path (UTF-8), resolving all its symbols now and keeping
// them to itself. Null when it cannot be loaded.
ModuleHandle loadModule(const std::string& path);

// The address of an exported symbol, or null when the module has none.
void* moduleSymbol(const ModuleHandle& module, const char* name);

// The file name of a plugin module on this platform: "wmvcore.dll" on
// Windows, "wmvcore.so" elsewhere.
std::string moduleFileName(std::string_view baseName);

} // namespace sonivert
