#include "encoders/id3tagbuilder.h"

#include "engine/utf8path.h"
#include "platform/localtext.h"
#include "engine/tracktags.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <id3/field.h>
#include <id3/tag.h>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>

namespace sonivert {
namespace {

constexpr std::array<std::string_view, 148> kGenres = {
    // 0
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal",
    // 10
    "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno", "Industrial",
    // 20
    "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop", "Vocal",
    "Jazz+Funk",
    // 30
    "Fusion", "Trance", "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise",
    // 40
    "Alt. Rock", "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic",
    "Gothic",
    // 50
    "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy",
    "Cult", "Gangsta",
    // 60
    "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American", "Cabaret", "New Wave", "Psychedelic",
    "Rave", "Showtunes",
    // 70
    "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll",
    "Hard Rock",
    // 80
    "Folk", "Folk/Rock", "National Folk", "Swing", "Fast-Fusion", "Bebop", "Latin", "Revival", "Celtic",
    "Bluegrass",
    // 90
    "Avantgarde", "Gothic Rock", "Progressive Rock", "Psychedelic Rock", "Symphonic Rock", "Slow Rock", "Big Band",
    "Chorus", "Easy Listening", "Acoustic",
    // 100
    "Humour", "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
    "Porn Groove",
    // 110
    "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul",
    "Freestyle",
    // 120
    "Duet", "Punk Rock", "Drum Solo", "A Cappella", "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House",
    "Hardcore",
    // 130
    "Terror", "Indie", "BritPop", "Afro-Punk", "Polsk Punk", "Beat", "Christian Gangsta Rap", "Heavy Metal",
    "Black Metal", "Crossover",
    // 140
    "Contemporary Christian", "Christian Rock", "Merengue", "Salsa", "Trash Metal", "Anime", "Jpop", "Synthpop",
};
constexpr int32_t kGenreOther = 12;

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// A new empty file in the temporary-files folder, removed by the destructor.
class TemporaryFile {
public:
    TemporaryFile()
    {
        std::error_code ec;
        const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
        if (ec)
            return;
        std::string name = pathUtf8(folder / "cvtXXXXXX");
        const int fd = ::mkstemp(name.data());
        if (fd < 0)
            return;
        ::close(fd);
        m_path = std::move(name);
    }
    ~TemporaryFile()
    {
        if (!m_path.empty())
            std::remove(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool ok() const { return !m_path.empty(); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

std::optional<std::vector<uint8_t>> readWhole(const std::string& path)
{
    std::ifstream in(utf8Path(path), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

// Lets id3lib write the tag that attach builds into a new temporary file
// and reads the file back; the file is removed whatever happens. (id3lib's
// in-memory rendering copies the tag, and that copy frees memory with the
// wrong type inside the library.)
//
// One tag at a time in the process: id3lib was written for one thread, and
// building a tag is a moment next to encoding the file it heads.
template <typename Attach>
std::optional<std::vector<uint8_t>> renderThroughFile(ID3_TagType type, Attach&& attach)
{
    static std::mutex oneAtATime;
    const std::lock_guard lock(oneAtATime);
    const TemporaryFile file;
    if (!file.ok())
        return std::nullopt;
    {
        ID3_Tag tag(file.path().c_str());
        attach(tag);
        tag.Update(type);
    }
    return readWhole(file.path());
}

// id3lib 3.8.3 writes a UTF-16 text with the byte-order mark of the host
// (FF FE on little-endian machines) but the code units themselves in
// big-endian order, so every reader decodes them byte-swapped. Rendering
// one known unit in memory shows what this build of the library does; the
// units are then handed over swapped where that makes the bytes agree with
// the mark.
bool libraryNeedsSwappedUnits()
{
    static const bool swap = [] {
        const auto rendered = renderThroughFile(ID3TT_ID3V2, [](ID3_Tag& tag) {
            auto frame = std::make_unique<ID3_Frame>(ID3FID_TITLE);
            frame->GetField(ID3FN_TEXTENC)->Set(ID3TE_UTF16);
            ID3_Field* text = frame->GetField(ID3FN_TEXT);
            text->SetEncoding(ID3TE_UTF16);
            const unicode_t probe[] = {0x0041, 0};
            text->Set(probe);
            tag.AttachFrame(frame.release());
        });
        if (!rendered)
            return std::endian::native == std::endian::little; // what 3.8.3 does
        const std::array<uint8_t, 4> mismatched = {0xFF, 0xFE, 0x00, 0x41};
        return std::search(rendered->begin(), rendered->end(), mismatched.begin(), mismatched.end()) !=
               rendered->end();
    }();
    return swap;
}

// ISO-8859-1 bytes of code points; characters above U+00FF become '?'.
std::string latin1(const std::u32string& codePoints)
{
    std::string out;
    out.reserve(codePoints.size());
    for (char32_t c : codePoints)
        out += c <= 0xFF ? static_cast<char>(c) : '?';
    return out;
}

bool fitsLatin1(const std::u32string& codePoints)
{
    for (char32_t c : codePoints) {
        if (c > 0xFF)
            return false;
    }
    return true;
}

std::vector<unicode_t> utf16Units(const std::u32string& codePoints)
{
    const bool swap = libraryNeedsSwappedUnits();
    auto unit = [swap](uint32_t u) {
        return static_cast<unicode_t>(swap ? ((u & 0xFF) << 8) | (u >> 8) : u);
    };
    std::vector<unicode_t> out;
    for (char32_t c : codePoints) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(unit(0xD800 + (c >> 10)));
            out.push_back(unit(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(unit(c));
        }
    }
    out.push_back(0);
    return out;
}

// Sets the text fields of frame (TEXT, and DESCRIPTION when the frame has
// one) and the frame's encoding. Version 2 falls back to UTF-16 only when
// a text does not fit ISO-8859-1.
void setTexts(ID3_Frame& frame, int version, std::string_view text, std::string_view description = {})
{
    const std::u32string textPoints = utf8CodePoints(text);
    const std::u32string descriptionPoints = utf8CodePoints(description);
    ID3_Field* textField = frame.GetField(ID3FN_TEXT);
    ID3_Field* descriptionField = frame.GetField(ID3FN_DESCRIPTION);
    const bool unicode = version == 2 && !(fitsLatin1(textPoints) && fitsLatin1(descriptionPoints));
    if (!unicode) {
        if (textField)
            textField->Set(latin1(textPoints).c_str());
        if (descriptionField)
            descriptionField->Set(latin1(descriptionPoints).c_str());
        return;
    }
    if (ID3_Field* encoding = frame.GetField(ID3FN_TEXTENC))
        encoding->Set(ID3TE_UTF16);
    for (auto [field, points] : {std::pair{textField, &textPoints}, std::pair{descriptionField, &descriptionPoints}}) {
        if (!field)
            continue;
        field->SetEncoding(ID3TE_UTF16);
        const std::vector<unicode_t> units = utf16Units(*points);
        field->Set(units.data());
    }
}

void attachText(ID3_Tag& tag, ID3_FrameID id, int version, std::string_view text)
{
    auto frame = std::make_unique<ID3_Frame>(id);
    setTexts(*frame, version, text);
    tag.AttachFrame(frame.release());
}

// A TXXX frame: the description names the value.
void attachUserText(ID3_Tag& tag, std::string_view description, std::string_view text)
{
    auto frame = std::make_unique<ID3_Frame>(ID3FID_USERTEXT);
    setTexts(*frame, 2, text, description);
    tag.AttachFrame(frame.release());
}

// An APIC frame. A picture without data or MIME type is left out: a reader
// could not show it.
void attachPicture(ID3_Tag& tag, const TagPicture& picture)
{
    if (picture.data.empty() || picture.mimeType.empty())
        return;
    auto frame = std::make_unique<ID3_Frame>(ID3FID_PICTURE);
    ID3_Field* mime = frame->GetField(ID3FN_MIMETYPE);
    ID3_Field* type = frame->GetField(ID3FN_PICTURETYPE);
    ID3_Field* data = frame->GetField(ID3FN_DATA);
    if (!mime || !type || !data)
        return;
    mime->Set(latin1(utf8CodePoints(picture.mimeType)).c_str());
    type->Set(static_cast<uint32>(picture.type >= 0 && picture.type <= 0xFF ? picture.type : 0));
    setTexts(*frame, 2, "", picture.description);
    data->Set(picture.data.data(), picture.data.size());
    tag.AttachFrame(frame.release());
}

} // namespace

std::span<const std::string_view> id3GenreNames()
{
    return kGenres;
}

int32_t id3GenreNumber(std::string_view genre)
{
    for (size_t i = 0; i < kGenres.size(); ++i) {
        if (equalsIgnoringAsciiCase(genre, kGenres[i]))
            return static_cast<int32_t>(i);
    }
    return kGenreOther;
}

std::optional<std::vector<uint8_t>> Id3TagBuilder::BuildTag(int version, const TrackTags& tags, int32_t track,
                                                             int32_t total)
{
    if (version != 1 && version != 2)
        return std::nullopt;
    try {
        // Settled before the tag's file exists, so that one build makes one file at a time.
        libraryNeedsSwappedUnits();
        std::optional<std::vector<uint8_t>> block = renderThroughFile(version == 1 ? ID3TT_ID3V1 : ID3TT_ID3V2,
                                                                      [&](ID3_Tag& tag) {
            attachText(tag, ID3FID_TITLE, version, tags.title);
            attachText(tag, ID3FID_LEADARTIST, version, tags.artist);
            attachText(tag, ID3FID_ALBUM, version, tags.album);
            attachText(tag, ID3FID_YEAR, version, tags.year);
            attachText(tag, ID3FID_CONTENTTYPE, version,
                       version == 1 ? "(" + std::to_string(id3GenreNumber(tags.genre)) + ")" : tags.genre);
            if (!tags.composer.empty())
                attachText(tag, ID3FID_COMPOSER, version, tags.composer);
            if (!tags.copyright.empty())
                attachText(tag, ID3FID_COPYRIGHT, version, tags.copyright);
            auto comment = std::make_unique<ID3_Frame>(ID3FID_COMMENT);
            if (ID3_Field* language = comment->GetField(ID3FN_LANGUAGE))
                language->Set("XXX");
            setTexts(*comment, version, tags.comment, "");
            tag.AttachFrame(comment.release());
            const int32_t trackLow = track & 0xFF;
            const int32_t totalLow = total & 0xFF;
            if (trackLow != 0) {
                attachText(tag, ID3FID_TRACKNUM, version,
                           totalLow != 0 ? std::to_string(trackLow) + "/" + std::to_string(totalLow)
                                         : std::to_string(trackLow));
            }
            if (version == 2 && tags.loudness) {
                attachUserText(tag, "REPLAYGAIN_TRACK_GAIN", tags.loudness->replayGainText());
                attachUserText(tag, "REPLAYGAIN_TRACK_PEAK", tags.loudness->peakText());
            }
            if (version == 2 && tags.picture)
                attachPicture(tag, *tags.picture);
        });
        // What the callers write verbatim must be a whole tag of its kind.
        if (block && version == 1 && block->size() != 128)
            return std::nullopt;
        if (block && version == 2 && (block->size() < 10 || !std::equal(block->begin(), block->begin() + 3, "ID3")))
            return std::nullopt;
        return block;
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace sonivert
