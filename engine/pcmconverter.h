#pragma once

#include "engine/audiosource.h"
#include "platform/resampler.h"

#include <cstdint>
#include <vector>

namespace sonivert {

// Changes planar PCM blocks between what a source delivers and what an
// encoder takes: mono down-mix, mono-to-stereo duplication, sample width
// (8-bit unsigned with 128 as silence, 16-bit signed) and sample rate.
// Channel picking (left or right only) is not done here: the caller hands in
// the picked buffer as a one-channel input (see pcmrouting.h).
//
// Calling protocol: configure(), prepare(), process() for every block in
// order, then flush() until it reports no more frames. One converter serves
// one stream; prepare() starts a new one.
//
// Buffers only grow: once the largest block has been seen, process() and
// flush() allocate nothing.
class PcmConverter {
public:
    // What is delivered to the converter and what it delivers: channels
    // 1 or 2, rate in Hz, bits 8 or 16. -1 means "not configured".
    struct Config {
        int32_t outChannels = -1;
        int32_t outRate = -1;
        int32_t outBits = -1;
        int32_t inChannels = -1;
        int32_t inRate = -1;
        int32_t inBits = -1;
    };

    PcmConverter() = default;
    PcmConverter(const PcmConverter&) = delete;
    PcmConverter& operator=(const PcmConverter&) = delete;

    // Stores the parameters. False (and nothing stored) when a channel count
    // is not 1 or 2, a width not 8 or 16, or a rate not positive.
    [[nodiscard]] bool configure(const Config& config);
    const Config& config() const { return m_config; }

    // Sets the converter up for a new stream: when the rates differ, opens
    // one resampler per channel that is resampled (factor outRate / inRate).
    // Two channels are resampled only when both input and output are stereo:
    // a stereo input for a mono output is mixed first, and a mono input for
    // a stereo output is resampled once and duplicated. False when not
    // configured or a resampler cannot be opened.
    [[nodiscard]] bool prepare();

    // Converts count frames. inLeft holds channel 0, inRight channel 1 (read
    // only when inChannels is 2). Writes outCount frames to outLeft and, when
    // outChannels is 2, to outRight. Input samples are inBits wide, output
    // samples outBits wide.
    //
    // Each output buffer must hold maxOutputFrames(count) samples; no more
    // is ever written. With resampling, outCount follows the rate ratio and
    // differs from block to block; without it, outCount equals count.
    // False when not prepared, after flush() has begun, or on bad arguments.
    [[nodiscard]] bool process(const void* inLeft, const void* inRight, int32_t count, void* outLeft, void* outRight,
                               int32_t& outCount);

    // Ends the stream: delivers the frames the resamplers still hold, so that
    // a resampled output lasts as long as its input (within one output frame).
    // Writes at most maxOutputFrames(kFlushBlockFrames) frames per call into
    // buffers of that size (the buffers used with process() for full blocks
    // will do); call it until outCount is 0. Without resampling nothing is
    // held and outCount is 0 at once. False when not prepared.
    [[nodiscard]] bool flush(void* outLeft, void* outRight, int32_t& outCount);

    // The most frames that process() of count frames (or, with
    // kFlushBlockFrames, one flush()) writes per channel:
    // (outRate / inRate in integer division + 1) x count. 0 when not configured.
    int64_t maxOutputFrames(int32_t count) const;
    static constexpr int32_t kFlushBlockFrames = AudioSource::kBlockFrames;

    // How many resamplers are open: 0 when the rates are equal (or after
    // flush()), otherwise 1 or 2.
    int32_t resamplerCount() const;

private:
    bool configured() const { return m_config.outChannels > 0; }
    bool resampling() const { return m_config.inRate != m_config.outRate; }
    bool twoChannelsResampled() const { return m_config.inChannels == 2 && m_config.outChannels == 2; }

    void convertSameRate(const void* inLeft, const void* inRight, int32_t count, void* outLeft, void* outRight);
    // Runs the resamplers over one block (channel1 is used only when two
    // channels are resampled), or drains them when count is 0, and queues
    // the output behind the pending frames.
    bool resampleBlock(const void* channel0, const void* channel1, int32_t count);
    // Resamples one channel (or, with count 0, drains the resampler) and
    // appends the result at the output width behind the pending frames.
    bool resampleChannel(Resampler& resampler, const void* in, int32_t count, std::vector<int16_t>& pending,
                         int64_t& produced);
    void emitPending(int64_t limit, void* outLeft, void* outRight, int32_t& outCount);

    Config m_config;
    double m_factor = 1.0;
    bool m_prepared = false;
    bool m_ending = false; // flush() has begun; no more input is taken

    // Work buffers; every one only grows. Sample buffers are held as int16_t
    // storage and viewed as bytes for 8-bit samples.
    std::vector<int16_t> m_mix;    // a two-channel input mixed to one channel
    std::vector<int16_t> m_width0; // width-changed channels before a mix
    std::vector<int16_t> m_width1;
    std::vector<float> m_floatIn;  // one channel as float
    std::vector<float> m_floatOut; // the resampler's output

    // Resampled frames at the output width not handed out yet. libresample
    // keeps each call within maxOutputFrames, but that bound is this class's
    // promise, not the resampler's: whatever a resampler yields beyond it
    // waits here for the next call instead of overrunning the caller.
    std::vector<int16_t> m_pending0;
    std::vector<int16_t> m_pending1;
    int64_t m_pendingFrames = 0;

    Resampler m_resampler0;
    Resampler m_resampler1;
};

} // namespace sonivert
