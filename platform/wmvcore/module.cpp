// The three entry points of the Windows Media run-time module. They create
// the module's objects; nothing thrown inside ever leaves the module.

#include "platform/wmvcore/codecs.h"
#include "platform/wmvcore/syncreader.h"
#include "platform/wmvcore/writer.h"

#ifdef _WIN32
#define WMVCORE_EXPORT extern "C" __declspec(dllexport)
#else
#define WMVCORE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using namespace sonivert::wmvcore;

WMVCORE_EXPORT Result WMCreateProfileManager(ProfileManager** manager)
{
    return guarded([&]() -> Result {
        if (!manager)
            return kInvalidArgument;
        *manager = new ProfileManagerImpl;
        return kOk;
    });
}

WMVCORE_EXPORT Result WMCreateWriter(void* /*certificate*/, Writer** writer)
{
    return guarded([&]() -> Result {
        if (!writer)
            return kInvalidArgument;
        *writer = createWriter();
        return kOk;
    });
}

WMVCORE_EXPORT Result WMCreateSyncReader(void* /*certificate*/, uint32_t /*rights*/, SyncReader** reader)
{
    return guarded([&]() -> Result {
        if (!reader)
            return kInvalidArgument;
        *reader = createSyncReader();
        return kOk;
    });
}
