#pragma once

#include "engine/audiosource.h"
#include "engine/inputtype.h"

#include <cstdint>
#include <optional>
#include <span>

namespace sonivert {

struct ConversionSettings;

// The sample rates (Hz) and bit rates (kbit/s) an MP3 file can have, ascending.
std::span<const int32_t> mp3SampleRates();
std::span<const int32_t> mp3BitRates();

// The entry of an ascending list nearest to value: value itself when listed;
// between two entries the nearer one, the lower one when both are equally
// near; below the first entry the first, above the last the last.
// list must not be empty.
int32_t SnapToList(int32_t value, std::span<const int32_t> list);

// The output rate and bit rate (kbit/s) chosen for a source rate in Hz:
// the smallest of 11025, 12000, 16000, 22050, 24000, 32000, 44100 that is
// not below the source rate (48000 above 44100), with a bit rate for mono
// (channels 1) or stereo (any other count). Shared with the Ogg Vorbis
// encoder's automatic mode.
struct AutoRate {
    int32_t sampleRate = 0;
    int32_t kbps = 0;
    bool operator==(const AutoRate&) const = default;
};
AutoRate AutoRateRule(int32_t sourceRate, int32_t channels);

// What the MP3 settings are decided from, read off the opened source.
struct Mp3SourceFacts {
    InputTypeCode code = kInputOther;
    int32_t sampleRate = 0;
    int32_t channels = 0;    // the source's outputChannels, 1 or 2
    int32_t bitrateKbps = 0; // 0 when unknown
    ChannelMode channelMode = ChannelMode::NotMpeg;
};

// The encoder's parameter calls for one file.
struct Mp3Parameters {
    int32_t inputChannels = 0;       // SetChannels: what the encoder is fed
    std::optional<int32_t> mode;     // SetMode (0 stereo, 1 joint, 2 dual, 3 mono); none: the library's choice
    int32_t outputSampleRate = 0;    // SetOutputSampleRate
    std::optional<int32_t> bitRate;  // SetBitRate in kbit/s; none: the library's default
    // True when a two-channel source feeds one channel picked by MonoType
    // (left for 1, right for 2); the encoder then gets 1 input channel.
    bool pickOneChannel = false;
};

// The preferred output rate handed to the reader factory: 44100 in
// automatic mode or when MP3SampleRate is below 1, else MP3SampleRate.
int32_t mp3FactoryRate(const ConversionSettings& settings);

// The parameters by AutoDestMP3EncodingParam:
// - 1: the source's channels; rate and bit rate by AutoRateRule; no mode.
// - otherwise: MP3ChannelMode, where 4 means the source's MPEG mode for an
//   MP3 source that reports one, else joint stereo for two channels and mono
//   for one; a two-channel source encoded as mono with MonoType 1 or 2 feeds
//   the picked channel alone (MonoType 0 leaves the down-mix to the library).
//   The rate is MP3SampleRate (0: the source's) snapped to mp3SampleRates().
//   The bit rate is MP3BitRate, or for 0 the source's bit rate for MP3 and
//   Ogg sources and otherwise AutoRateRule of the chosen rate and output
//   channels; snapped to mp3BitRates() and kept to what the rate allows
//   (at most 64 up to 12000 Hz, at most 160 up to 24000 Hz, at least 32
//   above). A bit rate of 0 or less sets none.
Mp3Parameters chooseMp3Parameters(const ConversionSettings& settings, const Mp3SourceFacts& source);

} // namespace sonivert
