#pragma once

// One owner per libvorbis/libogg structure. The libraries' structures are
// plain C records that their init call fills and their clear call empties;
// each owner below holds one on the heap and exists only after a successful
// init, so its deleter clears the record exactly once and then frees it.
// A failed init leaves no owner, because the libraries clean up after their
// own failures (ov_fopen and ogg_stream_init clear the record themselves).
//
// Dependencies between records decide destruction order: a block belongs to
// a DSP state, and a DSP state reads its vorbis_info until it is cleared, so
// holders declare the info first, then the DSP state, then the block.

#include <ogg/ogg.h>
#include <vorbis/codec.h>

#include <memory>
#include <string>

extern "C" {
struct OggVorbis_File;
}

namespace sonivert {

struct VorbisInfoClearer {
    void operator()(vorbis_info* info) const; // vorbis_info_clear
};
struct VorbisCommentClearer {
    void operator()(vorbis_comment* comment) const; // vorbis_comment_clear
};
struct VorbisDspClearer {
    void operator()(vorbis_dsp_state* dsp) const; // vorbis_dsp_clear
};
struct VorbisBlockClearer {
    void operator()(vorbis_block* block) const; // vorbis_block_clear
};
struct OggStreamClearer {
    void operator()(ogg_stream_state* stream) const; // ogg_stream_clear
};
struct OggVorbisFileClearer {
    void operator()(OggVorbis_File* file) const; // ov_clear (closes the file too)
};

using VorbisInfoPtr = std::unique_ptr<vorbis_info, VorbisInfoClearer>;
using VorbisCommentPtr = std::unique_ptr<vorbis_comment, VorbisCommentClearer>;
using VorbisDspPtr = std::unique_ptr<vorbis_dsp_state, VorbisDspClearer>;
using VorbisBlockPtr = std::unique_ptr<vorbis_block, VorbisBlockClearer>;
using OggStreamPtr = std::unique_ptr<ogg_stream_state, OggStreamClearer>;
using OggVorbisFilePtr = std::unique_ptr<OggVorbis_File, OggVorbisFileClearer>;

// vorbis_info_init / vorbis_comment_init; these cannot fail.
VorbisInfoPtr makeVorbisInfo();
VorbisCommentPtr makeVorbisComment();

// vorbis_analysis_init on an encoder set-up that vorbis_encode_setup_init
// completed; null when the library refuses it. info must outlive the result.
VorbisDspPtr makeVorbisAnalysis(vorbis_info* info);

// vorbis_block_init for dsp, which must outlive the result.
VorbisBlockPtr makeVorbisBlock(vorbis_dsp_state* dsp);

// ogg_stream_init with a stream serial number; null when it fails.
OggStreamPtr makeOggStream(int serial);

// The serial number of the next Ogg stream this process writes (Vorbis or
// Opus). A serial only has to differ between the logical streams of one
// physical file, and each file written here holds one stream; a counter
// stepped atomically is safe for writers side by side and gives the same
// numbers in every run.
int nextOggStreamSerial();

// ov_fopen on a UTF-8 path: the file opened for binary reading and handed to
// libvorbisfile. Null when the file cannot be opened or is not Ogg Vorbis;
// error then holds the library's result (negative), else 0.
OggVorbisFilePtr openOggVorbisFile(const std::string& path, int& error);

} // namespace sonivert
