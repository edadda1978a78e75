#include "engine/conversionpipeline.h"

#include "engine/amplify.h"
#include "engine/conversionloop.h"
#include "engine/engine.h"
#include "engine/filesafety.h"
#include "engine/pcmconverter.h"
#include "engine/pcmrouting.h"
#include "engine/utf8path.h"
#include "platform/ffmpegmedia.h"
#include "platform/fileops.h"
#include "platform/loudnessmeter.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

namespace sonivert {
namespace {

void amplifyBlock(void* left, void* right, int32_t frames, int32_t channels, int32_t bits, float gain)
{
    if (bits == 8)
        amplify(static_cast<uint8_t*>(left), static_cast<uint8_t*>(right), frames, channels, gain);
    else
        amplify(static_cast<int16_t*>(left), static_cast<int16_t*>(right), frames, channels, gain);
}

// Runs the source block by block to its end: the source's channels routed
// towards plan.to.channels by plan.monoType, converted to plan.to when the
// plan says so (the converter's held samples follow the last block),
// amplified at the width handed on, and given to deliver. Completed when
// the source ended and every block was delivered.
LoopEnd pumpSource(AudioSource& source, InputTypeCode code, const std::string& sourcePath,
                   ConversionProgress& progress, const OutputPlan& plan,
                   const std::function<bool(void* left, void* right, int32_t frames)>& deliver,
                   const std::string& action = "Converting")
{
    const PcmFormat from = source.pcmFormat();
    const PcmFormat& to = plan.to;
    // Source block buffers: 16-bit storage that also holds 8-bit samples.
    std::vector<int16_t> inLeft(AudioSource::kBlockFrames), inRight(AudioSource::kBlockFrames);
    const RoutedChannels routed = routeChannels(inLeft.data(), inRight.data(), from.channels, to.channels, plan.monoType);
    std::unique_ptr<PcmConverter> converter;
    std::vector<int16_t> outLeft, outRight;
    if (plan.convert) {
        converter = std::make_unique<PcmConverter>();
        PcmConverter::Config config;
        config.outChannels = to.channels;
        config.outRate = to.sampleRate;
        config.outBits = to.bitsPerSample;
        config.inChannels = routed.channels;
        config.inRate = from.sampleRate;
        config.inBits = from.bitsPerSample;
        if (!converter->configure(config) || !converter->prepare())
            return LoopEnd::Failed;
        const auto frames = static_cast<size_t>(converter->maxOutputFrames(AudioSource::kBlockFrames));
        outLeft.resize(frames);
        outRight.resize(to.channels == 2 ? frames : 0);
    }
    void* const outL = converter ? static_cast<void*>(outLeft.data()) : routed.left;
    void* const outR = converter ? (to.channels == 2 ? static_cast<void*>(outRight.data()) : nullptr) : routed.right;
    const int32_t outChannels = converter ? to.channels : routed.channels;
    const int32_t outBits = converter ? to.bitsPerSample : from.bitsPerSample;
    auto hand = [&](int32_t frames) {
        if (plan.gain)
            amplifyBlock(outL, outR, frames, outChannels, outBits, *plan.gain);
        return deliver(outL, outR, frames);
    };

    const LoopEnd end = runBlockLoop(source, code, fileNamePart(sourcePath), progress, inLeft.data(),
                                     from.channels == 2 ? inRight.data() : nullptr, [&](int32_t frames) {
                                         if (converter) {
                                             int32_t produced = 0;
                                             if (!converter->process(routed.left, routed.right, frames, outL, outR,
                                                                     produced))
                                                 return false;
                                             frames = produced;
                                         }
                                         return frames == 0 || hand(frames);
                                     }, action);
    if (end != LoopEnd::Completed)
        return end;
    // The samples still held inside the resamplers belong to the output too.
    while (converter) {
        int32_t produced = 0;
        if (!converter->flush(outL, outR, produced))
            return LoopEnd::Failed;
        if (produced == 0)
            break;
        if (!hand(produced))
            return LoopEnd::Failed;
    }
    return LoopEnd::Completed;
}

// The width and channels pumpSource hands on for the plan.
PcmFormat handedOn(const PcmFormat& from, const OutputPlan& plan)
{
    if (plan.convert)
        return plan.to;
    return {from.sampleRate, routedChannels(from.channels, plan.to.channels, plan.monoType), from.bitsPerSample};
}

// "-14.2", the same in every locale.
std::string tenths(double value)
{
    const long long t = std::llround(value * 10);
    const long long whole = (t < 0 ? -t : t) / 10;
    return std::string(t < 0 ? "-" : "") + std::to_string(whole) + "." + std::to_string((t < 0 ? -t : t) % 10);
}

struct Measured {
    LoopEnd end = LoopEnd::Completed;
    std::optional<LoudnessMeter::Result> result;
};

// The first pass: a second reader of the source through the same plan into
// the meter.
Measured measureLoudness(Engine& engine, FormatEncoder& encoder, InputTypeCode code, const std::string& sourcePath,
                         ConversionProgress& progress, const OutputPlan& plan)
{
    std::unique_ptr<AudioSource> source = engine.createSource(sourcePath, code, encoder.factoryRate(), false);
    if (!source)
        return {LoopEnd::Failed, std::nullopt};
    const PcmFormat format = handedOn(source->pcmFormat(), plan);
    LoudnessMeter meter;
    if (!meter.Open(format.channels, format.sampleRate))
        return {LoopEnd::Failed, std::nullopt};
    const LoopEnd end = pumpSource(
        *source, code, sourcePath, progress, plan,
        [&](void* left, void* right, int32_t frames) {
            if (format.bitsPerSample == 8)
                return meter.Add8(static_cast<const uint8_t*>(left), static_cast<const uint8_t*>(right), frames);
            return meter.Add16(static_cast<const int16_t*>(left), static_cast<const int16_t*>(right), frames);
        },
        "Measuring");
    return {end, end == LoopEnd::Completed ? meter.Finish() : std::nullopt};
}

// Applies what the measurement asks of the plan; the note for the result.
std::string applyLoudness(const LoudnessRequest& request, const LoudnessMeter::Result& measured, OutputPlan& plan)
{
    TrackLoudness output{measured.integratedLufs, measured.samplePeak};
    std::string note;
    if (request.normalizeToLufs) {
        double gainDb = *request.normalizeToLufs - measured.integratedLufs;
        if (measured.samplePeak > 0) {
            const double limitDb = 20 * std::log10(kNormalizePeakLimit / measured.samplePeak);
            if (gainDb > limitDb) {
                gainDb = limitDb;
                note = "Loudness " + tenths(measured.integratedLufs + gainDb) + " LUFS: the target " +
                       tenths(*request.normalizeToLufs) + " LUFS would lift the peak above -1 dBFS.";
            }
        }
        const double factor = std::pow(10.0, gainDb / 20);
        plan.gain = static_cast<float>(factor);
        output.integratedLufs += gainDb;
        output.samplePeak = std::min(1.0, output.samplePeak * factor);
    }
    if (request.replayGain)
        plan.loudness = output;
    return note;
}

std::string folderOf(const std::string& path)
{
    const std::filesystem::path folder = utf8Path(path).parent_path();
    return folder.empty() ? std::string(".") : pathUtf8(folder);
}

// Tenths of a second as text ("9.6"), the same in every locale.
std::string seconds(int64_t frames, int32_t rate)
{
    const int64_t tenths = rate > 0 ? (frames * 10 + rate / 2) / rate : 0;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

// The file as written holds what was delivered: its duration read back
// lies within the codec's allowance of frames delivered at plan.to's rate.
Outcome checkDuration(const std::string& path, int64_t delivered, int32_t deliveredRate,
                      const DurationAllowance& allowance)
{
    if (delivered == 0)
        return true; // nothing to compare; an empty source gives a file without audio
    const std::optional<AudioDuration> read = probeAudioDuration(path);
    if (!read)
        return Outcome::failure("The written file cannot be read back.");
    const int64_t expected = delivered * read->sampleRate / deliveredRate;
    if (read->frames < expected - allowance.frame || read->frames > expected + allowance.frame + allowance.extra)
        return Outcome::failure("The written file lasts " + seconds(read->frames, read->sampleRate) +
                                " s, the source " + seconds(expected, read->sampleRate) + " s.");
    return true;
}

// A failure while the file was being written: a full disk says so whatever
// the encoder reported.
Outcome writeFailure(Outcome failed, const std::string& path)
{
    const std::optional<uint64_t> free = freeBytes(folderOf(path));
    if (free && *free == 0)
        return Outcome::failure("No space left on the device.");
    return failed.orBecause("The output file could not be written.");
}

} // namespace

Outcome convertWith(Engine& engine, FormatEncoder& encoder, InputTypeCode code, const std::string& sourcePath,
                    const std::string& targetPath, ConversionProgress& progress, const LoudnessRequest& loudness,
                    const BlockFilter& filter)
{
    // A target that may be the source itself is never opened for writing:
    // that alone would truncate the source.
    if (mayBeSameFile(targetPath, sourcePath))
        return Outcome::failure("The target would be the source file itself.");
    std::string unopened;
    std::unique_ptr<AudioSource> source =
        engine.createSource(sourcePath, code, encoder.factoryRate(), false, &unopened);
    if (!source)
        return Outcome::failure(unopened);
    OutputPlan plan;
    if (Outcome planned = encoder.plan(*source, plan); !planned)
        return planned;
    std::string note;
    plan.loudnessAtFinish = loudness.replayGain && !loudness.normalizeToLufs && encoder.takesLoudnessAtFinish();
    if (loudness.active() && !plan.loudnessAtFinish) {
        // Normalisation measures the source before any gain of its own.
        OutputPlan measuring = plan;
        if (loudness.normalizeToLufs)
            measuring.gain.reset();
        const Measured measured = measureLoudness(engine, encoder, code, sourcePath, progress, measuring);
        if (measured.end == LoopEnd::Cancelled)
            return Outcome::failure("Cancelled.");
        if (measured.end != LoopEnd::Completed)
            return Outcome::failure("The loudness of the source could not be measured.");
        if (measured.result) {
            if (loudness.normalizeToLufs)
                plan.gain.reset();
            note = applyLoudness(loudness, *measured.result, plan);
        }
    }
    if (Outcome opened = encoder.open(targetPath, *source, plan); !opened) {
        source.reset();
        const Outcome failed = writeFailure(opened, targetPath);
        deleteTargetUnlessSource(targetPath, sourcePath);
        return failed;
    }

    LoudnessMeter meter;
    const PcmFormat handed = handedOn(source->pcmFormat(), plan);
    if (plan.loudnessAtFinish && !meter.Open(handed.channels, handed.sampleRate))
        plan.loudnessAtFinish = false;
    int64_t delivered = 0;
    Outcome written = true;
    const LoopEnd end = pumpSource(*source, code, sourcePath, progress, plan, [&](void* left, void* right, int32_t frames) {
        const bool keep = !filter || filter(delivered, frames);
        delivered += frames;
        if (keep)
            written = encoder.write(left, right, frames);
        if (written && keep && plan.loudnessAtFinish) {
            const bool added = handed.bitsPerSample == 8
                                   ? meter.Add8(static_cast<const uint8_t*>(left), static_cast<const uint8_t*>(right), frames)
                                   : meter.Add16(static_cast<const int16_t*>(left), static_cast<const int16_t*>(right), frames);
            if (!added)
                written = Outcome::failure("The loudness of the output could not be measured.");
        }
        return written.ok();
    });
    if (plan.loudnessAtFinish && end == LoopEnd::Completed && written) {
        if (const std::optional<LoudnessMeter::Result> measured = meter.Finish())
            encoder.setLoudness(TrackLoudness{measured->integratedLufs, measured->samplePeak});
    }
    // The encoder ends its stream whatever happened, before the source goes.
    const Outcome finished = encoder.finish();
    source.reset();

    Outcome result = true;
    if (end == LoopEnd::Cancelled)
        result = Outcome::failure("Cancelled.");
    else if (!written)
        result = writeFailure(written, targetPath);
    else if (end != LoopEnd::Completed)
        result = Outcome::failure("The samples could not be converted.");
    else if (!finished)
        result = writeFailure(finished, targetPath);
    else if (syncFile(targetPath))
        result = writeFailure(false, targetPath);
    else
        result = checkDuration(targetPath, delivered, plan.to.sampleRate, encoder.allowance());
    if (!result)
        deleteTargetUnlessSource(targetPath, sourcePath);
    return result && !note.empty() ? result.withNote(note) : result;
}

} // namespace sonivert
