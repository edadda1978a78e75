#pragma once

#include "engine/inputtype.h"

#include <cstdint>
#include <functional>
#include <string>

namespace sonivert {

class AudioSource;
class ConversionProgress;

// How a file's block loop ended.
enum class LoopEnd {
    Completed, // the source is exhausted (or a read failed: that counts as the end)
    Cancelled, // Cancel was seen after a block was read and before it was consumed
    Failed,    // the consumer refused a block (a failed write or encode)
};

// The block loop every conversion routine shares. Reads blocks from source
// into left/right (each kBlockFrames samples of the source's width; right
// only for a two-channel source), shows the file's progress, pumps the
// window system and tests Cancel after every block, then hands the block to
// consume(frames), which returns false when the block could not be written.
//
// Progress follows position() against totalLength() in the source's unit,
// as "<action> <fileName>...<percent>%" ("Converting" unless a first pass
// over the source says otherwise) and a bar of the dialog bar's
// width in pixels, each changed only when it grows. Tracker modules and MIDI
// files (which may loop forever) stop once their position reaches their
// length. On completion the text and the bar always show 100%.
LoopEnd runBlockLoop(AudioSource& source, InputTypeCode code, const std::string& fileName,
                     ConversionProgress& progress, void* left, void* right,
                     const std::function<bool(int32_t frames)>& consume, const std::string& action = "Converting");

// "Converting <fileName>...<percent>%", or another action's word first.
std::string convertingPercentText(const std::string& fileName, int percent, const std::string& action = "Converting");

// The file-name part of a path (after the last separator).
std::string fileNamePart(const std::string& path);

} // namespace sonivert
