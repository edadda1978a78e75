#include "platform/localtext.h"

#include <cerrno>
#include <clocale>
#include <cstring>
#include <cstdint>
#include <langinfo.h>
#include <iconv.h>
#include <memory>

namespace sonivert {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Length of the well-formed sequence at text[i], or 0 when none starts there.
size_t sequenceLength(std::string_view text, size_t i, char32_t& codePoint)
{
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(i);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - i < length)
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    codePoint = value;
    return length;
}

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvPtr = std::unique_ptr<void, IconvCloser>;

IconvPtr openIconv(const std::string& to, const std::string& from)
{
    const iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    return IconvPtr(cd);
}

bool isUtf8Name(const std::string& charset)
{
    std::string lower;
    for (char c : charset) {
        if (c != '-' && c != '_')
            lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return lower == "utf8";
}

// Runs iconv over text. A character the target cannot represent is skipped
// and replaced by '?' when unrepresentable is set; otherwise (and for input
// that is not valid in the source charset) the conversion fails.
std::optional<std::string> runIconv(const IconvPtr& cd, std::string_view text, bool replaceUnrepresentable)
{
    auto* handle = static_cast<iconv_t>(cd.get());
    std::string out(text.size() * 2 + 16, '\0');
    size_t written = 0;
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    bool ending = false;
    for (;;) {
        char* outPtr = out.data() + written;
        size_t outLeft = out.size() - written;
        // A null input ends the conversion (stateful charsets write their reset sequence).
        const size_t result = ending ? iconv(handle, nullptr, nullptr, &outPtr, &outLeft)
                                     : iconv(handle, &in, &inLeft, &outPtr, &outLeft);
        written = out.size() - outLeft;
        if (result != static_cast<size_t>(-1)) {
            if (ending)
                break;
            ending = true;
            continue;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else if (errno == EILSEQ && replaceUnrepresentable && inLeft > 0) {
            // The input was validated, so the sequence is well formed; the
            // target has no such character.
            char32_t ignored = 0;
            const size_t length = sequenceLength(std::string_view(in, inLeft), 0, ignored);
            if (length == 0)
                return std::nullopt;
            in += length;
            inLeft -= length;
            if (written == out.size())
                out.resize(out.size() * 2);
            out[written++] = '?';
        } else {
            return std::nullopt;
        }
    }
    out.resize(written);
    return out;
}

} // namespace

bool isValidUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        char32_t codePoint = 0;
        const size_t length = sequenceLength(text, i, codePoint);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::u32string utf8CodePoints(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t codePoint = 0;
        const size_t length = sequenceLength(text, i, codePoint);
        out.push_back(length ? codePoint : kReplacement);
        i += length ? length : 1;
    }
    return out;
}

std::string codePointsUtf8(std::u32string_view codePoints)
{
    std::string out;
    out.reserve(codePoints.size());
    for (char32_t c : codePoints) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = kReplacement;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string localeCharset()
{
    // A process that runs without a locale (never set, or LANG unset in a
    // container, a service or a minimal system) is in the "C" locale, whose
    // charset is ASCII. The program's texts are UTF-8 there all the same;
    // reading that charset literally would turn every accented letter of a
    // tag or path into '?'.
    const char* locale = std::setlocale(LC_CTYPE, nullptr);
    if (!locale || std::strcmp(locale, "C") == 0 || std::strcmp(locale, "POSIX") == 0)
        return "UTF-8";
    const char* name = nl_langinfo(CODESET);
    return name && *name ? name : "UTF-8";
}

std::string sanitizedUtf8(std::string_view text)
{
    if (isValidUtf8(text))
        return std::string(text);
    return codePointsUtf8(utf8CodePoints(text));
}

std::optional<std::string> utf8ToCharset(std::string_view text, const std::string& charset)
{
    if (!isValidUtf8(text))
        return std::nullopt;
    if (isUtf8Name(charset))
        return std::string(text);
    const IconvPtr cd = openIconv(charset, "UTF-8");
    if (!cd)
        return std::nullopt;
    return runIconv(cd, text, true);
}

std::optional<std::string> charsetToUtf8(std::string_view text, const std::string& charset)
{
    if (isUtf8Name(charset))
        return isValidUtf8(text) ? std::optional<std::string>(text) : std::nullopt;
    const IconvPtr cd = openIconv("UTF-8", charset);
    if (!cd)
        return std::nullopt;
    return runIconv(cd, text, false);
}

std::optional<std::string> Utf8ToLocal(std::string_view text)
{
    return utf8ToCharset(text, localeCharset());
}

std::optional<std::string> LocalToUtf8(std::string_view text)
{
    return charsetToUtf8(text, localeCharset());
}

} // namespace sonivert
