#pragma once

namespace sonivert::cli {

// "formats": the output formats of the engine's table (name, extension, the
// --format word and the encoding options it takes, or that this build
// cannot write it), then the input types the readers take: each type code
// with its extensions and the readers tried for it, in order. Everything
// comes from the engine's tables. Returns 0.
int runFormats();

} // namespace sonivert::cli
