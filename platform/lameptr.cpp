#include "platform/lameptr.h"

#include <lame.h>

#include <mutex>

namespace sonivert {
namespace {

std::mutex& setupLock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

void LameCloser::operator()(lame_global_struct* flags) const
{
    lame_close(flags);
}

LamePtr makeLame()
{
    const std::lock_guard lock(setupLock());
    return LamePtr(lame_init());
}

bool startLame(lame_global_struct* flags)
{
    const std::lock_guard lock(setupLock());
    return lame_init_params(flags) >= 0;
}

} // namespace sonivert
