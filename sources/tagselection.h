#pragma once

#include "engine/inputtype.h"
#include "engine/tracktags.h"

#include <cstdint>
#include <string>

namespace sonivert {

class AudioSource;
struct ConversionSettings;

// The output families that carry tags, each with its tag mode setting and
// its TagDefaults record.
enum class TagFamily {
    Mp3, // MP3ID3TagType, MP3Tag
    Ogg, // OGGID3TagType, OGGTag
    Wma, // WMAID3TagType, WMATag
    M4a, // M4AID3TagType, M4ATag (M4A, MP4, M4B)
    Flac, // FLACID3TagType, FLACTag
    Opus, // OPUSID3TagType, OPUSTag
};

// What one output gets.
struct TagSelection {
    enum class Kind {
        None,            // write no tags
        Tags,            // write tags, from the record below
        SourceId3Blocks, // MP3 from an MP3 source: copy the source's ID3 blocks unchanged
    };
    Kind kind = Kind::None;
    TrackTags tags;
};

// Chooses the tags of one output from the family's tag mode:
// - 0: the family's TagDefaults. The title is the input's file name without
//   its extension (cut at the last '.') when TitleAsFileName is not 0;
//   track is runningNumber when TrackNumType is 1, CustomTrackNum when 2,
//   else none (an empty track text stands for none, as it does for 0).
// - 1: the source file's tags. For MP3 output from an MP3 input (code 1000)
//   whose reader holds ID3 blocks, those blocks are copied. Otherwise MPEG-4
//   inputs (6500, 6600) are read by the MPEG-4 metadata reader first, and
//   the source's readTags is asked when that finds nothing (or for every
//   other input). No tags when neither finds any. Found tags carry the
//   source file's front cover, else its first picture (readAttachedPicture,
//   at most TagPicture::kMaxBytes); copied ID3 blocks keep their own.
// - anything else: no tags.
// runningNumber is the file's position in the run (1 for the first file,
// counting every file attempted). source must be open.
TagSelection selectTrackTags(const ConversionSettings& settings, TagFamily family, const std::string& inputPath,
                             InputTypeCode code, AudioSource& source, int32_t runningNumber);

// The file-name part of path without its extension (from the last '.' of
// the name on): "x/a.b.c.flac" gives "a.b.c", a name without '.' is kept.
std::string titleFromFileName(const std::string& path);

} // namespace sonivert
