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

// lame_init_params on the handle: true when the library accepts the
// parameters.
//
// Both calls fill tables the library shares between all its handles, without
// a lock of its own; here they take one process-wide lock, so no two
// encoders start at once. A start writes into those tables the values they
// already hold, so encoders running meanwhile read the same numbers.
[[nodiscard]] bool startLame(lame_global_struct* flags);

} // namespace sonivert
