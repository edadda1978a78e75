#include "engine/engine.h"

#include "encoders/wmaformatlist.h"
#include "engine/constants.h"
#include "engine/utf8path.h"
#include "engine/wavsource.h"
#include "sources/aiffsource.h"
#include "sources/basssource.h"
#include "sources/ausource.h"
#include "sources/ffmpegprobesource.h"
#include "sources/ffmpegsource.h"
#include "sources/oggsource.h"
#include "engine/wmaruntimecheck.h"
#include "sources/wmasource.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace sonivert {
namespace {

using ReaderMaker = std::unique_ptr<AudioSource> (*)(bool probeOnly);

struct ReaderRegistration {
    ReaderId id;
    std::string_view name;
    ReaderMaker make; // null: this build has no such reader
};

template <typename T>
std::unique_ptr<AudioSource> makeReader(bool)
{
    return std::make_unique<T>();
}

// The list intake only needs stream information, which FFmpeg gives without
// opening a decoder.
std::unique_ptr<AudioSource> makeFfmpegReader(bool probeOnly)
{
    if (probeOnly)
        return std::make_unique<FfmpegProbeSource>();
    return std::make_unique<FfmpegSource>();
}

// One line per reader. A reader that is not built yet has no maker and is
// skipped wherever the candidate rows name it.
const std::array kReaders = {
    ReaderRegistration{ReaderId::Bass, "bass", &makeReader<BassSource>},
    ReaderRegistration{ReaderId::Ffmpeg, "ffmpeg", &makeFfmpegReader},
    ReaderRegistration{ReaderId::Wav, "wav", &makeReader<WavSource>},
    ReaderRegistration{ReaderId::Aiff, "aiff", &makeReader<AiffSource>},
    ReaderRegistration{ReaderId::Au, "au", &makeReader<AuSource>},
    ReaderRegistration{ReaderId::Ogg, "ogg", &makeReader<OggSource>},
    ReaderRegistration{ReaderId::Wma, "wma", &makeReader<WmaSource>},
};

const ReaderRegistration& registration(ReaderId id)
{
    for (const ReaderRegistration& r : kReaders) {
        if (r.id == id)
            return r;
    }
    return kReaders.front(); // unreachable: every ReaderId is listed
}

using R = ReaderId;
constexpr std::array kBassFfmpeg = {R::Bass, R::Ffmpeg};
constexpr std::array kWavRow = {R::Bass, R::Ffmpeg, R::Wav};
constexpr std::array kSpeexRow = {R::Ffmpeg, R::Bass};
constexpr std::array kOggRow = {R::Ogg, R::Bass, R::Ffmpeg};
constexpr std::array kAuRow = {R::Au, R::Ffmpeg};
constexpr std::array kAiffRow = {R::Aiff, R::Bass, R::Ffmpeg};
constexpr std::array kWmaLoadedRow = {R::Wma, R::Ffmpeg};
constexpr std::array kFfmpegOnly = {R::Ffmpeg};

} // namespace

std::string_view readerIdName(ReaderId id)
{
    return registration(id).name;
}

std::optional<ReaderId> readerIdFromName(std::string_view name)
{
    for (const ReaderRegistration& r : kReaders) {
        if (r.name == name)
            return r.id;
    }
    return std::nullopt;
}

bool readerAvailable(ReaderId id)
{
    return registration(id).make != nullptr;
}

std::span<const ReaderId> readerCandidates(InputTypeCode code, bool windowsMediaLoaded)
{
    switch (code) {
    case kInputMp3:
    case kInputTracker:
    case kInputMidi:
    case kInputCdAudio:
    case kInputFlac:
    case kInputWavPack:
    case kInputAdx:
    case kInputMonkeys:
    case kInputMusepack:
    case kInputTta:
    case kInputAac:
    case kInputMp4Audio:
    case kInputMp4:
        return kBassFfmpeg;
    case kInputWav:
        return kWavRow;
    case kInputSpeex:
        return kSpeexRow;
    case kInputOgg:
        return kOggRow;
    case kInputAu:
        return kAuRow;
    case kInputAiff:
        return kAiffRow;
    case kInputWindowsMedia:
        if (windowsMediaLoaded)
            return kWmaLoadedRow;
        return kBassFfmpeg;
    case kInputOther:
        break;
    }
    return kFfmpegOnly;
}

Engine::Engine(UserPrompts& prompts)
    : m_prompts(prompts),
      m_wmaFormats(std::make_unique<WmaFormatList>()),
      m_ownWindowsMedia(std::make_unique<WmaRuntimeCheck>(*m_wmaFormats)),
      m_windowsMedia(m_ownWindowsMedia.get())
{
}

Engine::~Engine() = default;

void Engine::setWindowsMediaRuntime(WindowsMediaRuntime* runtime)
{
    m_windowsMedia = runtime ? runtime : m_ownWindowsMedia.get();
}

namespace {
thread_local const bool* t_windowsMediaAnswer = nullptr;
} // namespace

Engine::ScopedWindowsMediaAnswer::ScopedWindowsMediaAnswer(bool loaded)
    : m_previous(t_windowsMediaAnswer), m_loaded(loaded)
{
    t_windowsMediaAnswer = &m_loaded;
}

Engine::ScopedWindowsMediaAnswer::~ScopedWindowsMediaAnswer()
{
    t_windowsMediaAnswer = m_previous;
}

bool Engine::windowsMediaReady()
{
    if (t_windowsMediaAnswer)
        return *t_windowsMediaAnswer;
    return m_windowsMedia->ensureLoaded(m_prompts);
}

std::string Engine::failureDetail() const
{
    const std::lock_guard lock(m_failureDetailMutex);
    return m_failureDetail;
}

void Engine::setFailureDetail(std::string text)
{
    const std::lock_guard lock(m_failureDetailMutex);
    m_failureDetail = std::move(text);
}

std::string Engine::supportFailureText()
{
    return std::string("To get help, please forward the failure file to <") + kSupportEmail + ">.";
}

std::unique_ptr<AudioSource> Engine::openWithReader(const std::string& path, ReaderId reader,
                                                    int32_t outputRate, bool probeOnly)
{
    const ReaderRegistration& r = registration(reader);
    if (!r.make)
        return nullptr;
    std::unique_ptr<AudioSource> source = r.make(probeOnly);
    if (!source || !source->open(path, outputRate))
        return nullptr; // the refusing reader is destroyed here
    return source;
}

std::unique_ptr<AudioSource> Engine::createSource(const std::string& path, InputTypeCode code,
                                                  int32_t outputRate, bool probeOnly, std::string* reason)
{
    const bool windowsMediaLoaded = code == kInputWindowsMedia && windowsMediaReady();

    for (ReaderId candidate : readerCandidates(code, windowsMediaLoaded)) {
        if (auto source = openWithReader(path, candidate, outputRate, probeOnly))
            return source;
    }
    if (!probeOnly) {
        std::string why = unopenableReason(path);
        if (reason)
            *reason = why;
        setFailureDetail(std::move(why));
    }
    return nullptr;
}

std::string Engine::unopenableReason(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(utf8Path(path), ec);
    if (status.type() == std::filesystem::file_type::not_found)
        return "The file does not exist.";
    if (status.type() == std::filesystem::file_type::directory)
        return "This is a folder, not a file.";
    if (std::FILE* f = std::fopen(utf8Path(path).string().c_str(), "rb"))
        std::fclose(f);
    else if (errno == EACCES || errno == EPERM)
        return "Permission denied.";
    return "No reader can open this file. " + supportFailureText();
}

} // namespace sonivert
