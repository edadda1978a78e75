#include "platform/bass/musicchannel.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

namespace sonivert::bass {
namespace {

// Module files are read whole; anything larger is not a module.
constexpr long kMaxModuleBytes = 256L * 1024 * 1024;

struct StringFreer {
    void operator()(const char* text) const { openmpt_free_string(text); }
};

std::string metadata(openmpt_module* module, const char* key)
{
    const std::unique_ptr<const char, StringFreer> text(openmpt_module_get_metadata(module, key));
    return text ? std::string(text.get()) : std::string();
}

bool readWholeFile(const std::string& path, std::vector<char>& data)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> owner(file, &std::fclose);
    if (std::fseek(file, 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(file);
    if (size <= 0 || size > kMaxModuleBytes || std::fseek(file, 0, SEEK_SET) != 0)
        return false;
    data.resize(static_cast<size_t>(size));
    return std::fread(data.data(), 1, data.size(), file) == data.size();
}

// The module kinds this channel plays; libopenmpt reads more.
bool listedKind(openmpt_module* module)
{
    constexpr std::array<std::string_view, 6> kinds{"mod", "xm", "it", "s3m", "mtm", "mo3"};
    for (const char* key : {"type", "originaltype", "container"}) {
        const std::string value = metadata(module, key);
        if (value == "umx" || std::find(kinds.begin(), kinds.end(), value) != kinds.end())
            return true;
    }
    return false;
}

} // namespace

void ModuleDestroyer::operator()(openmpt_module* module) const
{
    openmpt_module_destroy(module);
}

MusicChannel::MusicChannel(const std::string& path, int32_t rate, uint64_t lengthFrames, ModulePtr module)
    : Channel(ChannelKind::Music, path, rate, 2, lengthFrames), m_module(std::move(module))
{
}

std::unique_ptr<MusicChannel> MusicChannel::open(const std::string& path, int32_t rate)
{
    if (rate <= 0)
        return nullptr;
    std::vector<char> data;
    if (!readWholeFile(path, data))
        return nullptr;
    int error = 0;
    ModulePtr module(openmpt_module_create_from_memory2(data.data(), data.size(), openmpt_log_func_silent, nullptr,
                                                        openmpt_error_func_ignore, nullptr, &error, nullptr,
                                                        nullptr));
    if (!module || !listedKind(module.get()))
        return nullptr;
    openmpt_module_set_repeat_count(module.get(), 0);
    const double seconds = openmpt_module_get_duration_seconds(module.get());
    if (!(seconds > 0) || seconds > 24.0 * 3600.0)
        return nullptr;
    const auto frames = static_cast<uint64_t>(std::llround(seconds * rate));
    if (frames == 0)
        return nullptr;
    return std::unique_ptr<MusicChannel>(new MusicChannel(path, rate, frames, std::move(module)));
}

size_t MusicChannel::render(int16_t* out, size_t frames)
{
    return openmpt_module_read_interleaved_stereo(m_module.get(), sampleRate(), frames, out);
}

TagValues MusicChannel::tags() const
{
    TagValues values;
    values.title = metadata(m_module.get(), "title");
    values.artist = metadata(m_module.get(), "artist");
    return values;
}

} // namespace sonivert::bass
