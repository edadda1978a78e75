#include "platform/modulehandle.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace sonivert {

void ModuleUnloader::operator()(void* handle) const
{
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(handle));
#else
    dlclose(handle);
#endif
}

ModuleHandle loadModule(const std::string& path)
{
#ifdef _WIN32
    const std::filesystem::path native(std::u8string(path.begin(), path.end()));
    return ModuleHandle(LoadLibraryW(native.c_str()));
#else
    return ModuleHandle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
#endif
}

void* moduleSymbol(const ModuleHandle& module, const char* name)
{
    if (!module)
        return nullptr;
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module.get()), name));
#else
    return dlsym(module.get(), name);
#endif
}

std::string moduleFileName(std::string_view baseName)
{
#ifdef _WIN32
    return std::string(baseName) + ".dll";
#else
    return std::string(baseName) + ".so";
#endif
}

} // namespace sonivert
