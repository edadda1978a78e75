#include "engine/conversionroutines.h"

#include "encoders/aacadtsencoder.h"
#include "encoders/aacparameters.h"
#include "encoders/amrencoder.h"
#include "encoders/id3tagbuilder.h"
#include "encoders/mp3encoder.h"
#include "encoders/mp3parameters.h"
#include "encoders/mp4audiowriter.h"
#include "encoders/oggparameters.h"
#include "encoders/vorbisencoder.h"
#include "encoders/wmaformatlist.h"
#include "encoders/wmaparameters.h"
#include "encoders/wmawriter.h"
#include "engine/amplify.h"
#include "engine/audiosource.h"
#include "engine/conversionloop.h"
#include "engine/engine.h"
#include "engine/filesafety.h"
#include "engine/pcmconverter.h"
#include "engine/pcmrouting.h"
#include "engine/progress.h"
#include "engine/wavwriter.h"
#include "settings/conversionsettings.h"
#include "sources/tracktags.h"
#include "sources/wmaruntime.h"

#include <memory>
#include <optional>
#include <vector>

namespace sonivert {
namespace {

constexpr int32_t kDefaultFactoryRate = 44100;

// Source block buffers: kBlockFrames samples per channel, 16-bit storage
// that also holds 8-bit samples.
struct BlockBuffers {
    std::vector<int16_t> left = std::vector<int16_t>(AudioSource::kBlockFrames);
    std::vector<int16_t> right = std::vector<int16_t>(AudioSource::kBlockFrames);
};

void amplifyBlock(void* left, void* right, int32_t frames, int32_t channels, int32_t bits, float gain)
{
    if (bits == 8)
        amplify(static_cast<uint8_t*>(left), static_cast<uint8_t*>(right), frames, channels, gain);
    else
        amplify(static_cast<int16_t*>(left), static_cast<int16_t*>(right), frames, channels, gain);
}

// Runs the source block by block to its end: the source's channels routed
// towards to.channels by monoType, converted to the format `to` when convert
// is set (the converter's held samples follow the last block), amplified by
// gain at the width handed on, and given to deliver. True when the source
// ended and every block was delivered; false on a read or delivery failure
// and on Cancel.
bool pumpSource(AudioSource& source, InputTypeCode code, const std::string& sourcePath, ConversionProgress& progress,
                const PcmFormat& from, const PcmFormat& to, int32_t monoType, bool convert,
                const std::optional<float>& gain,
                const std::function<bool(void* left, void* right, int32_t frames)>& deliver)
{
    BlockBuffers in;
    const RoutedChannels routed = routeChannels(in.left.data(), in.right.data(), from.channels, to.channels, monoType);
    std::unique_ptr<PcmConverter> converter;
    std::vector<int16_t> outLeft, outRight; // 16-bit storage holds 8-bit output as well
    if (convert) {
        converter = std::make_unique<PcmConverter>();
        PcmConverter::Config config;
        config.outChannels = to.channels;
        config.outRate = to.sampleRate;
        config.outBits = to.bitsPerSample;
        config.inChannels = routed.channels;
        config.inRate = from.sampleRate;
        config.inBits = from.bitsPerSample;
        if (!converter->configure(config) || !converter->prepare())
            return false;
        const auto frames = static_cast<size_t>(converter->maxOutputFrames(AudioSource::kBlockFrames));
        outLeft.resize(frames);
        outRight.resize(to.channels == 2 ? frames : 0);
    }
    void* const outL = converter ? static_cast<void*>(outLeft.data()) : routed.left;
    void* const outR = converter ? (to.channels == 2 ? static_cast<void*>(outRight.data()) : nullptr) : routed.right;
    const int32_t outChannels = converter ? to.channels : routed.channels;
    const int32_t outBits = converter ? to.bitsPerSample : from.bitsPerSample;
    auto hand = [&](int32_t frames) {
        if (gain)
            amplifyBlock(outL, outR, frames, outChannels, outBits, *gain);
        return deliver(outL, outR, frames);
    };

    const LoopEnd end = runBlockLoop(source, code, fileNamePart(sourcePath), progress, in.left.data(),
                                     from.channels == 2 ? in.right.data() : nullptr, [&](int32_t frames) {
                                         if (converter) {
                                             int32_t produced = 0;
                                             if (!converter->process(routed.left, routed.right, frames, outL, outR,
                                                                     produced))
                                                 return false;
                                             frames = produced;
                                         }
                                         return frames == 0 || hand(frames);
                                     });
    if (end != LoopEnd::Completed)
        return false;
    // The samples still held inside the resamplers belong to the output too.
    while (converter) {
        int32_t produced = 0;
        if (!converter->flush(outL, outR, produced))
            return false;
        if (produced == 0)
            break;
        if (!hand(produced))
            return false;
    }
    return true;
}

// Hands the encoder the ID3 blocks of one file, by MP3ID3TagType: the
// source's own blocks unchanged, or blocks built from the selected tags by
// MP3WriteID3Version (0 ID3v1, 1 ID3v2, 2 both). A block that cannot be
// built is left out; the audio is written all the same.
void setMp3Tags(Mp3Encoder& encoder, const ConversionSettings& s, InputTypeCode code, const std::string& sourcePath,
                AudioSource& source, int32_t runningNumber)
{
    const TagSelection selection = selectTrackTags(s, TagFamily::Mp3, sourcePath, code, source, runningNumber);
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

bool ConversionRoutines::convertToWav(InputTypeCode code, const std::string& sourcePath,
                                      const std::string& targetPath, ConversionProgress& progress)
{
    // A target that may be the source itself is never opened for writing:
    // that alone would truncate the source.
    if (mayBeSameFile(targetPath, sourcePath))
        return false;
    const ConversionSettings& s = m_settings;
    const bool automatic = s.AutoDestWAVEncodingParam == 1;
    const int32_t factoryRate = (automatic || s.WAVSampleRate <= 0) ? kDefaultFactoryRate : s.WAVSampleRate;

    std::unique_ptr<AudioSource> source = m_engine.createSource(sourcePath, code, factoryRate, false);
    if (!source)
        return false;

    const PcmFormat from = source->pcmFormat();
    PcmFormat to = from;
    if (!automatic) {
        to.sampleRate = s.WAVSampleRate > 0 ? s.WAVSampleRate : from.sampleRate;
        to.channels = s.WAVChannelNum > 0 ? s.WAVChannelNum : from.channels;
        to.bitsPerSample = s.WAVBitsPerSample > 0 ? s.WAVBitsPerSample : from.bitsPerSample;
    }
    const bool useConverter = !automatic && converterNeeded(from, to, s.MonoType);

    WavWriter writer;
    if (!writer.open(targetPath, to.channels == 2, to.bitsPerSample, to.sampleRate))
        return false; // the source is destroyed on return; nothing was created

    const std::optional<float> gain = amplifyGain(s.AmplifyWav != 0, s.AmplifyWavCoeff);
    bool result = pumpSource(*source, code, sourcePath, progress, from, to, automatic ? 0 : s.MonoType, useConverter,
                             gain, [&](void* left, void* right, int32_t frames) {
                                 if (to.bitsPerSample == 8)
                                     return writer.write8(static_cast<const uint8_t*>(left),
                                                          static_cast<const uint8_t*>(right), frames);
                                 return writer.write16(static_cast<const int16_t*>(left),
                                                       static_cast<const int16_t*>(right), frames);
                             });

    source.reset();
    // Closing patches the header; a file whose header could not be patched is not a good output.
    if (!writer.close())
        result = false;
    if (!result)
        deleteTargetUnlessSource(targetPath, sourcePath);
    return result;
}

bool ConversionRoutines::convertToMp3(InputTypeCode code, const std::string& sourcePath,
                                      const std::string& targetPath, ConversionProgress& progress,
                                      int32_t runningNumber)
{
    if (mayBeSameFile(targetPath, sourcePath))
        return false;
    const ConversionSettings& s = m_settings;
    std::unique_ptr<AudioSource> source = m_engine.createSource(sourcePath, code, mp3FactoryRate(s), false);
    if (!source)
        return false;

    const PcmFormat from = source->pcmFormat();
    const Mp3Parameters params =
        chooseMp3Parameters(s, {code, from.sampleRate, from.channels, source->bitrateKbps(), source->channelMode()});

    Mp3Encoder encoder;
    if (!encoder.Open(targetPath)) {
        // The file may exist already when only the library handle failed.
        deleteTargetUnlessSource(targetPath, sourcePath);
        return false;
    }
    setMp3Tags(encoder, s, code, sourcePath, *source, runningNumber);
    encoder.SetInputSampleRate(from.sampleRate);
    encoder.SetChannels(params.inputChannels);
    if (params.mode)
        encoder.SetMode(*params.mode);
    encoder.SetOutputSampleRate(params.outputSampleRate);
    if (params.bitRate)
        encoder.SetBitRate(*params.bitRate);
    if (!encoder.Start()) {
        encoder.Close();
        source.reset();
        deleteTargetUnlessSource(targetPath, sourcePath);
        return false;
    }

    // The encoder takes 16-bit samples at the source's rate and the input
    // channel count; an 8-bit source is widened first.
    const PcmFormat to{from.sampleRate, routedChannels(from.channels, params.inputChannels, s.MonoType), 16};
    bool result = pumpSource(*source, code, sourcePath, progress, from, to, s.MonoType, from.bitsPerSample == 8,
                             amplifyGain(s.AmplifyMp3 != 0, s.AmplifyMp3Coeff),
                             [&](void* left, void* right, int32_t frames) {
                                 return encoder.EncodeBlock(static_cast<int16_t*>(left), static_cast<int16_t*>(right),
                                                            frames);
                             });

    // The encoder is closed before the source: its last frames and the
    // ID3v1 block go out first. A file whose end could not be written is
    // not a good output.
    if (!encoder.Close())
        result = false;
    source.reset();
    if (!result)
        deleteTargetUnlessSource(targetPath, sourcePath);
    return result;
}

bool ConversionRoutines::convertToAmr(InputTypeCode code, const std::string& sourcePath,
                                      const std::string& targetPath, ConversionProgress& progress,
                                      int32_t outputFormat)
{
    if (mayBeSameFile(targetPath, sourcePath))
        return false;
    const ConversionSettings& s = m_settings;
    const bool awb = outputFormat == kOutputAwb;
    const bool narrowBand = !awb && s.AMRType == 0;
    const PcmFormat to{narrowBand ? 8000 : 16000, 1, 16};

    std::unique_ptr<AudioSource> source = m_engine.createSource(sourcePath, code, to.sampleRate, false);
    if (!source)
        return false;
    const PcmFormat from = source->pcmFormat();

    AmrEncoder encoder;
    encoder.Prepare(targetPath, narrowBand);
    if (awb) {
        encoder.SetWideBandMode(s.AWBMode);
        encoder.SetDtx(s.AWBDTX);
    } else {
        if (narrowBand)
            encoder.SetNarrowBandMode(s.AMRMode);
        else
            encoder.SetWideBandMode(s.AMRWBMode);
        encoder.SetDtx(s.AMRDTX);
    }
    if (!encoder.Start(targetPath)) {
        encoder.Close();
        source.reset();
        deleteTargetUnlessSource(targetPath, sourcePath);
        return false;
    }

    // A mono target: a two-channel source gives its left or right buffer by
    // MonoType, or both for the converter to mix.
    bool result = pumpSource(*source, code, sourcePath, progress, from, to, s.MonoType,
                             converterNeeded(from, to, s.MonoType), amplifyGain(s.AmplifyAMR != 0, s.AmplifyAMRCoef),
                             [&](void* left, void*, int32_t frames) {
                                 return encoder.Encode(static_cast<int16_t*>(left), frames);
                             });

    source.reset();
    // Closing encodes the last partial frame and finishes the file; an
    // output whose frames did not all reach the file is not a good one.
    if (!encoder.Close())
        result = false;
    if (!result)
        deleteTargetUnlessSource(targetPath, sourcePath);
    return result;
}

namespace {

// The PCM of a source block handed on at the source's own width: amplified
// when gain is on, then given to encodeBlock16 or encodeBlock8. The AAC
// writers take any rate and width the source has, so no converter is used.
template <typename Encoder>
bool encodeSourceBlock(Encoder& encoder, BlockBuffers& in, const PcmFormat& from, int32_t frames,
                       const std::optional<float>& gain)
{
    void* const right = from.channels == 2 ? in.right.data() : nullptr;
    if (gain)
        amplifyBlock(in.left.data(), right, frames, from.channels, from.bitsPerSample, *gain);
    if (from.bitsPerSample == 8)
        return encoder.EncodeBlock8(reinterpret_cast<const uint8_t*>(in.left.data()),
                                    static_cast<const uint8_t*>(right), frames);
    return encoder.EncodeBlock16(in.left.data(), static_cast<const int16_t*>(right), frames);
}

} // namespace

bool ConversionRoutines::convertToAac(InputTypeCode code, const std::string& sourcePath,
                                      const std::string& targetPath, ConversionProgress& progress)
{
    if (mayBeSameFile(targetPath, sourcePath))
        return false;
    const ConversionSettings& s = m_settings;
    std::unique_ptr<AudioSource> source = m_engine.createSource(sourcePath, code, kDefaultFactoryRate, false);
    if (!source)
        return false;
    const PcmFormat from = source->pcmFormat();

    AacAdtsEncoder encoder;
    bool ok = encoder.Open(targetPath, from.sampleRate, from.channels, from.bitsPerSample);
    if (ok && s.AutoDestAACEncodingParam == 0)
        applyAacExplicitSettings(*encoder.Configuration(), aacExplicitSettings(s), from.channels);
    // A failed open leaves no output behind either: the file may exist
    // already when only the encoder could not be had.
    ok = ok && encoder.ApplyConfiguration();
    LoopEnd end = LoopEnd::Failed;
    if (ok) {
        const std::optional<float> gain = amplifyGain(s.AmplifyAAC != 0, s.AmplifyAACCoef);
        BlockBuffers in;
        end = runBlockLoop(*source, code, fileNamePart(sourcePath), progress, in.left.data(),
                           from.channels == 2 ? in.right.data() : nullptr,
                           [&](int32_t frames) { return encodeSourceBlock(encoder, in, from, frames, gain); });
    }
    bool result = end == LoopEnd::Completed;
    source.reset();
    // Closing writes the last frames; a file whose end is missing is not a good output.
    if (!encoder.Close())
        result = false;
    if (!result)
        deleteTargetUnlessSource(targetPath, sourcePath);
    return result;
}

bool ConversionRoutines::convertToMp4(InputTypeCode code, const std::string& sourcePath,
                                      const std::string& targetPath, ConversionProgress& progress,
                                      int32_t runningNumber)
{
    if (mayBeSameFile(targetPath, sourcePath))
        return false;
    const ConversionSettings& s = m_settings;
    std::unique_ptr<AudioSource> source = m_engine.createSource(sourcePath, code, kDefaultFactoryRate, false);
    if (!source)
        return false;
    const PcmFormat from = source->pcmFormat();

    Mp4AudioWriter writer;
    bool ok = writer.Open(targetPath, from.sampleRate, from.channels, from.bitsPerSample);
    if (ok && s.AutoDestM4AEncodingParam == 0)
        applyAacExplicitSettings(*writer.Configuration(), m4aExplicitSettings(s), from.channels);
    ok = ok && writer.Start();
    LoopEnd end = LoopEnd::Failed;
    if (ok) {
        const TagSelection selection = selectTrackTags(s, TagFamily::M4a, sourcePath, code, *source, runningNumber);
        if (selection.kind == TagSelection::Kind::Tags)
            writer.SetMetadata(selection.tags, selection.tags.trackNumber());
        const std::optional<float> gain = amplifyGain(s.AmplifyM4A != 0, s.AmplifyM4ACoef);
        BlockBuffers in;
        end = runBlockLoop(*source, code, fileNamePart(sourcePath), progress, in.left.data(),
                           from.channels == 2 ? in.right.data() : nullptr,
                           [&](int32_t frames) { return encodeSourceBlock(writer, in, from, frames, gain); });
    }
    bool result = end == LoopEnd::Completed;
    source.reset();
    // Closing writes the last samples and the file's index.
    if (!writer.Close())
        result = false;
    if (!result)
        deleteTargetUnlessSource(targetPath, sourcePath);
    return result;
}

bool ConversionRoutines::convertToOgg(InputTypeCode code, const std::string& sourcePath,
                                      const std::string& targetPath, ConversionProgress& progress,
                                      int32_t runningNumber)
{
    if (mayBeSameFile(targetPath, sourcePath))
        return false;
    const ConversionSettings& s = m_settings;
    std::unique_ptr<AudioSource> source = m_engine.createSource(sourcePath, code, oggFactoryRate(s), false);
    if (!source)
        return false;

    VorbisEncoder encoder;
    if (!encoder.Open(targetPath))
        return false; // nothing was created

    const PcmFormat from = source->pcmFormat();
    const OggParameters params =
        chooseOggParameters(s, {code, from.sampleRate, from.channels, from.bitsPerSample, source->bitrateKbps()});
    auto abandon = [&] {
        encoder.Close();
        source.reset();
        deleteTargetUnlessSource(targetPath, sourcePath);
        return false;
    };
    if (!encoder.Configure(params.sampleRate, params.channels, params.kbps * 1000))
        return abandon();
    const TagSelection selection = selectTrackTags(s, TagFamily::Ogg, sourcePath, code, *source, runningNumber);
    if (selection.kind == TagSelection::Kind::Tags)
        encoder.SetComments(selection.tags);
    if (!encoder.WriteHeaders())
        return abandon();

    // The encoder takes 16-bit samples at the chosen rate and channel count.
    const PcmFormat to{params.sampleRate, params.channels, 16};
    bool result = pumpSource(*source, code, sourcePath, progress, from, to, params.monoType, params.converterNeeded,
                             amplifyGain(s.AmplifyOGG != 0, s.AmplifyOGGCoeff),
                             [&](void* left, void* right, int32_t frames) {
                                 return encoder.EncodeBlock(static_cast<int16_t*>(left), static_cast<int16_t*>(right),
                                                            frames);
                             });

    // The stream is ended whatever happened, so the encoder releases its
    // pages before the file closes; a target that failed is deleted after.
    if (!encoder.Finish())
        result = false;
    if (!encoder.Close())
        result = false;
    source.reset();
    if (!result)
        deleteTargetUnlessSource(targetPath, sourcePath);
    return result;
}

bool ConversionRoutines::convertToWma(InputTypeCode code, const std::string& sourcePath,
                                      const std::string& targetPath, ConversionProgress& progress,
                                      int32_t runningNumber)
{
    // Without the run-time nothing is opened: a Windows Media source would
    // ask for the run-time again.
    if (!WmaRuntimeLoaded() || mayBeSameFile(targetPath, sourcePath))
        return false;
    const ConversionSettings& s = m_settings;
    std::unique_ptr<AudioSource> source = m_engine.createSource(sourcePath, code, wmaFactoryRate(s), false);
    if (!source)
        return false;
    WmaWriter writer;
    writer.SetPath(targetPath);

    const PcmFormat from = source->pcmFormat();
    const WmaParameters params = chooseWmaParameters(s, from.sampleRate, from.channels);
    const bool automatic = s.AutoDestWMAEncodingParam == 1;
    BlockBuffers in;
    // Picking one channel is the only routing done here; the run-time
    // converts rate and channel count itself.
    const RoutedChannels routed = routeChannels(in.left.data(), in.right.data(), from.channels, params.channels,
                                                automatic ? 0 : s.MonoType);
    writer.SetInputFormat(from.sampleRate, from.bitsPerSample, routed.channels);

    const std::optional<WmaFormat> format =
        ChooseWmaFormat(m_engine.wmaFormatList(), params.sampleRate, params.bitRate, params.channels);
    if (!format)
        return false; // nothing was written
    writer.SetCodecFormat(*format);

    const TagSelection selection = selectTrackTags(s, TagFamily::Wma, sourcePath, code, *source, runningNumber);
    if (selection.kind == TagSelection::Kind::Tags) {
        const TrackTags& t = selection.tags;
        writer.SetTags(t.title, t.album, t.artist, t.genre, t.year, t.comment, t.composer, t.copyright,
                       t.trackNumber());
    }

    if (!writer.Start()) {
        source.reset();
        deleteTargetUnlessSource(targetPath, sourcePath);
        return false;
    }

    const std::optional<float> gain = amplifyGain(s.AmplifyWMA != 0, s.AmplifyWMACoeff);
    const LoopEnd end = runBlockLoop(
        *source, code, fileNamePart(sourcePath), progress, in.left.data(),
        from.channels == 2 ? in.right.data() : nullptr, [&](int32_t frames) {
            if (gain)
                amplifyBlock(routed.left, routed.right, frames, routed.channels, from.bitsPerSample, *gain);
            if (from.bitsPerSample == 8)
                return writer.WriteBlock8(static_cast<const uint8_t*>(routed.left),
                                          static_cast<const uint8_t*>(routed.right), frames);
            return writer.WriteBlock16(static_cast<const int16_t*>(routed.left),
                                       static_cast<const int16_t*>(routed.right), frames);
        });
    bool result = end == LoopEnd::Completed;
    // Ending the file encodes what the run-time still holds and writes the
    // header's final values; a file that could not be ended is no good output.
    if (!writer.Finish())
        result = false;
    source.reset();
    if (!result)
        deleteTargetUnlessSource(targetPath, sourcePath);
    return result;
}

} // namespace sonivert
