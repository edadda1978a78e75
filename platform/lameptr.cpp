#include "platform/lameptr.h"

#include <lame.h>

namespace sonivert {

void LameCloser::operator()(lame_global_struct* flags) const
{
    lame_close(flags);
}

LamePtr makeLame()
{
    return LamePtr(lame_init());
}

} // namespace sonivert
