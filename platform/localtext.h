#pragma once

// Text conversions between the program's own text (UTF-8 everywhere) and the
// 8-bit charset of the locale, and the UTF-8 decoding the tag writers share.

#include <optional>
#include <string>
#include <string_view>

namespace sonivert {

// True when text is well-formed UTF-8: shortest forms only, no surrogate
// code points, nothing above U+10FFFF. Four-byte sequences are accepted.
[[nodiscard]] bool isValidUtf8(std::string_view text);

// The code points of UTF-8 text. Every byte that does not start a
// well-formed sequence becomes U+FFFD and decoding goes on with the next
// byte, so any input gives a result.
[[nodiscard]] std::u32string utf8CodePoints(std::string_view text);

// UTF-8 of code points; surrogates and values above U+10FFFF become U+FFFD.
[[nodiscard]] std::string codePointsUtf8(std::u32string_view codePoints);

// Text as well-formed UTF-8: valid text unchanged, every byte that starts
// no well-formed sequence replaced by U+FFFD. One stray byte (a tag written
// in a legacy charset) costs one character, never the whole text.
[[nodiscard]] std::string sanitizedUtf8(std::string_view text);

// The name of the charset of the process's LC_CTYPE locale ("UTF-8",
// "ISO-8859-1", ...). The "C" and "POSIX" locales count as UTF-8.
[[nodiscard]] std::string localeCharset();

// UTF-8 text in charset (an iconv name). Empty when text is not valid UTF-8
// or charset is unknown. A character that charset cannot represent becomes
// '?', as the system's "default character" of a code-page conversion does;
// every other character keeps its meaning.
[[nodiscard]] std::optional<std::string> utf8ToCharset(std::string_view text, const std::string& charset);

// Text in charset as UTF-8. Empty when text is not valid in charset or the
// charset is unknown.
[[nodiscard]] std::optional<std::string> charsetToUtf8(std::string_view text, const std::string& charset);

// The two conversions with the locale's charset (identity, after validation,
// on a UTF-8 locale).
[[nodiscard]] std::optional<std::string> Utf8ToLocal(std::string_view text);
[[nodiscard]] std::optional<std::string> LocalToUtf8(std::string_view text);

} // namespace sonivert
