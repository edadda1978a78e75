#pragma once

// The one driver every output format goes through, and the interface each
// format implements for it.
//
// The driver (convertWith): opens the source through the engine's factory,
// asks the format for its plan, opens the format's encoder on the target
// path, pumps the source block by block (channel routing, PcmConverter,
// gain) into the encoder, finishes the encoder, releases the source,
// flushes the file to the disk and checks it: the file is read back through
// FFmpeg and its duration compared with the audio the source delivered. On
// any failure or Cancel the target is deleted (never the source) and the
// result carries the reason.

#include "engine/audiosource.h"
#include "engine/inputtype.h"
#include "engine/outcome.h"
#include "engine/tracktags.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace sonivert {

class ConversionProgress;
class Engine;

// What a format decides for one opened source.
struct OutputPlan {
    // The PCM handed on per block. Without a converter its channel count is
    // the target the routing aims at; the encoder then receives
    // routedChannels(source channels, to.channels, monoType) channels at the
    // source's rate and width.
    PcmFormat to;
    int32_t monoType = 0; // how two source channels become one (pcmrouting.h)
    bool convert = false; // a PcmConverter runs between routing and encoder
    std::optional<float> gain;
    // The loudness of what the encoder receives, when it was measured before
    // the encoder opened; formats whose tags carry loudness write it.
    std::optional<TrackLoudness> loudness;
    // The driver measures the blocks as they are written instead, and hands
    // the result to setLoudness before finish (see FormatEncoder).
    bool loudnessAtFinish = false;
};

// What the driver does about loudness for one file. Either asks for a first
// pass over the source, through the same routing, conversion and gain as the
// output, into an EBU R128 meter.
struct LoudnessRequest {
    bool replayGain = false;               // the output's loudness goes into its tags
    std::optional<double> normalizeToLufs; // the gain that reaches it, in place of the plan's
    bool active() const { return replayGain || normalizeToLufs; }
};

// The highest sample peak normalisation leaves: -1 dBFS.
inline constexpr double kNormalizePeakLimit = 0.8912509381337456;

// How far the duration read back from a finished file may lie from the
// audio delivered, in frames of the file's own rate: every codec may end on
// a partly filled frame (frame), some add their encoder delay and padding
// (extra).
struct DurationAllowance {
    int64_t frame = 1;
    int64_t extra = 0;
};

// One output format: its planner (the rules of its settings) and the
// adapter to its encoder. The driver calls factoryRate and plan, then open;
// after a successful open, write for each block and finish exactly once,
// also after a failed write or Cancel (its result then does not count).
class FormatEncoder {
public:
    virtual ~FormatEncoder() = default;
    // The rate the source is opened at (the render rate of synthesised inputs).
    virtual int32_t factoryRate() const = 0;
    // Decides the plan for the opened source; a failure ends the file before
    // anything is written.
    virtual Outcome plan(AudioSource& source, OutputPlan& plan) = 0;
    // Opens the encoder on path with the plan; tags are read from the source.
    virtual Outcome open(const std::string& path, AudioSource& source, const OutputPlan& plan) = 0;
    // One block: left and right (null for one channel) hold frames samples
    // of the width the plan hands on.
    virtual Outcome write(void* left, void* right, int32_t frames) = 0;
    // Ends the stream: the last frames, trailers, index, tags; closes the file.
    virtual Outcome finish() = 0;
    virtual DurationAllowance allowance() const { return {}; }
    // True when finish can still write the output's loudness into its tags
    // (room reserved at open): ReplayGain then needs no first pass.
    virtual bool takesLoudnessAtFinish() const { return false; }
    // The loudness of everything written, before finish; only when the plan
    // says loudnessAtFinish and the source ended normally.
    virtual void setLoudness(const TrackLoudness&) {}
};

// Sees every block before the encoder does, with the frames delivered before
// it; a block it refuses is counted as delivered but not written. For tests
// that need an output shorter than its source.
using BlockFilter = std::function<bool(int64_t framesBefore, int32_t frames)>;

// Converts sourcePath into targetPath through encoder (see above). A target
// that may be the source itself is never opened. With loudness active, a
// first pass measures the source as it will be written (for ReplayGain
// alone into a format that takes it at finish, the written blocks are
// measured instead); normalisation
// replaces the plan's gain by the one that brings the output to the target,
// held down so that its sample peak stays at -1 dBFS (the result's note
// then says the target was not reached); plan.loudness holds what the
// output will measure. Silence has no loudness: it is written unchanged and
// untagged.
Outcome convertWith(Engine& engine, FormatEncoder& encoder, InputTypeCode code, const std::string& sourcePath,
                    const std::string& targetPath, ConversionProgress& progress, const LoudnessRequest& loudness = {},
                    const BlockFilter& filter = {});

} // namespace sonivert
