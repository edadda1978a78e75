#pragma once

#include <string>
#include <string_view>

namespace sonivert {

// Path pieces read from the text alone, without asking the file system. A
// separator is '/' here and on Windows also '\'.

bool isPathSeparator(char c);

// The text after the last separator; the whole path when there is none.
std::string_view fileNamePart(std::string_view path);

// The file name's extension from its last dot on, dot included, lower-cased
// (ASCII letters only); empty when the name has no dot.
std::string lowerExtensionWithDot(std::string_view path);

// The same without the dot ("mp3"); empty when the name has no dot or ends
// in one.
std::string lowerExtension(std::string_view path);

std::string asciiLower(std::string_view text);

} // namespace sonivert
