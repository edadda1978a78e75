#include "platform/bass/formatrules.h"

namespace sonivert::bass {
namespace {

bool partMatches(std::string_view pattern, std::string_view name)
{
    if (!pattern.empty() && pattern.back() == '*')
        return name.substr(0, pattern.size() - 1) == pattern.substr(0, pattern.size() - 1);
    return pattern == name;
}

} // namespace

const char* const kCoreFormats[] = {
    "mp3:mp1", "mp3:mp2", "mp3:mp3", "ogg:vorbis", "wav:pcm_*", "wav:mp1", "wav:mp2", "wav:mp3", "aiff:pcm_*",
    nullptr,
};

bool formatMatches(std::string_view pattern, std::string_view demuxerNames, std::string_view codecName)
{
    const size_t colon = pattern.find(':');
    if (colon == std::string_view::npos)
        return false;
    if (!partMatches(pattern.substr(colon + 1), codecName))
        return false;
    const std::string_view container = pattern.substr(0, colon);
    while (true) {
        const size_t comma = demuxerNames.find(',');
        if (partMatches(container, demuxerNames.substr(0, comma)))
            return true;
        if (comma == std::string_view::npos)
            return false;
        demuxerNames.remove_prefix(comma + 1);
    }
}

bool anyFormatMatches(const char* const* patterns, std::string_view demuxerNames, std::string_view codecName)
{
    for (; patterns && *patterns; ++patterns) {
        if (formatMatches(*patterns, demuxerNames, codecName))
            return true;
    }
    return false;
}

} // namespace sonivert::bass
