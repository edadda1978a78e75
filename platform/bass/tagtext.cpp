#include "platform/bass/tagtext.h"

#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/tpropertymap.h>

#include <array>
#include <utility>

namespace sonivert::bass {
namespace {

std::string firstProperty(const TagLib::PropertyMap& properties, const char* key)
{
    const auto it = properties.find(key);
    if (it == properties.end() || it->second.isEmpty())
        return {};
    return it->second.front().to8Bit(true);
}

} // namespace

TagValues readFileTags(const std::string& path)
{
    TagValues values;
    const TagLib::FileRef file(path.c_str(), false);
    if (file.isNull() || !file.tag())
        return values;
    const TagLib::Tag& tag = *file.tag();
    values.title = tag.title().to8Bit(true);
    values.artist = tag.artist().to8Bit(true);
    values.album = tag.album().to8Bit(true);
    values.genre = tag.genre().to8Bit(true);
    values.comment = tag.comment().to8Bit(true);
    if (tag.year() > 0)
        values.year = std::to_string(tag.year());
    if (tag.track() > 0)
        values.track = std::to_string(tag.track());
    const TagLib::PropertyMap properties = file.file()->properties();
    values.composer = firstProperty(properties, "COMPOSER");
    values.copyright = firstProperty(properties, "COPYRIGHT");
    return values;
}

std::string formatTags(const std::string& format, const TagValues& values)
{
    const std::array<std::pair<const char*, const std::string*>, 9> fields{{
        {"TRCK", &values.track},
        {"TITL", &values.title},
        {"ARTI", &values.artist},
        {"ALBM", &values.album},
        {"GNRE", &values.genre},
        {"YEAR", &values.year},
        {"CMNT", &values.comment},
        {"COMP", &values.composer},
        {"COPY", &values.copyright},
    }};
    bool any = false;
    for (const auto& field : fields)
        any = any || !field.second->empty();
    if (!any)
        return {};

    std::string out;
    size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            out += format[i++];
            continue;
        }
        if (format.compare(i, 2, "%%") == 0) {
            out += '%';
            i += 2;
            continue;
        }
        bool replaced = false;
        for (const auto& [name, value] : fields) {
            if (format.compare(i + 1, 4, name) == 0) {
                out += *value;
                i += 5;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += format[i++];
    }
    return out;
}

} // namespace sonivert::bass
