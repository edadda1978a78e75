// Writes the seed inputs our own writers make into corpus/<target>/ below
// the folder given as the only argument: WAV files from WavWriter, ID3 blocks
// from Id3TagBuilder in front of an MPEG frame, MIDI and RMI files with the
// events the parser handles, shell links from the test builder and settings
// files saved by ConversionSettings. scripts/fuzz.sh adds files made by sox,
// libsndfile, lame and ffmpeg.

#include "encoders/id3tagbuilder.h"
#include "engine/wavwriter.h"
#include "platform/registrystore.h"
#include "settings/conversionsettings.h"
#include "engine/tracktags.h"
#include "tests/filelist/linkbuilder.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace sonivert;

namespace {

void write(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

void put16be(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void put32be(std::vector<uint8_t>& out, uint32_t v)
{
    put16be(out, v >> 16);
    put16be(out, v & 0xFFFF);
}
void put32le(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void wavSeeds(const fs::path& folder)
{
    int n = 0;
    for (const bool stereo : {false, true}) {
        for (const int bits : {8, 16}) {
            WavWriter writer;
            const fs::path path = folder / ("ours-" + std::to_string(n++) + ".wav");
            if (!writer.open(path.string(), stereo, bits, 8000))
                continue;
            std::vector<int16_t> left(400), right(400);
            std::vector<uint8_t> left8(400), right8(400);
            for (size_t i = 0; i < left.size(); ++i) {
                left[i] = static_cast<int16_t>(12000 * std::sin(0.05 * double(i)));
                right[i] = static_cast<int16_t>(-left[i]);
                left8[i] = static_cast<uint8_t>(128 + left[i] / 256);
                right8[i] = static_cast<uint8_t>(128 + right[i] / 256);
            }
            if (bits == 8)
                (void)writer.write8(left8.data(), right8.data(), 400);
            else
                (void)writer.write16(left.data(), right.data(), 400);
            (void)writer.close();
        }
    }
}

void id3Seeds(const fs::path& folder)
{
    TrackTags tags;
    tags.title = "Title \xC3\x9C";
    tags.artist = "Artist";
    tags.album = "Album \xE2\x82\xAC";
    tags.year = "2001";
    tags.genre = "Rock";
    tags.comment = "Comment";
    tags.track = "7";
    tags.composer = "Composer";
    tags.copyright = "Copyright";
    const std::vector<uint8_t> frame = {0xFF, 0xFB, 0x90, 0x64, 0, 0, 0, 0}; // MPEG-1 layer 3, 128 kbit/s, joint stereo
    const auto v1 = Id3TagBuilder::BuildTag(1, tags, 7, 12);
    const auto v2 = Id3TagBuilder::BuildTag(2, tags, 7, 12);
    if (v2) {
        std::vector<uint8_t> file = *v2;
        file.insert(file.end(), frame.begin(), frame.end());
        write(folder / "v2.mp3", file);
        std::vector<uint8_t> twice = *v2; // two blocks in a row
        twice.insert(twice.end(), v2->begin(), v2->end());
        twice.insert(twice.end(), frame.begin(), frame.end());
        write(folder / "v2v2.mp3", twice);
        if (v1) {
            file.insert(file.end(), v1->begin(), v1->end());
            write(folder / "v2v1.mp3", file);
        }
    }
    if (v1) {
        std::vector<uint8_t> file = frame;
        file.insert(file.end(), v1->begin(), v1->end());
        write(folder / "v1.mp3", file);
    }
}

// A track chunk from its event bytes.
std::vector<uint8_t> track(const std::vector<uint8_t>& events)
{
    std::vector<uint8_t> out{'M', 'T', 'r', 'k'};
    put32be(out, static_cast<uint32_t>(events.size()));
    out.insert(out.end(), events.begin(), events.end());
    return out;
}

std::vector<uint8_t> smf(uint16_t format, uint16_t division, const std::vector<std::vector<uint8_t>>& tracks)
{
    std::vector<uint8_t> out{'M', 'T', 'h', 'd'};
    put32be(out, 6);
    put16be(out, format);
    put16be(out, static_cast<uint16_t>(tracks.size()));
    put16be(out, division);
    for (const auto& t : tracks) {
        const std::vector<uint8_t> chunk = track(t);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

void midiSeeds(const fs::path& folder)
{
    const std::vector<uint8_t> melody = {
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, // tempo 500000
        0x00, 0xC0, 0x05,                         // program change
        0x00, 0x90, 60, 100,                      // note on
        0x60, 62, 90,                             // running status: another note on
        0x83, 0x60, 0x80, 60, 0,                  // note off after 480 ticks
        0x00, 0xB0, 0x07, 100,                    // controller
        0x00, 0xE0, 0x00, 0x40,                   // pitch bend
        0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7, // SysEx (GM on)
        0x10, 0xFF, 0x01, 0x03, 'a', 'b', 'c',    // text meta event
        0x81, 0x00, 0x90, 62, 0,                  // off by velocity 0
        0x00, 0xFF, 0x2F, 0x00,                   // end of track
    };
    const std::vector<uint8_t> drums = {0x00, 0x99, 36, 120, 0x40, 0x89, 36, 0, 0x00, 0xFF, 0x2F, 0x00};
    write(folder / "format0.mid", smf(0, 480, {melody}));
    write(folder / "format1.mid", smf(1, 96, {melody, drums}));
    write(folder / "format2.mid", smf(2, 240, {drums, melody}));
    write(folder / "timecode.mid", smf(0, 0xE728, {melody})); // 25 frames of 40 subframes
    // The same song in an RMI wrapper: RIFF "RMID" with a "data" chunk.
    const std::vector<uint8_t> song = smf(1, 96, {melody, drums});
    std::vector<uint8_t> rmi{'R', 'I', 'F', 'F'};
    put32le(rmi, static_cast<uint32_t>(4 + 8 + song.size() + (song.size() & 1)));
    rmi.insert(rmi.end(), {'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'});
    put32le(rmi, static_cast<uint32_t>(song.size()));
    rmi.insert(rmi.end(), song.begin(), song.end());
    if (song.size() & 1)
        rmi.push_back(0);
    write(folder / "song.rmi", rmi);
}

void shellLinkSeeds(const fs::path& folder)
{
    using test::LinkFields;
    using test::widen;
    LinkFields local;
    local.localBasePath = "C:\\Music\\";
    local.commonPathSuffix = "song.mp3";
    local.relativePath = widen("..\\Music\\song.mp3");
    local.name = widen("A song");
    write(folder / "local.lnk", test::buildLink(local));
    LinkFields unicode = local;
    unicode.localBasePathUnicode = u"C:\\M\u00fcsik\\";
    unicode.commonPathSuffixUnicode = u"lied.mp3";
    unicode.idListBytes = 40;
    write(folder / "unicode.lnk", test::buildLink(unicode));
    LinkFields relative;
    relative.relativePath = widen("song.wav");
    write(folder / "relative.lnk", test::buildLink(relative));
}

void settingsSeeds(const fs::path& folder)
{
    ConversionSettings settings(std::string("/home/user/Documents"));
    settings.MP3Tag.Title = "T\xC3\xADtulo";
    settings.OGGTag.Comment = "line one, \"quoted\"";
    settings.FilterExts = "wav,mp3,,FLAC";
    settings.EnableExtFilter = 1;
    const std::string path = (folder / "settings.ini").string();
    if (auto store = openIniSettingsStore(path))
        settings.save(*store, kSaveFolder | kSaveOptions | kSaveFormatAndStartPage);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds CORPUS_FOLDER\n");
        return 2;
    }
    const fs::path root = argv[1];
    for (const char* target : {"wav", "aiff", "au", "shelllink", "id3", "midi", "settings"})
        fs::create_directories(root / target);
    wavSeeds(root / "wav");
    id3Seeds(root / "id3");
    midiSeeds(root / "midi");
    shellLinkSeeds(root / "shelllink");
    settingsSeeds(root / "settings");
    return 0;
}
