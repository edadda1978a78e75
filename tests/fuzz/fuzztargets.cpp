#include "tests/fuzz/fuzztargets.h"

#include "engine/wavsource.h"
#include "filelist/shelllink.h"
#include "platform/bass/filetags.h"
#include "platform/bass/midifile.h"
#include "platform/registrystore.h"
#include "settings/conversionsettings.h"
#include "sources/aiffsource.h"
#include "sources/ausource.h"
#include "sources/basssource.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace sonivert::fuzz {
namespace {

// A contract was broken: stop the way a sanitizer does, so that libFuzzer
// keeps the input and the regression test fails.
[[noreturn]] void broken(const char* what)
{
    std::fprintf(stderr, "fuzz target contract broken: %s\n", what);
    std::abort();
}

// The input as a file of this process (the readers open paths), rewritten
// for every input.
const std::string& scratchFile(std::span<const uint8_t> input, const char* extension)
{
    static const std::string stem = (std::filesystem::temp_directory_path() /
                                     ("sonivert-fuzz-" + std::to_string(::getpid()) + "-"))
                                        .string();
    static std::string path;
    path = stem + extension;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        broken("cannot write the scratch file");
    if (!input.empty() && std::fwrite(input.data(), 1, input.size(), f) != input.size())
        broken("cannot write the scratch file");
    std::fclose(f);
    return path;
}

// Opens the input with a reader and reads it to its end. Each read keeps
// the block limit, and the stream ends: it cannot take more reads than the
// file has bytes (every read consumes input or ends a buffered block).
template <typename Source>
void readThrough(std::span<const uint8_t> input, const char* extension)
{
    Source source;
    if (!source.open(scratchFile(input, extension), 0))
        return;
    std::array<int16_t, AudioSource::kBlockFrames> left{}, right{};
    const size_t maxReads = input.size() + 16;
    for (size_t reads = 0;; ++reads) {
        if (reads > maxReads)
            broken("the stream does not end");
        const int32_t frames = source.read(left.data(), right.data());
        if (frames > AudioSource::kBlockFrames)
            broken("a read returned more than a block");
        if (frames <= 0)
            break;
    }
    source.close();
}

void runWav(std::span<const uint8_t> input) { readThrough<WavSource>(input, ".wav"); }
void runAiff(std::span<const uint8_t> input) { readThrough<AiffSource>(input, ".aiff"); }
void runAu(std::span<const uint8_t> input) { readThrough<AuSource>(input, ".au"); }

void runShellLink(std::span<const uint8_t> input)
{
    (void)parseShellLink(input);
}

// What the decoding library reads of a file itself: the ID3v1 and ID3v2
// blocks, and the MPEG frame header after them that gives the channel mode.
void runId3(std::span<const uint8_t> input)
{
    const std::optional<bass::FileTagBlocks> blocks = bass::readFileTagBlocks(scratchFile(input, ".mp3"));
    if (!blocks)
        return;
    if (blocks->audioStart > blocks->fileSize || (!blocks->id3v2.empty() && blocks->id3v2.size() > input.size()) ||
        (!blocks->id3v1.empty() && blocks->id3v1.size() != 128))
        broken("tag blocks larger than the file");
    if (input.size() >= 10)
        (void)bass::id3v2BlockLength(input.data(), input.size());
    if (blocks->audioStart + 4 <= input.size())
        (void)mpegFrameChannelMode(std::span<const uint8_t, 4>(input.data() + blocks->audioStart, 4));
}

void runMidi(std::span<const uint8_t> input)
{
    const std::vector<uint8_t> file(input.begin(), input.end());
    for (const int32_t rate : {44100, 8000}) {
        const std::optional<bass::MidiSequence> sequence = bass::parseMidiFile(file, rate);
        if (!sequence)
            return;
        for (const bass::MidiEvent& event : sequence->events) {
            if (event.frame > sequence->endFrame)
                broken("an event after the end of the song");
            if (event.status == 0xF0 && size_t{event.sysexOffset} + event.sysexLength > sequence->sysex.size())
                broken("a SysEx body outside the SysEx store");
        }
    }
}

// The settings as the program reads them from its INI file: every value of
// the Options key with its load check, the tag sub-keys and the extension
// filter.
void runSettings(std::span<const uint8_t> input)
{
    const std::unique_ptr<RegistryStore> store = openIniSettingsStore(scratchFile(input, ".ini"));
    if (!store)
        return;
    ConversionSettings settings(std::string("/documents"));
    settings.load(*store);
    if (settings.OptStartPageIndex < 0 || settings.OptStartPageIndex >= kOptionPageCount)
        broken("a start page outside the sheet");
}

constexpr Target kTargets[] = {
    {"wav", runWav, ChunkLayout::Riff},
    {"aiff", runAiff, ChunkLayout::Iff},
    {"au", runAu, ChunkLayout::None},
    {"shelllink", runShellLink, ChunkLayout::None},
    {"id3", runId3, ChunkLayout::None},
    {"midi", runMidi, ChunkLayout::Smf},
    {"settings", runSettings, ChunkLayout::None},
};

} // namespace

std::span<const Target> targets()
{
    return kTargets;
}

const Target* findTarget(std::string_view name)
{
    for (const Target& t : kTargets) {
        if (t.name == name)
            return &t;
    }
    return nullptr;
}

} // namespace sonivert::fuzz
