#include "platform/vorbisptr.h"

#include <atomic>
#include <cstdint>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

namespace sonivert {

void VorbisInfoClearer::operator()(vorbis_info* info) const
{
    vorbis_info_clear(info);
    delete info;
}

void VorbisCommentClearer::operator()(vorbis_comment* comment) const
{
    vorbis_comment_clear(comment);
    delete comment;
}

void VorbisDspClearer::operator()(vorbis_dsp_state* dsp) const
{
    vorbis_dsp_clear(dsp);
    delete dsp;
}

void VorbisBlockClearer::operator()(vorbis_block* block) const
{
    vorbis_block_clear(block);
    delete block;
}

void OggStreamClearer::operator()(ogg_stream_state* stream) const
{
    ogg_stream_clear(stream);
    delete stream;
}

void OggVorbisFileClearer::operator()(OggVorbis_File* file) const
{
    ov_clear(file);
    delete file;
}

VorbisInfoPtr makeVorbisInfo()
{
    VorbisInfoPtr info(new vorbis_info{});
    vorbis_info_init(info.get());
    return info;
}

VorbisCommentPtr makeVorbisComment()
{
    VorbisCommentPtr comment(new vorbis_comment{});
    vorbis_comment_init(comment.get());
    return comment;
}

VorbisDspPtr makeVorbisAnalysis(vorbis_info* info)
{
    auto dsp = std::make_unique<vorbis_dsp_state>();
    if (vorbis_analysis_init(dsp.get(), info) != 0)
        return nullptr; // nothing to clear: the library undid its own partial set-up
    return VorbisDspPtr(dsp.release());
}

VorbisBlockPtr makeVorbisBlock(vorbis_dsp_state* dsp)
{
    auto block = std::make_unique<vorbis_block>();
    if (vorbis_block_init(dsp, block.get()) != 0)
        return nullptr;
    return VorbisBlockPtr(block.release());
}

int nextOggStreamSerial()
{
    static std::atomic<uint32_t> next{0x2545F491u};
    return static_cast<int>(next.fetch_add(0x9E3779B9u, std::memory_order_relaxed) & 0x7FFFFFFFu);
}

OggStreamPtr makeOggStream(int serial)
{
    auto stream = std::make_unique<ogg_stream_state>();
    if (ogg_stream_init(stream.get(), serial) != 0)
        return nullptr; // ogg_stream_init clears the record when it fails
    return OggStreamPtr(stream.release());
}

OggVorbisFilePtr openOggVorbisFile(const std::string& path, int& error)
{
    auto file = std::make_unique<OggVorbis_File>();
    // The C library opens the path as given; paths are UTF-8, which is what
    // the file system takes on this platform.
    error = ov_fopen(path.c_str(), file.get());
    if (error < 0)
        return nullptr; // ov_fopen has cleared the record and closed the file
    error = 0;
    return OggVorbisFilePtr(file.release());
}

} // namespace sonivert
