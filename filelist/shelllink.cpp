#include "filelist/shelllink.h"

#include "engine/binaryfile.h"
#include "engine/utf8path.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace sonivert {
namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr std::array<uint8_t, 16> kLinkClsid = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// LinkFlags
constexpr uint32_t kHasLinkTargetIdList = 0x1;
constexpr uint32_t kHasLinkInfo = 0x2;
constexpr uint32_t kHasName = 0x4;
constexpr uint32_t kHasRelativePath = 0x8;
constexpr uint32_t kIsUnicode = 0x80;
constexpr uint32_t kForceNoLinkInfo = 0x100;

// LinkInfoFlags
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x1;

constexpr uint32_t kLinkInfoMinHeader = 0x1C;
constexpr uint32_t kLinkInfoUnicodeHeader = 0x24;

// Shell links are a few hundred bytes; anything this large is not one.
constexpr uintmax_t kMaxLinkFileSize = 1 << 20;

bool validUtf8(std::string_view s)
{
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<uint8_t>(s[i]);
        size_t extra = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= s.size())
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto cc = static_cast<uint8_t>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        static constexpr uint32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

void appendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16LE code units to UTF-8; nullopt on an unpaired surrogate.
std::optional<std::string> utf16ToUtf8(std::span<const uint8_t> bytes)
{
    std::string out;
    const size_t units = bytes.size() / 2;
    for (size_t i = 0; i < units; ++i) {
        uint32_t u = loadLe16(bytes.data() + 2 * i);
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 >= units)
                return std::nullopt;
            const uint32_t low = loadLe16(bytes.data() + 2 * (i + 1));
            if (low < 0xDC00 || low > 0xDFFF)
                return std::nullopt;
            u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            return std::nullopt;
        }
        appendUtf8(out, u);
    }
    return out;
}

// A NUL-terminated code-page string starting at offset inside block.
std::optional<std::string> codePageStringAt(std::span<const uint8_t> block, uint32_t offset)
{
    if (offset >= block.size())
        return std::nullopt;
    for (size_t end = offset; end < block.size(); ++end) {
        if (block[end] == 0) {
            std::string s(reinterpret_cast<const char*>(block.data() + offset), end - offset);
            if (!validUtf8(s))
                return std::nullopt;
            return s;
        }
    }
    return std::nullopt;
}

// A NUL-terminated UTF-16LE string starting at offset inside block.
std::optional<std::string> unicodeStringAt(std::span<const uint8_t> block, uint32_t offset)
{
    if (offset >= block.size())
        return std::nullopt;
    for (size_t end = offset; end + 1 < block.size(); end += 2) {
        if (block[end] == 0 && block[end + 1] == 0)
            return utf16ToUtf8(block.subspan(offset, end - offset));
    }
    return std::nullopt;
}

// The local path of a LinkInfo structure; empty when it has none or when its
// texts are damaged.
std::string localPathOf(std::span<const uint8_t> info)
{
    const uint32_t headerSize = loadLe32(info.data() + 4);
    const uint32_t flags = loadLe32(info.data() + 8);
    if (!(flags & kVolumeIdAndLocalBasePath))
        return {};
    // A text offset must point past the header into the structure.
    auto offsetAt = [&](size_t field) -> std::optional<uint32_t> {
        const uint32_t offset = loadLe32(info.data() + field);
        if (offset < headerSize)
            return std::nullopt;
        return offset;
    };

    std::optional<std::string> base, suffix;
    if (headerSize >= kLinkInfoUnicodeHeader) {
        if (auto offset = offsetAt(28))
            base = unicodeStringAt(info, *offset);
        if (auto offset = offsetAt(32))
            suffix = unicodeStringAt(info, *offset);
    }
    if (!base) {
        if (auto offset = offsetAt(16))
            base = codePageStringAt(info, *offset);
    }
    if (!suffix) {
        if (auto offset = offsetAt(24))
            suffix = codePageStringAt(info, *offset);
    }
    if (!base)
        return {};
    return *base + suffix.value_or(std::string());
}

// Bounds-checked reading position in the link's bytes.
class Cursor {
public:
    explicit Cursor(std::span<const uint8_t> bytes, size_t at) : m_bytes(bytes), m_at(at) {}

    bool has(size_t count) const { return count <= m_bytes.size() - m_at; }
    size_t at() const { return m_at; }
    bool u16(uint16_t& value)
    {
        if (!has(2))
            return false;
        value = loadLe16(m_bytes.data() + m_at);
        m_at += 2;
        return true;
    }
    bool skip(size_t count)
    {
        if (!has(count))
            return false;
        m_at += count;
        return true;
    }
    std::span<const uint8_t> take(size_t count)
    {
        const std::span<const uint8_t> out = m_bytes.subspan(m_at, count);
        m_at += count;
        return out;
    }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_at;
};

// One StringData entry: a character count, then the characters.
std::optional<std::string> readCountedString(Cursor& cursor, bool unicode)
{
    uint16_t count = 0;
    if (!cursor.u16(count))
        return std::nullopt;
    const size_t bytes = unicode ? size_t{count} * 2 : size_t{count};
    if (!cursor.has(bytes))
        return std::nullopt;
    const std::span<const uint8_t> text = cursor.take(bytes);
    if (unicode)
        return utf16ToUtf8(text);
    std::string s(reinterpret_cast<const char*>(text.data()), text.size());
    if (!validUtf8(s))
        return std::nullopt;
    return s;
}

bool pathExists(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// folder joined with a relative target, its folder part resolved by the file
// system: ".." after a linked folder goes where the file system takes it,
// not where the spelling suggests, and the result holds no ".." that a
// lexical comparison (the path index) could misread. The last component is
// kept, so a target that is itself a link is followed by the next step.
std::optional<std::filesystem::path> joinPhysically(const std::filesystem::path& folder,
                                                    const std::filesystem::path& relative)
{
    const std::filesystem::path joined = folder / relative;
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::canonical(joined.parent_path(), ec);
    if (ec || !joined.has_filename())
        return std::nullopt;
    return parent / joined.filename();
}

std::optional<std::vector<uint8_t>> readSmallFile(const std::filesystem::path& path)
{
    std::error_code ec;
    // Only a regular file is opened: opening a FIFO would wait for a writer.
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxLinkFileSize)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

} // namespace

std::optional<ShellLinkPaths> parseShellLink(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kHeaderSize || loadLe32(bytes.data()) != kHeaderSize)
        return std::nullopt;
    if (!std::equal(kLinkClsid.begin(), kLinkClsid.end(), bytes.begin() + 4))
        return std::nullopt;
    const uint32_t flags = loadLe32(bytes.data() + 20);

    ShellLinkPaths paths;
    Cursor cursor(bytes, kHeaderSize);
    if (flags & kHasLinkTargetIdList) {
        uint16_t idListSize = 0;
        if (!cursor.u16(idListSize) || !cursor.skip(idListSize))
            return std::nullopt;
    }
    if (flags & kHasLinkInfo) {
        if (!cursor.has(kLinkInfoMinHeader))
            return std::nullopt;
        const uint32_t infoSize = loadLe32(bytes.data() + cursor.at());
        const uint32_t headerSize = loadLe32(bytes.data() + cursor.at() + 4);
        if (infoSize < kLinkInfoMinHeader || !cursor.has(infoSize) || headerSize < kLinkInfoMinHeader ||
            headerSize > infoSize)
            return std::nullopt;
        const std::span<const uint8_t> info = cursor.take(infoSize);
        // With ForceNoLinkInfo the structure is present but not to be used.
        if (!(flags & kForceNoLinkInfo))
            paths.localPath = localPathOf(info);
    }

    const bool unicode = (flags & kIsUnicode) != 0;
    if (flags & kHasName) {
        if (!readCountedString(cursor, unicode))
            return paths;
    }
    if (flags & kHasRelativePath) {
        if (auto relative = readCountedString(cursor, unicode))
            paths.relativePath = std::move(*relative);
    }
    return paths;
}

std::optional<std::string> ResolveShortcut(const std::string& shortcutPath)
{
    const std::filesystem::path link = utf8Path(shortcutPath);
    const std::filesystem::path folder = link.parent_path();
    std::error_code ec;

    if (std::filesystem::is_symlink(link, ec)) {
        std::filesystem::path target = std::filesystem::read_symlink(link, ec);
        if (ec)
            return std::nullopt;
        if (target.is_relative()) {
            std::optional<std::filesystem::path> joined = joinPhysically(folder, target);
            if (!joined)
                return std::nullopt;
            target = std::move(*joined);
        }
        if (!pathExists(target))
            return std::nullopt;
        return pathUtf8(target);
    }

    const std::optional<std::vector<uint8_t>> bytes = readSmallFile(link);
    if (!bytes)
        return std::nullopt;
    const std::optional<ShellLinkPaths> paths = parseShellLink(*bytes);
    if (!paths)
        return std::nullopt;

    if (!paths->localPath.empty()) {
        const std::filesystem::path local = utf8Path(paths->localPath);
        if (local.is_absolute() && pathExists(local))
            return paths->localPath;
    }
    if (!paths->relativePath.empty()) {
        std::string relative = paths->relativePath;
#ifndef _WIN32
        for (char& c : relative) {
            if (c == '\\')
                c = '/';
        }
#endif
        const std::optional<std::filesystem::path> target = joinPhysically(folder, utf8Path(relative));
        if (target && pathExists(*target))
            return pathUtf8(*target);
    }
    return std::nullopt;
}

} // namespace sonivert
