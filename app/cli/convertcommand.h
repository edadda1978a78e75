#pragma once

#include "app/cli/encodingoptions.h"

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
    EncodingOptions encoding;             // --bitrate, --rate, --channels, --quality
    std::vector<std::string> sets;        // NAME=VALUE, applied after the encoding options
    std::optional<int32_t> jobs;          // --jobs: files side by side, 0 one per core
    bool replayGain = false;              // --replaygain: tag each output with its loudness
    std::optional<int32_t> normalizeLufs; // --normalize: gain each output to this loudness
    bool json = false;                    // --json: one JSON object per file
    bool quiet = false;                   // --quiet: only the files not converted, on standard error
    std::vector<std::string> files;       // files and folders
};

// Runs one batch over the files in the given order with the stored settings,
// the options overriding single values for this run only. A folder stands
// for its files and those of its subfolders, found and read as the window's
// "Add Folder" does (the extension filter applies, files no reader opens are
// named and left out). A file that does not exist is named on standard
// error at once and counts as not converted. Reports every file as
// options.json or options.quiet ask (TerminalRowSink), in input order.
// Returns 0 when every file converted, 1 when one did not, 2 for a usage
// error.
int runConvert(const ConvertOptions& options);

} // namespace sonivert::cli
