#include "sources/mp4metadatareader.h"

#include "platform/localtext.h"
#include "platform/mp4lib/mp4libread.h"

namespace sonivert {
namespace {

using TextCall = bool (*)(Mp4ReadFile*, char**);

// Assigns one text item to field, as well-formed UTF-8 (the program's own
// text form), when it is present; returns whether it did. The library's
// copy is released in every case.
bool readText(Mp4ReadFile* file, TextCall call, std::string& field)
{
    char* raw = nullptr;
    const bool present = call(file, &raw);
    const Mp4Text text(raw);
    if (!present || !text)
        return false;
    field = sanitizedUtf8(text.get());
    return true;
}

} // namespace

bool readMp4Metadata(const std::string& path, std::string& title, std::string& artist, std::string& album,
                     std::string& year, std::string& genre, std::string& comment, std::string& track,
                     std::string& composer, std::string& copyright)
{
    const Mp4ReadHandle file(MP4ReadExx(path.c_str()));
    if (!file)
        return false;
    bool found = false;
    found |= readText(file.get(), MP4GetMetadataNameExx, title);
    found |= readText(file.get(), MP4GetMetadataArtistExx, artist);
    found |= readText(file.get(), MP4GetMetadataAlbumExx, album);
    found |= readText(file.get(), MP4GetMetadataYearExx, year);
    found |= readText(file.get(), MP4GetMetadataGenreExx, genre);
    found |= readText(file.get(), MP4GetMetadataCommentExx, comment);
    uint16_t number = 0, total = 0;
    if (MP4GetMetadataTrackExx(file.get(), &number, &total))
        track = std::to_string(number);
    found |= readText(file.get(), MP4GetMetadataWriterExx, composer);
    copyright.clear();
    return found;
}

} // namespace sonivert
