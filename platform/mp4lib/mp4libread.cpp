#include "platform/mp4lib/mp4libread.h"

#include <cstdlib>
#include <cstring>
#include <id3v1genres.h>
#include <mp4file.h>
#include <mp4tag.h>

namespace sonivert {

struct Mp4ReadFile {
    TagLib::MP4::ItemMap items;
};

namespace {

// A malloc'ed zero-terminated copy, so that FreeMemExx releases every text alike.
char* copyText(const TagLib::String& text)
{
    const std::string utf8 = text.to8Bit(true);
    char* copy = static_cast<char*>(std::malloc(utf8.size() + 1));
    if (copy)
        std::memcpy(copy, utf8.c_str(), utf8.size() + 1);
    return copy;
}

bool textItem(Mp4ReadFile* handle, const char* key, char** value)
{
    if (!value)
        return false;
    *value = nullptr;
    if (!handle)
        return false;
    const auto it = handle->items.find(key);
    if (it == handle->items.end())
        return false;
    const TagLib::StringList list = it->second.toStringList();
    if (list.isEmpty())
        return false;
    *value = copyText(list.toString(", "));
    return *value != nullptr;
}

} // namespace

Mp4ReadFile* MP4ReadExx(const char* path)
{
    if (!path)
        return nullptr;
    TagLib::MP4::File file(path, false);
    if (!file.isValid())
        return nullptr;
    auto* handle = new Mp4ReadFile;
    if (TagLib::MP4::Tag* tag = file.tag())
        handle->items = tag->itemMap();
    return handle;
}

void MP4CloseExx(Mp4ReadFile* handle)
{
    delete handle;
}

void FreeMemExx(void* memory)
{
    std::free(memory);
}

bool MP4GetMetadataNameExx(Mp4ReadFile* handle, char** value)
{
    return textItem(handle, "\251nam", value);
}

bool MP4GetMetadataArtistExx(Mp4ReadFile* handle, char** value)
{
    return textItem(handle, "\251ART", value);
}

bool MP4GetMetadataAlbumExx(Mp4ReadFile* handle, char** value)
{
    return textItem(handle, "\251alb", value);
}

bool MP4GetMetadataYearExx(Mp4ReadFile* handle, char** value)
{
    return textItem(handle, "\251day", value);
}

bool MP4GetMetadataGenreExx(Mp4ReadFile* handle, char** value)
{
    if (textItem(handle, "\251gen", value))
        return true;
    if (!handle || !value)
        return false;
    // A standard genre stored as its ID3v1 number plus one.
    const auto it = handle->items.find("gnre");
    if (it == handle->items.end())
        return false;
    const int number = it->second.toInt();
    const TagLib::String name = TagLib::ID3v1::genre(number - 1);
    if (number < 1 || name.isEmpty())
        return false;
    *value = copyText(name);
    return *value != nullptr;
}

bool MP4GetMetadataCommentExx(Mp4ReadFile* handle, char** value)
{
    return textItem(handle, "\251cmt", value);
}

bool MP4GetMetadataWriterExx(Mp4ReadFile* handle, char** value)
{
    return textItem(handle, "\251wrt", value);
}

bool MP4GetMetadataTrackExx(Mp4ReadFile* handle, uint16_t* track, uint16_t* total)
{
    if (!handle || !track || !total)
        return false;
    const auto it = handle->items.find("trkn");
    if (it == handle->items.end())
        return false;
    const TagLib::MP4::Item::IntPair pair = it->second.toIntPair();
    *track = static_cast<uint16_t>(pair.first);
    *total = static_cast<uint16_t>(pair.second);
    return true;
}

} // namespace sonivert
