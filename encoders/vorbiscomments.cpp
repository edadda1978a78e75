#include "encoders/vorbiscomments.h"

#include "platform/localtext.h"

namespace sonivert {

std::vector<std::pair<std::string, std::string>> vorbisCommentFields(const TrackTags& tags, CommentFlavour flavour)
{
    const std::pair<const char*, const std::string*> fields[] = {
        {"TITLE", &tags.title},       {"ARTIST", &tags.artist}, {"ALBUM", &tags.album},
        {"DATE", &tags.year},         {"GENRE", &tags.genre},   {"COMMENT", &tags.comment},
        {"COMPOSER", &tags.composer}, {"COPYRIGHT", &tags.copyright},
    };
    std::vector<std::pair<std::string, std::string>> comments;
    auto add = [&](const char* name, const std::string& value) {
        if (!value.empty() && isValidUtf8(value))
            comments.emplace_back(name, value);
    };
    for (const auto& [name, value] : fields)
        add(name, *value);
    if (tags.trackNumber() > 0)
        add("TRACKNUMBER", tags.track);
    if (tags.loudness) {
        if (flavour == CommentFlavour::Opus) {
            add("R128_TRACK_GAIN", std::to_string(tags.loudness->r128TrackGain()));
        } else {
            add("REPLAYGAIN_TRACK_GAIN", tags.loudness->replayGainText());
            add("REPLAYGAIN_TRACK_PEAK", tags.loudness->peakText());
        }
    }
    return comments;
}

} // namespace sonivert
