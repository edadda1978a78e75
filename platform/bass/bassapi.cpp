// The library's C entry points. Every call catches everything: no
// exception crosses the C interface, a failure is the call's error result.
//
// State lives in one object guarded by a mutex: the channel table, the
// loaded add-ons and the sound fonts. Channels are handed out as shared
// owners and carry their own mutex, so the table lock is held only for
// look-ups and one thread's long decode never blocks another thread's
// probe of a different file.

#include "platform/bass/bass.h"

#include "platform/bass/addonabi.h"
#include "platform/bass/filetags.h"
#include "platform/bass/formatrules.h"
#include "platform/bass/midichannel.h"
#include "platform/bass/musicchannel.h"
#include "platform/bass/streamchannel.h"
#include "platform/bass/tagtext.h"

#include <dlfcn.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sonivert::bass {
namespace {

constexpr DWORD kDefaultRate = 44100;

struct ChannelEntry {
    std::shared_ptr<Channel> channel;
    std::optional<FileTagBlocks> blocks; // streams only
};

struct ModuleCloser {
    void operator()(void* module) const { dlclose(module); }
};

struct Addon {
    HPLUGIN handle = 0;
    std::string path;
    std::unique_ptr<void, ModuleCloser> module;
    const SonivertBassAddon* description = nullptr; // static data of module
};

struct Library {
    std::mutex mutex;
    bool initialised = false;
    DWORD rate = kDefaultRate;
    DWORD lastChannel = 0;
    std::map<DWORD, std::shared_ptr<ChannelEntry>> channels;
    DWORD lastAddon = 0;
    std::vector<Addon> addons;
    DWORD lastFont = 0;
    std::map<HSOUNDFONT, std::string> fonts;
    std::vector<std::string> defaultFonts;
};

Library& library()
{
    static Library instance;
    return instance;
}

// The next free handle after last; never 0.
template <typename Map>
DWORD nextHandle(DWORD& last, const Map& used)
{
    do {
        ++last;
    } while (last == 0 || used.count(last));
    return last;
}

std::shared_ptr<ChannelEntry> findChannel(DWORD handle)
{
    Library& lib = library();
    const std::lock_guard lock(lib.mutex);
    const auto it = lib.channels.find(handle);
    return it == lib.channels.end() ? nullptr : it->second;
}

DWORD addChannel(std::shared_ptr<Channel> channel, std::optional<FileTagBlocks> blocks)
{
    Library& lib = library();
    const std::lock_guard lock(lib.mutex);
    if (!lib.initialised)
        return 0; // freed while the channel was being created
    const DWORD handle = nextHandle(lib.lastChannel, lib.channels);
    lib.channels.emplace(handle, std::make_shared<ChannelEntry>(ChannelEntry{std::move(channel), std::move(blocks)}));
    return handle;
}

bool freeChannel(DWORD handle, bool music)
{
    Library& lib = library();
    std::shared_ptr<ChannelEntry> entry;
    {
        const std::lock_guard lock(lib.mutex);
        const auto it = lib.channels.find(handle);
        if (it == lib.channels.end() || (it->second->channel->kind() == ChannelKind::Music) != music)
            return false;
        entry = std::move(it->second);
        lib.channels.erase(it);
    }
    return true; // the channel goes when the last call using it returns
}

// Whether the core or a loaded add-on decodes the format.
bool formatEnabled(std::string_view demuxer, std::string_view codec, uint32_t& plugin)
{
    plugin = 0;
    if (anyFormatMatches(kCoreFormats, demuxer, codec))
        return true;
    Library& lib = library();
    const std::lock_guard lock(lib.mutex);
    for (const Addon& addon : lib.addons) {
        if (anyFormatMatches(addon.description->formats, demuxer, codec)) {
            plugin = addon.handle;
            return true;
        }
    }
    return false;
}

bool ready(DWORD& rate)
{
    Library& lib = library();
    const std::lock_guard lock(lib.mutex);
    if (!lib.initialised)
        return false;
    if (rate == 0)
        rate = lib.rate;
    return true;
}

// Creation flags: the library only decodes, so a channel must be asked for
// as a decoding channel; memory sources and file sections are not offered.
bool creatable(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags)
{
    return !mem && file && offset == 0 && length == 0 && (flags & BASS_STREAM_DECODE);
}

} // namespace
} // namespace sonivert::bass

using namespace sonivert::bass;

extern "C" {

DWORD BASS_GetVersion(void)
{
    return (BASSVERSION << 16) | 0x0000;
}

BOOL BASS_SetConfig(DWORD option, DWORD /*value*/)
{
    // Nothing is played, so the update period has nothing to update.
    return option == BASS_CONFIG_UPDATEPERIOD;
}

BOOL BASS_Init(int device, DWORD freq, DWORD /*flags*/, void* /*window*/, const void* /*clsid*/)
{
    if (device != 0)
        return 0; // the library has no sound output, only "no sound"
    try {
        Library& lib = library();
        const std::lock_guard lock(lib.mutex);
        lib.initialised = true;
        lib.rate = freq > 0 ? freq : kDefaultRate;
        return 1;
    } catch (...) {
        return 0;
    }
}

BOOL BASS_Free(void)
{
    try {
        Library& lib = library();
        std::map<DWORD, std::shared_ptr<ChannelEntry>> channels;
        {
            const std::lock_guard lock(lib.mutex);
            if (!lib.initialised)
                return 0;
            lib.initialised = false;
            channels.swap(lib.channels);
            lib.defaultFonts.clear();
            lib.fonts.clear();
        }
        return 1;
    } catch (...) {
        return 0;
    }
}

HPLUGIN BASS_PluginLoad(const char* file, DWORD /*flags*/)
{
    if (!file)
        return 0;
    try {
        Library& lib = library();
        {
            const std::lock_guard lock(lib.mutex);
            for (const Addon& addon : lib.addons) {
                if (addon.path == file)
                    return addon.handle;
            }
        }
        std::unique_ptr<void, ModuleCloser> module(dlopen(file, RTLD_NOW | RTLD_LOCAL));
        if (!module)
            return 0;
        const auto entry = reinterpret_cast<SonivertBassAddonEntry>(dlsym(module.get(), SONIVERT_BASS_ADDON_ENTRY));
        const SonivertBassAddon* description = entry ? entry() : nullptr;
        if (!description || description->abi != kSonivertBassAddonAbi || !description->family ||
            !description->formats)
            return 0;
        const std::lock_guard lock(lib.mutex);
        Addon addon;
        addon.handle = ++lib.lastAddon;
        addon.path = file;
        addon.module = std::move(module);
        addon.description = description;
        lib.addons.push_back(std::move(addon));
        return lib.addons.back().handle;
    } catch (...) {
        return 0;
    }
}

BOOL BASS_PluginFree(HPLUGIN handle)
{
    try {
        Library& lib = library();
        const std::lock_guard lock(lib.mutex);
        // Open channels keep decoding: the decoders are the library's own,
        // the add-on only enabled their formats.
        if (handle == 0) {
            lib.addons.clear();
            return 1;
        }
        for (auto it = lib.addons.begin(); it != lib.addons.end(); ++it) {
            if (it->handle == handle) {
                lib.addons.erase(it);
                return 1;
            }
        }
        return 0;
    } catch (...) {
        return 0;
    }
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags)
{
    DWORD rate = 0;
    if (!creatable(mem, file, offset, length, flags) || !ready(rate))
        return 0;
    try {
        const std::string path(static_cast<const char*>(file));
        std::optional<FileTagBlocks> blocks = readFileTagBlocks(path);
        if (!blocks)
            return 0;
        std::shared_ptr<Channel> channel = StreamChannel::open(path, formatEnabled);
        if (!channel)
            return 0;
        return addChannel(std::move(channel), std::move(blocks));
    } catch (...) {
        return 0;
    }
}

HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags, DWORD freq)
{
    if (!creatable(mem, file, offset, length, flags) || !ready(freq))
        return 0;
    try {
        std::shared_ptr<Channel> channel =
            MusicChannel::open(static_cast<const char*>(file), static_cast<int32_t>(freq));
        if (!channel)
            return 0;
        return addChannel(std::move(channel), std::nullopt);
    } catch (...) {
        return 0;
    }
}

BOOL BASS_StreamFree(HSTREAM handle)
{
    try {
        return freeChannel(handle, false) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

BOOL BASS_MusicFree(HMUSIC handle)
{
    try {
        return freeChannel(handle, true) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

HSTREAM BASS_MIDI_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags, DWORD freq)
{
    if (!creatable(mem, file, offset, length, flags) || !ready(freq) || freq > 0x7FFFFFFF)
        return 0;
    try {
        const std::string path(static_cast<const char*>(file));
        std::vector<std::string> fonts;
        {
            Library& lib = library();
            const std::lock_guard lock(lib.mutex);
            fonts = lib.defaultFonts;
        }
        std::optional<FileTagBlocks> blocks = readFileTagBlocks(path);
        if (!blocks)
            return 0;
        std::shared_ptr<Channel> channel = MidiChannel::open(path, static_cast<int32_t>(freq), fonts);
        if (!channel)
            return 0;
        return addChannel(std::move(channel), std::move(blocks));
    } catch (...) {
        return 0;
    }
}

HSOUNDFONT BASS_MIDI_FontInit(const void* file, DWORD /*flags*/)
{
    if (!file)
        return 0;
    try {
        const std::string path(static_cast<const char*>(file));
        if (!soundFontLoads(path))
            return 0;
        Library& lib = library();
        const std::lock_guard lock(lib.mutex);
        const HSOUNDFONT handle = nextHandle(lib.lastFont, lib.fonts);
        lib.fonts.emplace(handle, path);
        return handle;
    } catch (...) {
        return 0;
    }
}

BOOL BASS_MIDI_StreamSetFonts(HSTREAM handle, const BASS_MIDI_FONT* fonts, DWORD count)
{
    // Only the default for later streams is offered: a stream keeps the
    // fonts it was created with. Every entry must name a known font with
    // all its presets from bank 0.
    if (handle != 0 || (count > 0 && !fonts))
        return 0;
    try {
        Library& lib = library();
        const std::lock_guard lock(lib.mutex);
        std::vector<std::string> paths;
        for (DWORD i = 0; i < count; ++i) {
            const auto it = lib.fonts.find(fonts[i].font);
            if (it == lib.fonts.end() || fonts[i].preset != -1 || fonts[i].bank != 0)
                return 0;
            paths.push_back(it->second);
        }
        lib.defaultFonts = std::move(paths);
        return 1;
    } catch (...) {
        return 0;
    }
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode)
{
    const auto entry = findChannel(handle);
    if (!entry || mode != BASS_POS_BYTE)
        return BASS_POSITION_ERROR;
    return entry->channel->lengthBytes();
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD position)
{
    const auto entry = findChannel(handle);
    if (!entry)
        return -1.0;
    const Channel& channel = *entry->channel;
    return static_cast<double>(position) / (static_cast<double>(channel.frameBytes()) * channel.sampleRate());
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info)
{
    const auto entry = findChannel(handle);
    if (!entry || !info)
        return 0;
    const Channel& channel = *entry->channel;
    *info = BASS_CHANNELINFO{};
    info->freq = static_cast<DWORD>(channel.sampleRate());
    info->chans = static_cast<DWORD>(channel.channels());
    info->flags = 0; // always 16-bit samples
    switch (channel.kind()) {
    case ChannelKind::Stream: info->ctype = BASS_CTYPE_STREAM; break;
    case ChannelKind::Music: info->ctype = BASS_CTYPE_MUSIC; break;
    case ChannelKind::Midi: info->ctype = BASS_CTYPE_MIDI; break;
    }
    info->origres = channel.originalResolution();
    info->plugin = channel.plugin();
    return 1;
}

DWORD SONIVERT_ChannelGetSpeakers(DWORD handle, int* speakers, DWORD max)
{
    try {
        const auto entry = findChannel(handle);
        if (!entry || !speakers)
            return 0;
        const std::vector<int> order = entry->channel->speakers();
        if (order.size() > max)
            return 0;
        std::copy(order.begin(), order.end(), speakers);
        return static_cast<DWORD>(order.size());
    } catch (...) {
        return 0;
    }
}

QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode)
{
    const auto entry = findChannel(handle);
    if (!entry || !entry->blocks)
        return BASS_POSITION_ERROR;
    switch (mode) {
    case BASS_FILEPOS_END:
    case BASS_FILEPOS_DOWNLOAD: return entry->blocks->fileSize;
    case BASS_FILEPOS_START: return entry->blocks->audioStart;
    default: return BASS_POSITION_ERROR;
    }
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length)
{
    try {
        const auto entry = findChannel(handle);
        if (!entry)
            return BASS_DATA_ERROR;
        Channel& channel = *entry->channel;
        const std::lock_guard lock(channel.mutex());
        return channel.read(buffer, length);
    } catch (...) {
        return BASS_DATA_ERROR;
    }
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode)
{
    const auto entry = findChannel(handle);
    if (!entry || mode != BASS_POS_BYTE)
        return BASS_POSITION_ERROR;
    Channel& channel = *entry->channel;
    const std::lock_guard lock(channel.mutex());
    return channel.positionBytes();
}

const char* BASS_ChannelGetTags(DWORD handle, DWORD tags)
{
    const auto entry = findChannel(handle);
    if (!entry || !entry->blocks || entry->channel->kind() != ChannelKind::Stream)
        return nullptr;
    // The blocks live as long as the channel's entry in the table.
    const std::vector<uint8_t>* block = nullptr;
    if (tags == BASS_TAG_ID3)
        block = &entry->blocks->id3v1;
    else if (tags == BASS_TAG_ID3V2)
        block = &entry->blocks->id3v2;
    if (!block || block->empty())
        return nullptr;
    return reinterpret_cast<const char*>(block->data());
}

const char* TAGS_Read(DWORD handle, const char* format)
{
    // One text per thread, valid until the thread's next call.
    thread_local std::string text;
    try {
        text.clear();
        const auto entry = findChannel(handle);
        if (entry && format) {
            // A module's tags come from the renderer another thread may be using.
            const std::lock_guard lock(entry->channel->mutex());
            text = formatTags(format, entry->channel->tags());
        }
    } catch (...) {
        text.clear();
    }
    return text.c_str();
}

} // extern "C"
