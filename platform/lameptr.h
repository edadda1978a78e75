#pragma once

// The owner of a libmp3lame encoder handle: frees it with lame_close.
// lame.h stays out of this header; the handle type is only named here.

#include <memory>

extern "C" {
struct lame_global_struct;
}

namespace sonivert {

struct LameCloser {
    void operator()(lame_global_struct* flags) const; // lame_close
};
using LamePtr = std::unique_ptr<lame_global_struct, LameCloser>;

// A new handle from lame_init, or null when the library cannot create one.
LamePtr makeLame();

} // namespace sonivert
