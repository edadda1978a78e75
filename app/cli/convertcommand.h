#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sonivert::cli {

struct ConvertOptions {
    std::string format;                  // mp3, wav, ...
    std::optional<std::string> outputDir; // --output-dir
    bool sameFolder = false;              // --same-folder
    bool mirror = false;                  // --mirror
    std::optional<std::string> ifExists;  // rename | overwrite | skip
    std::vector<std::string> sets;        // NAME=VALUE
    std::optional<int32_t> jobs;          // --jobs: files side by side, 0 one per core
    std::vector<std::string> files;
};

// Runs one batch over the files in the given order with the stored settings,
// the options overriding single values for this run only. Prints one line
// per file, "source<TAB>status". Returns 0 when every file converted, 1 when
// one did not, 2 for a usage error.
int runConvert(const ConvertOptions& options);

} // namespace sonivert::cli
