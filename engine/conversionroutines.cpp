#include "engine/conversionroutines.h"

#include "encoders/aacadtsencoder.h"
#include "encoders/aacparameters.h"
#include "encoders/alacwriter.h"
#include "encoders/flacencoder.h"
#include "encoders/amrencoder.h"
#include "encoders/id3tagbuilder.h"
#include "encoders/mp3encoder.h"
#include "encoders/opusencoder.h"
#include "encoders/mp3parameters.h"
#include "encoders/mp4audiowriter.h"
#include "encoders/oggparameters.h"
#include "encoders/vorbisencoder.h"
#include "encoders/wmaformatlist.h"
#include "encoders/wmaparameters.h"
#include "encoders/wmawriter.h"
#include "engine/amplify.h"
#include "engine/audiosource.h"
#include "engine/conversionpipeline.h"
#include "engine/engine.h"
#include "engine/pcmrouting.h"
#include "engine/wavwriter.h"
#include "settings/conversionsettings.h"
#include "sources/tagselection.h"
#include "sources/wmaruntime.h"

#include <algorithm>
#include <optional>
#include <thread>

namespace sonivert {
namespace {

constexpr int32_t kDefaultFactoryRate = 44100;

// The encoders' failures that are no write error: a parameter the library
// refuses.
const char* const kRefusedSettings = "The encoder does not take these settings.";

// WAV through WavWriter: the source's format in automatic mode, else the
// page's rate, channels and width (0: the source's).
class WavFormat final : public FormatEncoder {
public:
    explicit WavFormat(const ConversionSettings& s) : m_s(s) {}

    int32_t factoryRate() const override
    {
        return (automatic() || m_s.WAVSampleRate <= 0) ? kDefaultFactoryRate : m_s.WAVSampleRate;
    }
    Outcome plan(AudioSource& source, OutputPlan& plan) override
    {
        const PcmFormat from = source.pcmFormat();
        plan.to = from;
        if (!automatic()) {
            plan.to.sampleRate = m_s.WAVSampleRate > 0 ? m_s.WAVSampleRate : from.sampleRate;
            plan.to.channels = m_s.WAVChannelNum > 0 ? m_s.WAVChannelNum : from.channels;
            plan.to.bitsPerSample = m_s.WAVBitsPerSample > 0 ? m_s.WAVBitsPerSample : from.bitsPerSample;
            plan.monoType = m_s.MonoType;
            plan.convert = converterNeeded(from, plan.to, m_s.MonoType);
        }
        plan.gain = amplifyGain(m_s.AmplifyWav != 0, m_s.AmplifyWavCoeff);
        return true;
    }
    Outcome open(const std::string& path, AudioSource&, const OutputPlan& plan) override
    {
        m_bits = plan.to.bitsPerSample;
        return m_writer.open(path, plan.to.channels == 2, plan.to.bitsPerSample, plan.to.sampleRate);
    }
    Outcome write(void* left, void* right, int32_t frames) override
    {
        if (m_bits == 8)
            return m_writer.write8(static_cast<const uint8_t*>(left), static_cast<const uint8_t*>(right), frames);
        return m_writer.write16(static_cast<const int16_t*>(left), static_cast<const int16_t*>(right), frames);
    }
    // Closing patches the header; a file whose header could not be patched
    // is not a good output.
    Outcome finish() override { return m_writer.close(); }

private:
    bool automatic() const { return m_s.AutoDestWAVEncodingParam == 1; }
    const ConversionSettings& m_s;
    WavWriter m_writer;
    int32_t m_bits = 16;
};

// The tags an output writes: selectTrackTags's choice, with the loudness
// the driver measured; the loudness alone when the choice writes no tags.
// Copied ID3 blocks stay exactly as the source has them.
TagSelection outputTags(const ConversionSettings& s, TagFamily family, const std::string& sourcePath,
                        InputTypeCode code, AudioSource& source, int32_t runningNumber, const OutputPlan& plan)
{
    TagSelection selection = selectTrackTags(s, family, sourcePath, code, source, runningNumber);
    if (plan.loudness && selection.kind != TagSelection::Kind::SourceId3Blocks) {
        if (selection.kind == TagSelection::Kind::None) {
            selection.kind = TagSelection::Kind::Tags;
            selection.tags = TrackTags{};
        }
        selection.tags.loudness = plan.loudness;
    }
    return selection;
}

// Hands the encoder the ID3 blocks of one file, by MP3ID3TagType: the
// source's own blocks unchanged, or blocks built from the selected tags by
// MP3WriteID3Version (0 ID3v1, 1 ID3v2, 2 both). A block that cannot be
// built is left out; the audio is written all the same.
void setMp3Tags(Mp3Encoder& encoder, const ConversionSettings& s, InputTypeCode code, const std::string& sourcePath,
                AudioSource& source, int32_t runningNumber, const OutputPlan& plan)
{
    const TagSelection selection = outputTags(s, TagFamily::Mp3, sourcePath, code, source, runningNumber, plan);
    if (selection.kind == TagSelection::Kind::SourceId3Blocks) {
        if (const uint8_t* v1 = source.id3v1Block())
            encoder.SetId3v1Block({v1, 128});
        uint32_t size = 0;
        if (const uint8_t* v2 = source.id3v2Block(size))
            encoder.SetId3v2Block({v2, size});
        return;
    }
    if (selection.kind != TagSelection::Kind::Tags)
        return;
    const int32_t version = s.MP3WriteID3Version;
    const int32_t track = selection.tags.trackNumber();
    if (version == 0 || version == 2) {
        if (const auto block = Id3TagBuilder::BuildTag(1, selection.tags, track, 0))
            encoder.SetId3v1Block(*block);
    }
    if (version == 1 || version == 2) {
        if (const auto block = Id3TagBuilder::BuildTag(2, selection.tags, track, 0))
            encoder.SetId3v2Block(*block);
    }
}

// MP3 through Mp3Encoder: 16-bit samples at the source's rate and the
// encoder's input channel count (an 8-bit source is widened first); the
// library resamples and down-mixes.
class Mp3Format final : public FormatEncoder {
public:
    Mp3Format(const ConversionSettings& s, InputTypeCode code, std::string sourcePath, int32_t runningNumber)
        : m_s(s), m_code(code), m_sourcePath(std::move(sourcePath)), m_runningNumber(runningNumber)
    {
    }

    int32_t factoryRate() const override { return mp3FactoryRate(m_s); }
    Outcome plan(AudioSource& source, OutputPlan& plan) override
    {
        const PcmFormat from = source.pcmFormat();
        m_params = chooseMp3Parameters(m_s, {m_code, from.sampleRate, from.channels, source.bitrateKbps(),
                                             source.channelMode()});
        plan.to = {from.sampleRate, routedChannels(from.channels, m_params.inputChannels, m_s.MonoType), 16};
        plan.monoType = m_s.MonoType;
        plan.convert = from.bitsPerSample == 8;
        plan.gain = amplifyGain(m_s.AmplifyMp3 != 0, m_s.AmplifyMp3Coeff);
        return true;
    }
    Outcome open(const std::string& path, AudioSource& source, const OutputPlan& plan) override
    {
        if (!m_encoder.Open(path))
            return false;
        setMp3Tags(m_encoder, m_s, m_code, m_sourcePath, source, m_runningNumber, plan);
        m_encoder.SetInputSampleRate(plan.to.sampleRate);
        m_encoder.SetChannels(m_params.inputChannels);
        if (m_params.mode)
            m_encoder.SetMode(*m_params.mode);
        m_encoder.SetOutputSampleRate(m_params.outputSampleRate);
        if (m_params.bitRate)
            m_encoder.SetBitRate(*m_params.bitRate);
        if (!m_encoder.Start()) {
            m_encoder.Close();
            return Outcome::failure(kRefusedSettings);
        }
        return true;
    }
    Outcome write(void* left, void* right, int32_t frames) override
    {
        return m_encoder.EncodeBlock(static_cast<int16_t*>(left), static_cast<int16_t*>(right), frames);
    }
    // The last frames and the ID3v1 block go out here; a file whose end
    // could not be written is not a good output.
    Outcome finish() override { return m_encoder.Close(); }
    // The encoder's delay (576 frames) and the padding of its last frame.
    DurationAllowance allowance() const override { return {1152, 576 + 1152}; }

private:
    const ConversionSettings& m_s;
    const InputTypeCode m_code;
    const std::string m_sourcePath;
    const int32_t m_runningNumber;
    Mp3Parameters m_params;
    Mp3Encoder m_encoder;
};

// AMR-NB or AMR-WB through AmrEncoder: mono 16-bit at 8000 or 16000 Hz.
class AmrFormat final : public FormatEncoder {
public:
    AmrFormat(const ConversionSettings& s, int32_t outputFormat)
        : m_s(s), m_awb(outputFormat == kOutputAwb), m_narrowBand(!m_awb && s.AMRType == 0)
    {
    }

    int32_t factoryRate() const override { return m_narrowBand ? 8000 : 16000; }
    Outcome plan(AudioSource& source, OutputPlan& plan) override
    {
        // A mono target: a two-channel source gives its left or right buffer
        // by MonoType, or both for the converter to mix.
        plan.to = {factoryRate(), 1, 16};
        plan.monoType = m_s.MonoType;
        plan.convert = converterNeeded(source.pcmFormat(), plan.to, m_s.MonoType);
        plan.gain = amplifyGain(m_s.AmplifyAMR != 0, m_s.AmplifyAMRCoef);
        return true;
    }
    Outcome open(const std::string& path, AudioSource&, const OutputPlan&) override
    {
        m_encoder.Prepare(path, m_narrowBand);
        if (m_awb) {
            m_encoder.SetWideBandMode(m_s.AWBMode);
            m_encoder.SetDtx(m_s.AWBDTX);
        } else {
            if (m_narrowBand)
                m_encoder.SetNarrowBandMode(m_s.AMRMode);
            else
                m_encoder.SetWideBandMode(m_s.AMRWBMode);
            m_encoder.SetDtx(m_s.AMRDTX);
        }
        if (!m_encoder.Start(path)) {
            m_encoder.Close();
            return false;
        }
        return true;
    }
    Outcome write(void* left, void*, int32_t frames) override
    {
        return m_encoder.Encode(static_cast<int16_t*>(left), frames);
    }
    // Closing encodes the last partial frame and finishes the file; an
    // output whose frames did not all reach the file is not a good one.
    Outcome finish() override { return m_encoder.Close(); }
    DurationAllowance allowance() const override { return {m_narrowBand ? 160 : 320, 0}; }

private:
    const ConversionSettings& m_s;
    const bool m_awb;
    const bool m_narrowBand;
    AmrEncoder m_encoder;
};

// The AAC writers take any rate and width the source has: the source's PCM
// as it is, no converter and no channel picking.
OutputPlan sourcePcmPlan(AudioSource& source, std::optional<float> gain)
{
    OutputPlan plan;
    plan.to = source.pcmFormat();
    plan.gain = gain;
    return plan;
}

template <typename Writer>
Outcome writeSourceBlock(Writer& writer, int32_t bits, void* left, void* right, int32_t frames)
{
    if (bits == 8)
        return writer.EncodeBlock8(static_cast<const uint8_t*>(left), static_cast<const uint8_t*>(right), frames);
    return writer.EncodeBlock16(static_cast<const int16_t*>(left), static_cast<const int16_t*>(right), frames);
}

// AAC in ADTS framing through AacAdtsEncoder, no tags.
class AacFormat final : public FormatEncoder {
public:
    explicit AacFormat(const ConversionSettings& s) : m_s(s) {}

    int32_t factoryRate() const override { return kDefaultFactoryRate; }
    Outcome plan(AudioSource& source, OutputPlan& plan) override
    {
        plan = sourcePcmPlan(source, amplifyGain(m_s.AmplifyAAC != 0, m_s.AmplifyAACCoef));
        return true;
    }
    Outcome open(const std::string& path, AudioSource&, const OutputPlan& plan) override
    {
        m_bits = plan.to.bitsPerSample;
        if (!m_encoder.Open(path, plan.to.sampleRate, plan.to.channels, plan.to.bitsPerSample))
            return false;
        if (m_s.AutoDestAACEncodingParam == 0)
            applyAacExplicitSettings(*m_encoder.Configuration(), aacExplicitSettings(m_s), plan.to.channels);
        if (!m_encoder.ApplyConfiguration())
            return Outcome::failure(kRefusedSettings);
        return true;
    }
    Outcome write(void* left, void* right, int32_t frames) override
    {
        return writeSourceBlock(m_encoder, m_bits, left, right, frames);
    }
    // Closing writes the last frames; a file whose end is missing is not a
    // good output.
    Outcome finish() override { return m_encoder.Close(); }
    // A bare ADTS stream keeps the encoder's priming frame and the padding of
    // its last one.
    DurationAllowance allowance() const override { return {1024, 2 * 1024}; }

private:
    const ConversionSettings& m_s;
    AacAdtsEncoder m_encoder;
    int32_t m_bits = 16;
};

// AAC in an MPEG-4 file through Mp4AudioWriter (M4A, MP4 and M4B alike),
// metadata by M4AID3TagType.
class Mp4Format final : public FormatEncoder {
public:
    Mp4Format(const ConversionSettings& s, InputTypeCode code, std::string sourcePath, int32_t runningNumber)
        : m_s(s), m_code(code), m_sourcePath(std::move(sourcePath)), m_runningNumber(runningNumber)
    {
    }

    int32_t factoryRate() const override { return kDefaultFactoryRate; }
    Outcome plan(AudioSource& source, OutputPlan& plan) override
    {
        plan = sourcePcmPlan(source, amplifyGain(m_s.AmplifyM4A != 0, m_s.AmplifyM4ACoef));
        return true;
    }
    Outcome open(const std::string& path, AudioSource& source, const OutputPlan& plan) override
    {
        m_bits = plan.to.bitsPerSample;
        if (!m_writer.Open(path, plan.to.sampleRate, plan.to.channels, plan.to.bitsPerSample))
            return false;
        if (m_s.AutoDestM4AEncodingParam == 0)
            applyAacExplicitSettings(*m_writer.Configuration(), m4aExplicitSettings(m_s), plan.to.channels);
        if (!m_writer.Start()) {
            m_writer.Close();
            return Outcome::failure(kRefusedSettings);
        }
        const TagSelection selection = outputTags(m_s, TagFamily::M4a, m_sourcePath, m_code, source, m_runningNumber, plan);
        if (selection.kind == TagSelection::Kind::Tags)
            m_writer.SetMetadata(selection.tags, selection.tags.trackNumber());
        return true;
    }
    Outcome write(void* left, void* right, int32_t frames) override
    {
        return writeSourceBlock(m_writer, m_bits, left, right, frames);
    }
    // Closing writes the last samples and the file's index.
    Outcome finish() override { return m_writer.Close(); }
    DurationAllowance allowance() const override { return {1024, 0}; }

private:
    const ConversionSettings& m_s;
    const InputTypeCode m_code;
    const std::string m_sourcePath;
    const int32_t m_runningNumber;
    Mp4AudioWriter m_writer;
    int32_t m_bits = 16;
};

// Ogg Vorbis through VorbisEncoder, with comments by OGGID3TagType.
class OggFormat final : public FormatEncoder {
public:
    OggFormat(const ConversionSettings& s, InputTypeCode code, std::string sourcePath, int32_t runningNumber)
        : m_s(s), m_code(code), m_sourcePath(std::move(sourcePath)), m_runningNumber(runningNumber)
    {
    }

    int32_t factoryRate() const override { return oggFactoryRate(m_s); }
    Outcome plan(AudioSource& source, OutputPlan& plan) override
    {
        const PcmFormat from = source.pcmFormat();
        const OggParameters params = chooseOggParameters(
            m_s, {m_code, from.sampleRate, from.channels, from.bitsPerSample, source.bitrateKbps()});
        // The encoder takes 16-bit samples at the chosen rate and channel count.
        plan.to = {params.sampleRate, params.channels, 16};
        plan.monoType = params.monoType;
        plan.convert = params.converterNeeded;
        plan.gain = amplifyGain(m_s.AmplifyOGG != 0, m_s.AmplifyOGGCoeff);
        m_bitsPerSecond = params.kbps * 1000;
        return true;
    }
    Outcome open(const std::string& path, AudioSource& source, const OutputPlan& plan) override
    {
        if (!m_encoder.Open(path))
            return false;
        if (!m_encoder.Configure(plan.to.sampleRate, plan.to.channels, m_bitsPerSecond)) {
            m_encoder.Close();
            return Outcome::failure(kRefusedSettings);
        }
        const TagSelection selection = outputTags(m_s, TagFamily::Ogg, m_sourcePath, m_code, source, m_runningNumber, plan);
        if (selection.kind == TagSelection::Kind::Tags)
            m_encoder.SetComments(selection.tags);
        if (!m_encoder.WriteHeaders()) {
            m_encoder.Close();
            return false;
        }
        return true;
    }
    Outcome write(void* left, void* right, int32_t frames) override
    {
        return m_encoder.EncodeBlock(static_cast<int16_t*>(left), static_cast<int16_t*>(right), frames);
    }
    // The stream is ended whatever happened, so the encoder releases its
    // pages before the file closes.
    Outcome finish() override
    {
        const bool ended = m_encoder.Finish();
        const bool closed = m_encoder.Close();
        return ended && closed;
    }
    // Vorbis ends on a granule position: the length is exact to a block.
    DurationAllowance allowance() const override { return {2048, 0}; }

private:
    const ConversionSettings& m_s;
    const InputTypeCode m_code;
    const std::string m_sourcePath;
    const int32_t m_runningNumber;
    int32_t m_bitsPerSecond = 0;
    VorbisEncoder m_encoder;
};

// FLAC through FlacEncoder: lossless, so the source's own rate, channels
// and width reach the encoder unchanged; only amplification applies.
class FlacFormat final : public FormatEncoder {
public:
    FlacFormat(const ConversionSettings& s, InputTypeCode code, std::string sourcePath, int32_t runningNumber)
        : m_s(s), m_code(code), m_sourcePath(std::move(sourcePath)), m_runningNumber(runningNumber)
    {
    }

    int32_t factoryRate() const override { return kDefaultFactoryRate; }
    Outcome plan(AudioSource& source, OutputPlan& plan) override
    {
        plan.to = source.pcmFormat();
        plan.gain = amplifyGain(m_s.AmplifyFLAC != 0, m_s.AmplifyFLACCoeff);
        m_bits = plan.to.bitsPerSample;
        return true;
    }
    Outcome open(const std::string& path, AudioSource& source, const OutputPlan& plan) override
    {
        FlacEncoder::Format format;
        format.sampleRate = plan.to.sampleRate;
        format.channels = plan.to.channels;
        format.bitsPerSample = plan.to.bitsPerSample;
        format.level = m_s.FLACCompressionLevel;
        format.framesEstimate =
            static_cast<uint64_t>(std::max(0, source.durationSeconds())) * static_cast<uint64_t>(plan.to.sampleRate);
        format.reserveLoudness = plan.loudnessAtFinish;
        const TagSelection selection =
            outputTags(m_s, TagFamily::Flac, m_sourcePath, m_code, source, m_runningNumber, plan);
        const bool tagged = selection.kind == TagSelection::Kind::Tags;
        if (!m_encoder.Open(path, format, tagged ? &selection.tags : nullptr))
            return Outcome::failure(kRefusedSettings);
        return true;
    }
    Outcome write(void* left, void* right, int32_t frames) override
    {
        if (m_bits == 8)
            return m_encoder.Encode8(static_cast<const uint8_t*>(left), static_cast<const uint8_t*>(right), frames);
        return m_encoder.Encode16(static_cast<const int16_t*>(left), static_cast<const int16_t*>(right), frames);
    }
    Outcome finish() override { return m_encoder.Finish(m_loudness ? &*m_loudness : nullptr); }
    // The comments take the loudness after the audio, in padding reserved
    // for it.
    bool takesLoudnessAtFinish() const override { return true; }
    void setLoudness(const TrackLoudness& loudness) override { m_loudness = loudness; }

private:
    const ConversionSettings& m_s;
    const InputTypeCode m_code;
    const std::string m_sourcePath;
    const int32_t m_runningNumber;
    int32_t m_bits = 16;
    std::optional<TrackLoudness> m_loudness;
    FlacEncoder m_encoder;
};

// Apple Lossless through AlacWriter: lossless like FLAC, so the source's own
// rate and channels reach the writer unchanged (it widens 8-bit samples
// itself); the tags and amplification are the M4A family's, as for AAC in
// MPEG-4.
class AlacFormat final : public FormatEncoder {
public:
    AlacFormat(const ConversionSettings& s, InputTypeCode code, std::string sourcePath, int32_t runningNumber)
        : m_s(s), m_code(code), m_sourcePath(std::move(sourcePath)), m_runningNumber(runningNumber)
    {
    }

    int32_t factoryRate() const override { return kDefaultFactoryRate; }
    Outcome plan(AudioSource& source, OutputPlan& plan) override
    {
        plan = sourcePcmPlan(source, amplifyGain(m_s.AmplifyM4A != 0, m_s.AmplifyM4ACoef));
        return true;
    }
    Outcome open(const std::string& path, AudioSource& source, const OutputPlan& plan) override
    {
        m_bits = plan.to.bitsPerSample;
        if (!m_writer.Open(path, plan.to.sampleRate, plan.to.channels, plan.to.bitsPerSample))
            return Outcome::failure(kRefusedSettings);
        const TagSelection selection = outputTags(m_s, TagFamily::M4a, m_sourcePath, m_code, source, m_runningNumber, plan);
        if (selection.kind == TagSelection::Kind::Tags)
            m_writer.SetMetadata(selection.tags, selection.tags.trackNumber());
        return true;
    }
    Outcome write(void* left, void* right, int32_t frames) override
    {
        return writeSourceBlock(m_writer, m_bits, left, right, frames);
    }
    // Closing writes the last, shorter frame and the file's index.
    Outcome finish() override { return m_writer.Close(); }

private:
    const ConversionSettings& m_s;
    const InputTypeCode m_code;
    const std::string m_sourcePath;
    const int32_t m_runningNumber;
    AlacWriter m_writer;
    int32_t m_bits = 16;
};

// Ogg Opus through OggOpusEncoder. The encoder takes any rate, so the
// source's rate and width go on; channels and bit rate follow the source
// under Auto (64 kbit/s for one channel, 128 for two), else OPUSChannels and
// OPUSBitRate.
class OpusFormat final : public FormatEncoder {
public:
    OpusFormat(const ConversionSettings& s, InputTypeCode code, std::string sourcePath, int32_t runningNumber)
        : m_s(s), m_code(code), m_sourcePath(std::move(sourcePath)), m_runningNumber(runningNumber)
    {
    }

    // Opus runs at 48 kHz: synthesised inputs are rendered at that rate.
    int32_t factoryRate() const override { return 48000; }
    Outcome plan(AudioSource& source, OutputPlan& plan) override
    {
        const PcmFormat from = source.pcmFormat();
        const bool automatic = m_s.AutoDestOPUSEncodingParam != 0;
        int32_t channels = from.channels == 1 ? 1 : 2;
        if (!automatic && (m_s.OPUSChannels == 1 || m_s.OPUSChannels == 2))
            channels = m_s.OPUSChannels;
        plan.to = {from.sampleRate, channels, from.bitsPerSample};
        plan.monoType = m_s.MonoType;
        plan.convert = converterNeeded(from, plan.to, m_s.MonoType);
        plan.gain = amplifyGain(m_s.AmplifyOPUS != 0, m_s.AmplifyOPUSCoeff);
        m_kbps = automatic ? (channels == 1 ? 64 : 128) : std::clamp(m_s.OPUSBitRate, 6, 510);
        m_bits8 = plan.to.bitsPerSample == 8;
        return true;
    }
    Outcome open(const std::string& path, AudioSource& source, const OutputPlan& plan) override
    {
        OggOpusEncoder::Format format;
        format.sampleRate = plan.to.sampleRate;
        format.channels = plan.to.channels;
        format.bitsPerSample = plan.to.bitsPerSample;
        format.kbps = m_kbps;
        const TagSelection selection =
            outputTags(m_s, TagFamily::Opus, m_sourcePath, m_code, source, m_runningNumber, plan);
        const bool tagged = selection.kind == TagSelection::Kind::Tags;
        if (!m_encoder.Open(path, format, tagged ? &selection.tags : nullptr))
            return Outcome::failure(kRefusedSettings);
        return true;
    }
    Outcome write(void* left, void* right, int32_t frames) override
    {
        if (m_bits8)
            return m_encoder.Encode8(static_cast<const uint8_t*>(left), static_cast<const uint8_t*>(right), frames);
        return m_encoder.Encode16(static_cast<const int16_t*>(left), static_cast<const int16_t*>(right), frames);
    }
    Outcome finish() override { return m_encoder.Finish(); }
    // The stream's length as FFmpeg reads it from the last granule position
    // includes the pre-skip (312 frames, more after the library's resampler),
    // which decoding drops again.
    DurationAllowance allowance() const override { return {2, 960}; }

private:
    const ConversionSettings& m_s;
    const InputTypeCode m_code;
    const std::string m_sourcePath;
    const int32_t m_runningNumber;
    int32_t m_kbps = 128;
    bool m_bits8 = false;
    OggOpusEncoder m_encoder;
};

// WMA through WmaWriter with the codec format ChooseWmaFormat picks from the
// engine's WmaFormatList, tags by WMAID3TagType. The writer takes the
// source's own rate and width; picking one channel is the only routing done
// here, the run-time converts rate and channel count itself.
class WmaFormatEncoder final : public FormatEncoder {
public:
    WmaFormatEncoder(Engine& engine, const ConversionSettings& s, InputTypeCode code, std::string sourcePath,
                     int32_t runningNumber)
        : m_engine(engine), m_s(s), m_code(code), m_sourcePath(std::move(sourcePath)), m_runningNumber(runningNumber)
    {
    }

    int32_t factoryRate() const override { return wmaFactoryRate(m_s); }
    Outcome plan(AudioSource& source, OutputPlan& plan) override
    {
        const PcmFormat from = source.pcmFormat();
        m_params = chooseWmaParameters(m_s, from.sampleRate, from.channels);
        plan.to = {from.sampleRate, m_params.channels, from.bitsPerSample};
        plan.monoType = m_s.AutoDestWMAEncodingParam == 1 ? 0 : m_s.MonoType;
        plan.gain = amplifyGain(m_s.AmplifyWMA != 0, m_s.AmplifyWMACoeff);
        m_format = ChooseWmaFormat(m_engine.wmaFormatList(), m_params.sampleRate, m_params.bitRate, m_params.channels);
        if (!m_format)
            return Outcome::failure("No Windows Media format matches the settings.");
        return true;
    }
    Outcome open(const std::string& path, AudioSource& source, const OutputPlan& plan) override
    {
        const PcmFormat from = source.pcmFormat();
        m_bits = from.bitsPerSample;
        m_writer.SetPath(path);
        m_writer.SetInputFormat(from.sampleRate, from.bitsPerSample,
                                routedChannels(from.channels, plan.to.channels, plan.monoType));
        m_writer.SetCodecFormat(*m_format);
        const TagSelection selection = selectTrackTags(m_s, TagFamily::Wma, m_sourcePath, m_code, source, m_runningNumber);
        if (selection.kind == TagSelection::Kind::Tags) {
            const TrackTags& t = selection.tags;
            m_writer.SetTags(t.title, t.album, t.artist, t.genre, t.year, t.comment, t.composer, t.copyright,
                             t.trackNumber());
            if (t.picture)
                m_writer.SetPicture(*t.picture);
        }
        return m_writer.Start();
    }
    Outcome write(void* left, void* right, int32_t frames) override
    {
        if (m_bits == 8)
            return m_writer.WriteBlock8(static_cast<const uint8_t*>(left), static_cast<const uint8_t*>(right), frames);
        return m_writer.WriteBlock16(static_cast<const int16_t*>(left), static_cast<const int16_t*>(right), frames);
    }
    // Ending the file encodes what the run-time still holds and writes the
    // header's final values; a file that could not be ended is no good output.
    Outcome finish() override { return m_writer.Finish(); }
    // The header's play duration counts the codec's whole frames.
    DurationAllowance allowance() const override { return {2048, 2 * 2048}; }

private:
    Engine& m_engine;
    const ConversionSettings& m_s;
    const InputTypeCode m_code;
    const std::string m_sourcePath;
    const int32_t m_runningNumber;
    WmaParameters m_params;
    std::optional<WmaFormat> m_format;
    WmaWriter m_writer;
    int32_t m_bits = 16;
};

} // namespace

BatchOptions batchOptionsFrom(const ConversionSettings& s, std::function<std::optional<std::string>()> documentsFolder)
{
    BatchOptions o;
    o.format = static_cast<OutputFormatCode>(s.OutputFormat);
    o.targetRules.folderMode = s.DestOutputFolderOpt;
    o.targetRules.customFolder = s.DestSpecifiedFolder;
    o.targetRules.mirrorSourceFolders = s.CreateDirs == 1;
    o.targetRules.existsPolicy = s.TargetExistsOpt;
    o.targetRules.fallbackToDocuments = s.OutputFiles2MyDocuments == 1;
    o.targetRules.documentsFolder = std::move(documentsFolder);
    o.browseOutputFolder = s.BrowseOutputFolder == 1;
    o.jobs = s.ConversionJobs > 0 ? s.ConversionJobs
                                  : static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    return o;
}

ConversionRoutines::ConversionRoutines(Engine& engine, const ConversionSettings& settings)
    : m_engine(engine), m_settings(settings)
{
}

bool ConversionRoutines::formatAvailable(int32_t outputFormat)
{
    switch (outputFormat) {
    case kOutputWav:
    case kOutputMp3:
    case kOutputAac:
    case kOutputM4a:
    case kOutputMp4:
    case kOutputM4b:
    case kOutputAmr:
    case kOutputAwb:
    case kOutputOgg:
    case kOutputWma:
    case kOutputFlac:
    case kOutputOpus:
    case kOutputAlac:
        return true;
    default:
        return false;
    }
}

ConversionRoutine ConversionRoutines::routineFor(int32_t outputFormat, const ConversionJob* job)
{
    switch (outputFormat) {
    case kOutputMp3:
        return [this, job](InputTypeCode code, const std::string& source, const std::string& target,
                           ConversionProgress& progress) {
            return convertToMp3(code, source, target, progress, job ? job->runningNumber() : 1);
        };
    case kOutputOgg:
        return [this, job](InputTypeCode code, const std::string& source, const std::string& target,
                           ConversionProgress& progress) {
            return convertToOgg(code, source, target, progress, job ? job->runningNumber() : 1);
        };
    case kOutputWma:
        return [this, job](InputTypeCode code, const std::string& source, const std::string& target,
                           ConversionProgress& progress) {
            return convertToWma(code, source, target, progress, job ? job->runningNumber() : 1);
        };
    case kOutputFlac:
        return [this, job](InputTypeCode code, const std::string& source, const std::string& target,
                           ConversionProgress& progress) {
            return convertToFlac(code, source, target, progress, job ? job->runningNumber() : 1);
        };
    case kOutputAlac:
        return [this, job](InputTypeCode code, const std::string& source, const std::string& target,
                           ConversionProgress& progress) {
            return convertToAlac(code, source, target, progress, job ? job->runningNumber() : 1);
        };
    case kOutputOpus:
        return [this, job](InputTypeCode code, const std::string& source, const std::string& target,
                           ConversionProgress& progress) {
            return convertToOpus(code, source, target, progress, job ? job->runningNumber() : 1);
        };
    case kOutputWav:
        return [this](InputTypeCode code, const std::string& source, const std::string& target,
                      ConversionProgress& progress) { return convertToWav(code, source, target, progress); };
    case kOutputAmr:
    case kOutputAwb:
        return [this, outputFormat](InputTypeCode code, const std::string& source, const std::string& target,
                                    ConversionProgress& progress) {
            return convertToAmr(code, source, target, progress, outputFormat);
        };
    case kOutputAac:
        return [this](InputTypeCode code, const std::string& source, const std::string& target,
                      ConversionProgress& progress) { return convertToAac(code, source, target, progress); };
    case kOutputM4a:
    case kOutputMp4:
    case kOutputM4b:
        return [this, job](InputTypeCode code, const std::string& source, const std::string& target,
                           ConversionProgress& progress) {
            return convertToMp4(code, source, target, progress, job ? job->runningNumber() : 1);
        };
    default:
        return {};
    }
}

Outcome ConversionRoutines::convert(FormatEncoder&& encoder, InputTypeCode code, const std::string& sourcePath,
                                    const std::string& targetPath, ConversionProgress& progress)
{
    LoudnessRequest loudness;
    loudness.replayGain = m_settings.ReplayGain != 0;
    if (m_settings.NormalizeLoudness != 0)
        loudness.normalizeToLufs = std::clamp(m_settings.NormalizeTargetLufs, -30, -5);
    return convertWith(m_engine, encoder, code, sourcePath, targetPath, progress, loudness, m_blockFilter);
}

Outcome ConversionRoutines::convertToWav(InputTypeCode code, const std::string& sourcePath,
                                         const std::string& targetPath, ConversionProgress& progress)
{
    return convert(WavFormat(m_settings), code, sourcePath, targetPath, progress);
}

Outcome ConversionRoutines::convertToMp3(InputTypeCode code, const std::string& sourcePath,
                                         const std::string& targetPath, ConversionProgress& progress,
                                         int32_t runningNumber)
{
    return convert(Mp3Format(m_settings, code, sourcePath, runningNumber), code, sourcePath, targetPath, progress);
}

Outcome ConversionRoutines::convertToAmr(InputTypeCode code, const std::string& sourcePath,
                                         const std::string& targetPath, ConversionProgress& progress,
                                         int32_t outputFormat)
{
    return convert(AmrFormat(m_settings, outputFormat), code, sourcePath, targetPath, progress);
}

Outcome ConversionRoutines::convertToAac(InputTypeCode code, const std::string& sourcePath,
                                         const std::string& targetPath, ConversionProgress& progress)
{
    return convert(AacFormat(m_settings), code, sourcePath, targetPath, progress);
}

Outcome ConversionRoutines::convertToMp4(InputTypeCode code, const std::string& sourcePath,
                                         const std::string& targetPath, ConversionProgress& progress,
                                         int32_t runningNumber)
{
    return convert(Mp4Format(m_settings, code, sourcePath, runningNumber), code, sourcePath, targetPath, progress);
}

Outcome ConversionRoutines::convertToOgg(InputTypeCode code, const std::string& sourcePath,
                                         const std::string& targetPath, ConversionProgress& progress,
                                         int32_t runningNumber)
{
    return convert(OggFormat(m_settings, code, sourcePath, runningNumber), code, sourcePath, targetPath, progress);
}

Outcome ConversionRoutines::convertToFlac(InputTypeCode code, const std::string& sourcePath,
                                          const std::string& targetPath, ConversionProgress& progress,
                                          int32_t runningNumber)
{
    return convert(FlacFormat(m_settings, code, sourcePath, runningNumber), code, sourcePath, targetPath, progress);
}

Outcome ConversionRoutines::convertToAlac(InputTypeCode code, const std::string& sourcePath,
                                          const std::string& targetPath, ConversionProgress& progress,
                                          int32_t runningNumber)
{
    return convert(AlacFormat(m_settings, code, sourcePath, runningNumber), code, sourcePath, targetPath, progress);
}

Outcome ConversionRoutines::convertToOpus(InputTypeCode code, const std::string& sourcePath,
                                          const std::string& targetPath, ConversionProgress& progress,
                                          int32_t runningNumber)
{
    return convert(OpusFormat(m_settings, code, sourcePath, runningNumber), code, sourcePath, targetPath, progress);
}

Outcome ConversionRoutines::convertToWma(InputTypeCode code, const std::string& sourcePath,
                                         const std::string& targetPath, ConversionProgress& progress,
                                         int32_t runningNumber)
{
    // Without the run-time nothing is opened: a Windows Media source would
    // ask for the run-time again.
    if (!WmaRuntimeLoaded())
        return Outcome::failure("The Windows Media run-time is not available.");
    return convert(WmaFormatEncoder(m_engine, m_settings, code, sourcePath, runningNumber), code, sourcePath, targetPath, progress);
}

} // namespace sonivert
