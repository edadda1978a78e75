#pragma once

#include <string>

namespace sonivert {

// Reads the metadata texts of an MPEG-4 file (M4A, M4B, MP4, M4V) into the
// nine tag texts of the readTags order. path is UTF-8.
//
// Title, artist, album, year, genre, comment and composer (the writer item)
// are assigned when present and valid UTF-8; track gets the track number in
// decimal when present; copyright becomes empty. Returns true when at least
// one text field other than the track was assigned: a file whose only item
// is its track number counts as having no tags. A file that cannot be read
// as MPEG-4 returns false with every string untouched.
bool readMp4Metadata(const std::string& path, std::string& title, std::string& artist, std::string& album,
                     std::string& year, std::string& genre, std::string& comment, std::string& track,
                     std::string& composer, std::string& copyright);

} // namespace sonivert
