#pragma once

// The AAC encoding library the encoders call, in the shape of a classic C
// AAC encoder: open a handle for a rate and channel count, fetch and change
// its configuration record, hand it the record, encode interleaved 16-bit
// samples one frame at a time, fetch the decoder-specific information,
// close. It is implemented over libavcodec's native AAC-LC encoder; FFmpeg
// stays out of this header.
//
// Protocol:
//   handle = aacEncOpen(rate, channels, &inputSamples, &maxOutputBytes)
//   config = aacEncGetCurrentConfiguration(handle); change its fields
//   aacEncSetConfiguration(handle, config)      (before the first encode)
//   aacEncEncode(handle, samples, n, out, size) with n <= inputSamples,
//     then with n = 0 until it returns 0 (the flush)
//   aacEncClose(handle)
//
// The encoder delays its output by one frame (kAacEncoderDelay samples per
// channel): the first encode call produces nothing and the flush yields the
// frames still held.

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace sonivert {

struct AacEncoder; // one encoder, its configuration and its pending frames

// Samples per channel in one AAC frame, and the encoder's delay in samples
// per channel (its priming frame).
inline constexpr uint32_t kAacFrameSamples = 1024;
inline constexpr uint32_t kAacEncoderDelay = 1024;

// Field values of the configuration record.
inline constexpr int32_t kAacMpeg4 = 0;
inline constexpr int32_t kAacMpeg2 = 1;
inline constexpr int32_t kAacObjectTypeLow = 2; // AAC Low Complexity
inline constexpr int32_t kAacOutputRaw = 0;
inline constexpr int32_t kAacOutputAdts = 1;
inline constexpr int32_t kAacInput16Bit = 1; // native-endian 16-bit integers
inline constexpr int32_t kAacBlocksNormal = 0;
inline constexpr int32_t kAacBlocksNoShort = 1;
inline constexpr int32_t kAacBlocksNoLong = 2;

// The configuration record. aacEncOpen fills it with the defaults noted.
struct AacEncoderConfiguration {
    int32_t mpegVersion = kAacMpeg4;           // the ADTS header's ID bit; MPEG-2 also avoids MPEG-4-only tools
    int32_t aacObjectType = kAacObjectTypeLow; // only Low Complexity is encoded
    int32_t allowMidside = 1;                  // 1: the encoder chooses mid/side per band; 0: never
    int32_t useTns = 0;                        // temporal noise shaping 0/1
    uint32_t bitRate = 0;                      // bit/s per channel; 0 selects quality mode (quantqual)
    uint32_t bandWidth = 0;                    // Hz; 0 lets the encoder choose
    uint32_t quantqual = 100;                  // quality mode: 100 is the encoder's standard quality
    int32_t outputFormat = kAacOutputAdts;     // raw frames or ADTS frames
    int32_t inputFormat = kAacInput16Bit;
    int32_t shortctl = kAacBlocksNormal;       // block-type control; accepted, not honoured (see docs)
};

// A new encoder for sampleRate (one of the 13 AAC rates, 7350..96000 Hz) and
// 1 or 2 channels, or null. *inputSamples receives the samples (all
// channels) of one frame, 1024 x channels; *maxOutputBytes the largest
// output of one encode call (8192 bytes per channel and the ADTS header: in
// quality mode a frame may exceed the 768 bytes per channel of the decoder
// buffer).
AacEncoder* aacEncOpen(uint32_t sampleRate, uint32_t channels, uint32_t* inputSamples, uint32_t* maxOutputBytes);

// The encoder's own configuration record (valid until aacEncClose), or null
// for a null handle.
AacEncoderConfiguration* aacEncGetCurrentConfiguration(AacEncoder* encoder);

// Takes config over and prepares the encoder for it. Returns 1 on success,
// 0 when a field holds a value the encoder does not offer (an object type
// other than Low Complexity, an input format other than 16-bit, an unknown
// MPEG version, output format or block-type value, quality 0 in quality
// mode) or when encoding has already begun. A refused record leaves the
// encoder unprepared.
int aacEncSetConfiguration(AacEncoder* encoder, const AacEncoderConfiguration* config);

// Encodes samples interleaved 16-bit samples (at most the input samples per
// call; a short frame is completed with silence). samples 0 flushes: each
// such call returns one of the frames still held, and 0 once none is left.
// Writes at most one frame (ADTS header included when asked for) to output
// and returns its byte count, 0 when the encoder holds this frame back, and
// -1 on failure (not configured, too many samples, output too small,
// samples after the flush began, an encoder error).
int aacEncEncode(AacEncoder* encoder, const int16_t* input, uint32_t samples, uint8_t* output, uint32_t outputSize);

void aacEncClose(AacEncoder* encoder);

// The AudioSpecificConfig of the configured stream: *info receives a
// malloc'ed copy (release with std::free, or own it as AacBytes) and
// *length its size. Returns 0 on success, -1 before a successful
// aacEncSetConfiguration.
int aacEncGetDecoderSpecificInfo(AacEncoder* encoder, uint8_t** info, uint32_t* length);

struct AacEncoderCloser {
    void operator()(AacEncoder* encoder) const { aacEncClose(encoder); }
};
using AacEncoderHandle = std::unique_ptr<AacEncoder, AacEncoderCloser>;

struct AacBytesFreer {
    void operator()(uint8_t* bytes) const { std::free(bytes); }
};
using AacBytes = std::unique_ptr<uint8_t, AacBytesFreer>;

} // namespace sonivert
