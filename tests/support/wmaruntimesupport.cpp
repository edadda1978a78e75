#include "tests/support/wmaruntimesupport.h"

#include "sources/wmaruntime.h"

namespace sonivert::test {

void useBuiltWmaRuntime()
{
    setWmaRuntimeModulePath(SONIVERT_WMVCORE_MODULE);
}

void hideWmaRuntime()
{
    setWmaRuntimeModulePath(std::string(SONIVERT_WMVCORE_MODULE) + ".hidden");
}

} // namespace sonivert::test
