#pragma once

#include "engine/audiosource.h"
#include "engine/inputtype.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sonivert {

class UserPrompts;
class WmaFormatList;

// The readers the factory can build. The order of each input code's
// candidates is a table in engine.cpp; a reader becomes available by adding
// its constructor to the reader registry there.
enum class ReaderId { Bass, Ffmpeg, Wav, Aiff, Au, Ogg, Wma };

// Name used on the command line and in diagnostics ("wav", "ffmpeg", ...).
std::string_view readerIdName(ReaderId id);
std::optional<ReaderId> readerIdFromName(std::string_view name);

// The candidates tried for a code, in order, whether built yet or not.
// windowsMediaLoaded selects between the two rows of code 7000.
std::span<const ReaderId> readerCandidates(InputTypeCode code, bool windowsMediaLoaded);

// Whether this build has a reader for id.
bool readerAvailable(ReaderId id);

// Answers, for a Windows Media input, whether the Windows Media run-time is
// loaded: loads it when installed, and otherwise tells the user (through the
// prompts) how to get it. Asked once per such file.
class WindowsMediaRuntime {
public:
    virtual ~WindowsMediaRuntime() = default;
    virtual bool ensureLoaded(UserPrompts& prompts) = 0;
};

// The engine side of the main window: it owns what the window owns for the
// conversion work (the failure detail of the last failed file) and builds
// readers. The window, the command line and the tests each create one.
class Engine {
public:
    explicit Engine(UserPrompts& prompts);
    ~Engine();

    UserPrompts& prompts() { return m_prompts; }

    // Replaces the Windows Media check (tests script it); null restores the
    // engine's own, which loads the run-time module, asks the user to
    // install it when it is missing, and rebuilds wmaFormatList() after a
    // successful load.
    void setWindowsMediaRuntime(WindowsMediaRuntime* runtime);
    WindowsMediaRuntime* windowsMediaRuntime() const { return m_windowsMedia; }

    // The Windows Media check, asked for every Windows Media input the
    // factory opens, before a WMA batch and by the WMA options page before
    // it lists the formats: true when the run-time is loaded.
    bool windowsMediaReady();

    // The Windows Media audio codec formats of this run (empty until the
    // run-time has been loaded by windowsMediaReady()).
    WmaFormatList& wmaFormatList() { return *m_wmaFormats; }
    const WmaFormatList& wmaFormatList() const { return *m_wmaFormats; }

    // Builds and opens the first reader of code's candidates that opens path,
    // destroying each refusing reader before the next one is tried.
    // outputRate is handed to every open (the render rate of synthesised
    // inputs; 0 from the list intake). probeOnly picks the stream-information
    // FFmpeg reader and keeps failureDetail untouched; otherwise a file no
    // reader opens sets failureDetail to unopenableReason(path).
    // reason, when given, receives the text failureDetail receives: a run
    // of several conversions side by side keeps each file's own reason.
    std::unique_ptr<AudioSource> createSource(const std::string& path, InputTypeCode code,
                                              int32_t outputRate, bool probeOnly, std::string* reason = nullptr);

    // While one lives on a thread, that thread's Windows Media checks
    // answer `loaded` instead of asking: a conversion running beside others
    // must not show a question, so the run asks once, on its own thread,
    // before the file starts.
    class ScopedWindowsMediaAnswer {
    public:
        explicit ScopedWindowsMediaAnswer(bool loaded);
        ~ScopedWindowsMediaAnswer();
        ScopedWindowsMediaAnswer(const ScopedWindowsMediaAnswer&) = delete;
        ScopedWindowsMediaAnswer& operator=(const ScopedWindowsMediaAnswer&) = delete;

    private:
        const bool* m_previous;
        bool m_loaded;
    };

    // Opens path with one given reader only (diagnostics). Null when the
    // reader is not available or refuses the file.
    std::unique_ptr<AudioSource> openWithReader(const std::string& path, ReaderId reader,
                                                int32_t outputRate, bool probeOnly);

    // The text is shared by every thread of the engine; each access is whole.
    std::string failureDetail() const;
    void setFailureDetail(std::string text);
    void clearFailureDetail() { setFailureDetail({}); }

    // "To get help, please forward the failure file to <address>."
    static std::string supportFailureText();

    // Why no reader opened path, in words a person understands: the file
    // does not exist, is a folder, cannot be read (permission), or no reader
    // takes it (followed by the support text).
    static std::string unopenableReason(const std::string& path);

private:
    UserPrompts& m_prompts;
    std::unique_ptr<WmaFormatList> m_wmaFormats;
    std::unique_ptr<WindowsMediaRuntime> m_ownWindowsMedia; // checks through the run-time loader
    WindowsMediaRuntime* m_windowsMedia = nullptr;          // the check in use
    mutable std::mutex m_failureDetailMutex;
    std::string m_failureDetail;
};

} // namespace sonivert
