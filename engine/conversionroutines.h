#pragma once

#include "engine/conversionjob.h"
#include "engine/inputtype.h"
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
// source file into one target file with the settings of its format. They
// open the source through the engine's factory, run the shared block loop and
// delete a partial target on failure or Cancel (never the source itself).
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

    bool convertToWav(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                      ConversionProgress& progress);

    // MP3 through Mp3Encoder, with ID3 tags by MP3ID3TagType and
    // MP3WriteID3Version. runningNumber is the file's position in the run
    // (the track number when the MP3 tag defaults ask for it).
    bool convertToMp3(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                      ConversionProgress& progress, int32_t runningNumber);

    // AMR-NB or AMR-WB through AmrEncoder, mono 16-bit at 8000 or 16000 Hz.
    // outputFormat is kOutputAmr (narrow band, or wide band when AMRType is
    // 1, in a ".amr" file either way) or kOutputAwb (always wide band).
    bool convertToAmr(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                      ConversionProgress& progress, int32_t outputFormat);

    // AAC in ADTS framing through AacAdtsEncoder: the source's PCM as it
    // is (rate, channels, width), no tags.
    bool convertToAac(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                      ConversionProgress& progress);

    // AAC in an MPEG-4 file through Mp4AudioWriter (M4A, MP4 and M4B alike),
    // the source's PCM as it is, metadata by M4AID3TagType. runningNumber as
    // for convertToMp3.
    bool convertToMp4(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                      ConversionProgress& progress, int32_t runningNumber);

    // Ogg Vorbis through VorbisEncoder, with comments by OGGID3TagType.
    // The stream is ended (Finish) also after Cancel or a failed write, so
    // the encoder is always left complete before the target is deleted.
    bool convertToOgg(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                      ConversionProgress& progress, int32_t runningNumber);

    // WMA through WmaWriter with the codec format ChooseWmaFormat picks from
    // the engine's WmaFormatList, tags by WMAID3TagType. The writer takes the
    // source's own rate and width; the run-time converts.
    bool convertToWma(InputTypeCode code, const std::string& sourcePath, const std::string& targetPath,
                      ConversionProgress& progress, int32_t runningNumber);

private:
    Engine& m_engine;
    const ConversionSettings& m_settings;
};

// The run options the settings give: the output format, the folder and
// naming rules, and whether to show the first output when done.
// documentsFolder answers the fallback folder when it is needed.
BatchOptions batchOptionsFrom(const ConversionSettings& settings,
                              std::function<std::optional<std::string>()> documentsFolder);

} // namespace sonivert
