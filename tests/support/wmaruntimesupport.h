#pragma once

// The tests' control over the Windows Media run-time module: the build puts
// it beside the programs only, so test processes load it from where it was
// built, or run with it hidden (a path where no module is).

namespace sonivert::test {

// Unloads the run-time and points the loader at the module of this build.
void useBuiltWmaRuntime();

// Unloads the run-time and points the loader where no module is.
void hideWmaRuntime();

} // namespace sonivert::test
