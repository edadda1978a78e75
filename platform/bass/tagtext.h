#pragma once

// Tag texts for TAGS_Read: the file's tags read through TagLib, and the
// format string with its %-fields filled in.

#include "platform/bass/channel.h"

#include <string>

namespace sonivert::bass {

// The file's tags through TagLib (UTF-8); all empty when TagLib cannot read
// the file or it has none. Track and year are decimal numbers, empty when 0.
TagValues readFileTags(const std::string& path);

// Replaces the fields %TRCK %TITL %ARTI %ALBM %GNRE %YEAR %CMNT %COMP %COPY
// of format with the values; "%%" is a single '%', any other text is copied.
// The result is empty when every value is empty, so a file without tags
// gives an empty text whatever the format holds.
std::string formatTags(const std::string& format, const TagValues& values);

} // namespace sonivert::bass
