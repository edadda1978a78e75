#pragma once

#include "engine/conversionjob.h"
#include "engine/conversionpipeline.h"
#include "engine/inputtype.h"
#include "engine/outcome.h"
#include "engine/outputformat.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace sonivert {

class ConversionProgress;
class Engine;
struct ConversionSettings;

// The conversion routines: one per output encoder, each converting one
// source file into one target file with the settings of its format. Each is
// one FormatEncoder run through the one driver (conversionpipeline.h): it
// opens the source through the engine's factory, pumps its blocks into the
// encoder, checks the finished file against the audio delivered, and
// deletes a partial target on failure or Cancel (never the source itself).
// The result carries the reason of a failure.
class ConversionRoutines {
public:
    ConversionRoutines(Engine& engine, const ConversionSettings& settings);

    // The routine for an output format, or an empty function when this build
    // has no encoder for it. The running number of the job is read through
    // job (for track numbers) when the routine runs; without a job (outside
    // a run) every file counts as the first.
    ConversionRoutine routineFor(int32_t outputFormat, const ConversionJob* job = nullptr);

    // Whether routineFor() has a routine for the format.
    static bool formatAvailable(int32_t outputFormat);

    Outcome convertToWav(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                      ConversionProgress& progress);

    // MP3 through Mp3Encoder, with ID3 tags by MP3ID3TagType and
    // MP3WriteID3Version. runningNumber is the file's position in the run
    // (the track number when the MP3 tag defaults ask for it).
    Outcome convertToMp3(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                      ConversionProgress& progress, int32_t runningNumber);

    // AMR-NB or AMR-WB through AmrEncoder, mono 16-bit at 8000 or 16000 Hz.
    // outputFormat is kOutputAmr (narrow band, or wide band when AMRType is
    // 1, in a ".amr" file either way) or kOutputAwb (always wide band).
    Outcome convertToAmr(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                      ConversionProgress& progress, int32_t outputFormat);

    // AAC in ADTS framing through AacAdtsEncoder: the source's PCM as it
    // is (rate, channels, width), no tags.
    Outcome convertToAac(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                      ConversionProgress& progress);

    // AAC in an MPEG-4 file through Mp4AudioWriter (M4A, MP4 and M4B alike),
    // the source's PCM as it is, metadata by M4AID3TagType. runningNumber as
    // for convertToMp3.
    Outcome convertToMp4(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                      ConversionProgress& progress, int32_t runningNumber);

    // FLAC through FlacEncoder: the delivered PCM unchanged (rate, channels,
    // width) at FLACCompressionLevel, with comments by FLACID3TagType.
    Outcome convertToFlac(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                          ConversionProgress& progress, int32_t runningNumber);
    // Apple Lossless in an MPEG-4 file through AlacWriter: the delivered PCM
    // unchanged (rate, channels; 8-bit widened to 16), metadata and
    // amplification by the M4A settings (M4AID3TagType, M4ATag, AmplifyM4A).
    Outcome convertToAlac(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                          ConversionProgress& progress, int32_t runningNumber);
    // Ogg Opus through OggOpusEncoder at the source's rate, with comments by
    // OPUSID3TagType.
    Outcome convertToOpus(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                          ConversionProgress& progress, int32_t runningNumber);
    // Ogg Vorbis through VorbisEncoder, with comments by OGGID3TagType.
    // The stream is ended (Finish) also after Cancel or a failed write, so
    // the encoder is always left complete before the target is deleted.
    Outcome convertToOgg(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                      ConversionProgress& progress, int32_t runningNumber);

    // WMA through WmaWriter with the codec format ChooseWmaFormat picks from
    // the engine's WmaFormatList, tags by WMAID3TagType. The writer takes the
    // source's own rate and width; the run-time converts.
    Outcome convertToWma(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                      ConversionProgress& progress, int32_t runningNumber);

    // For tests: every block passes filter before it reaches an encoder.
    void setBlockFilter(BlockFilter filter) { m_blockFilter = std::move(filter); }

private:
    Outcome convert(FormatEncoder&& encoder, InputTypeCode code, const std::string& sourcePath,
                    const std::string& targetPath, ConversionProgress& progress);

    Engine& m_engine;
    const ConversionSettings& m_settings;
    BlockFilter m_blockFilter;
};

// The run options the settings give: the output format, the folder and
// naming rules, and whether to show the first output when done.
// documentsFolder answers the fallback folder when it is needed.
BatchOptions batchOptionsFrom(const ConversionSettings& settings,
                              std::function<std::optional<std::string>()> documentsFolder);

} // namespace sonivert
