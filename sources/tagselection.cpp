#include "sources/tagselection.h"

#include "engine/audiosource.h"
#include "engine/utf8path.h"
#include "platform/ffmpegmedia.h"
#include "settings/conversionsettings.h"
#include "sources/mp4metadatareader.h"

namespace sonivert {
namespace {

int32_t tagMode(const ConversionSettings& s, TagFamily family)
{
    switch (family) {
    case TagFamily::Mp3: return s.MP3ID3TagType;
    case TagFamily::Ogg: return s.OGGID3TagType;
    case TagFamily::Wma: return s.WMAID3TagType;
    case TagFamily::M4a: return s.M4AID3TagType;
    case TagFamily::Flac: return s.FLACID3TagType;
    case TagFamily::Opus: return s.OPUSID3TagType;
    }
    return kTagSourceNone;
}

const TagDefaults& tagDefaults(const ConversionSettings& s, TagFamily family)
{
    switch (family) {
    case TagFamily::Mp3: return s.MP3Tag;
    case TagFamily::Ogg: return s.OGGTag;
    case TagFamily::Wma: return s.WMATag;
    case TagFamily::Flac: return s.FLACTag;
    case TagFamily::Opus: return s.OPUSTag;
    case TagFamily::M4a: break;
    }
    return s.M4ATag;
}

TrackTags fromDefaults(const TagDefaults& d, const std::string& inputPath, int32_t runningNumber)
{
    TrackTags t;
    t.title = d.TitleAsFileName != 0 ? titleFromFileName(inputPath) : d.Title;
    t.artist = d.Artist;
    t.album = d.Album;
    t.year = d.Year;
    t.genre = d.Genre;
    t.comment = d.Comment;
    t.composer = d.Composer;
    t.copyright = d.Copyright;
    const int32_t number = d.TrackNumType == 1 ? runningNumber : d.TrackNumType == 2 ? d.CustomTrackNum : 0;
    if (number != 0)
        t.track = std::to_string(number);
    return t;
}

// The source file's picture as the tags carry it.
std::optional<TagPicture> sourcePicture(const std::string& inputPath)
{
    std::optional<AttachedPicture> read = readAttachedPicture(inputPath, TagPicture::kMaxBytes);
    if (!read)
        return std::nullopt;
    TagPicture picture;
    picture.type = read->type;
    picture.mimeType = std::move(read->mimeType);
    picture.description = std::move(read->description);
    picture.width = read->width;
    picture.height = read->height;
    picture.depth = read->depth;
    picture.data = std::move(read->data);
    return picture;
}

bool hasId3Blocks(const AudioSource& source)
{
    uint32_t size = 0;
    return source.id3v1Block() != nullptr || (source.id3v2Block(size) != nullptr && size > 0);
}

} // namespace

std::string titleFromFileName(const std::string& path)
{
    const std::string name = pathUtf8(utf8Path(path).filename());
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

TagSelection selectTrackTags(const ConversionSettings& settings, TagFamily family, const std::string& inputPath,
                             InputTypeCode code, AudioSource& source, int32_t runningNumber)
{
    TagSelection selection;
    const int32_t mode = tagMode(settings, family);
    if (mode == kTagSourceDefaults) {
        selection.kind = TagSelection::Kind::Tags;
        selection.tags = fromDefaults(tagDefaults(settings, family), inputPath, runningNumber);
        return selection;
    }
    if (mode != kTagSourceCopy)
        return selection;

    if (family == TagFamily::Mp3 && code == kInputMp3 && hasId3Blocks(source)) {
        selection.kind = TagSelection::Kind::SourceId3Blocks;
        return selection;
    }
    TrackTags& t = selection.tags;
    bool found = false;
    if (code == kInputMp4Audio || code == kInputMp4)
        found = readMp4Metadata(inputPath, t.title, t.artist, t.album, t.year, t.genre, t.comment, t.track,
                                t.composer, t.copyright);
    if (!found)
        found = source.readTags(t.title, t.artist, t.album, t.year, t.genre, t.comment, t.track, t.composer,
                                t.copyright);
    if (found) {
        selection.kind = TagSelection::Kind::Tags;
        t.picture = sourcePicture(inputPath);
    } else
        selection.tags = TrackTags{};
    return selection;
}

} // namespace sonivert
