#pragma once

#include "engine/outcome.h"
#include "engine/outputformat.h"

#include <cstdint>
#include <optional>
#include <string>

namespace sonivert {
struct ConversionSettings;
}

namespace sonivert::cli {

// The encoding options of convert as a person gives them, each absent unless
// given: --bitrate, --rate, --channels and --quality.
struct EncodingOptions {
    std::optional<std::string> bitrate; // kbit/s as written: "128", or "12.2" for an AMR mode
    std::optional<int32_t> rate;        // Hz
    std::optional<int32_t> channels;    // 1 or 2
    std::optional<int32_t> quality;     // on the format's own scale (AAC 10..500, FLAC level 0..8)

    bool any() const { return bitrate || rate || channels || quality; }
};

// Maps the options given onto the settings of format, for one run: each
// option sets its format's values (MP3BitRate, OGGChannels, ...) and, when
// any is given, the format's automatic parameters are switched off, so
// values no option names keep what the settings hold. Formats are found by
// their command-line word, so a format added to the output table takes no
// option until it is described here.
//
// Refuses, with a text that names the format and what it takes, an option
// the format does not have, a value it does not take (listed values or a
// range, both ends included), and a combination it cannot encode (an MP3 or
// Vorbis bit rate the rate does not allow, both --bitrate and --quality for
// AAC, an AMR bit rate of the other band than --rate). After a refusal the
// settings are partly changed and must not be used.
Outcome applyEncodingOptions(ConversionSettings& settings, const OutputFormatInfo& format,
                             const EncodingOptions& options);

// What every format of outputFormats() takes, for convert's help: one block
// per format that takes any option (formats taking exactly the same share
// one), one line per option, e.g. "  flac: --quality 0..8 (compression
// level ...)".
std::string encodingOptionsHelp();

// The options one format takes, "--bitrate --rate --channels"; empty when
// it takes none.
std::string encodingOptionNames(const OutputFormatInfo& format);

} // namespace sonivert::cli
