#pragma once

#include "engine/outputformat.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sonivert {

class RegistryStore;

// Where the tags of an output come from (MP3ID3TagType, OGGID3TagType,
// WMAID3TagType, M4AID3TagType). Every value other than 0 and 1 writes no
// tags, not only kTagSourceNone.
enum TagSource : int32_t {
    kTagSourceDefaults = 0, // the user's TagDefaults of that format
    kTagSourceCopy = 1,     // the tags of the source file
    kTagSourceNone = 2,
};

// The pages of the options sheet; OptStartPageIndex names one of them.
inline constexpr int32_t kOptionPageCount = 10;
inline constexpr int32_t kMaxConversionJobs = 64;
// The range of NormalizeTargetLufs.
inline constexpr int32_t kMinTargetLufs = -30;
inline constexpr int32_t kMaxTargetLufs = -5;

// The store key of every option; the tag defaults live in sub-keys of it.
inline constexpr std::string_view kOptionsKey = "Options";

// The tags written when a format's TagSource is kTagSourceDefaults. Fields
// are named by their value names in the tag sub-key.
struct TagDefaults {
    int32_t TitleAsFileName = 1; // 1: the source's file name without extension is the title
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Genre;
    std::string Comment;
    std::string Composer;
    std::string Copyright;
    int32_t TrackNumType = 0; // 0 none, 1 running number in the batch from 1, 2 CustomTrackNum
    int32_t CustomTrackNum = 0;

    // Reads the record from the sub-key of formatWord ("MP3", "OGG", "WMA",
    // "M4A"). Returns false, leaving the record as it is, when the sub-key
    // cannot be opened. A text that is absent, empty or not a text becomes
    // empty; a number that is absent or not a number keeps its value.
    bool load(RegistryStore& store, std::string_view formatWord);
    // Writes all eleven values into the sub-key, creating it. Store errors
    // are ignored.
    void save(RegistryStore& store, std::string_view formatWord) const;

    bool operator==(const TagDefaults&) const = default;
};

// "Options\MP3Tag" for "MP3".
std::string tagKeyPath(std::string_view formatWord);

// Bits of the save mask. Each names the moment the group is written.
enum SaveGroup : int {
    kSaveFolder = 4,               // Folder, after "Add Folder" picked one
    kSaveOptions = 8,              // every other value and the tag defaults, after the options sheet's OK
    kSaveFormatAndStartPage = 16,  // OutputFormat and OptStartPageIndex, when the main window closes
};

// Every persisted option. Fields are named by their value names in the
// Options key. Construct with the defaults, then load() once.
struct ConversionSettings {
    // The defaults. documentsFolder is the user's documents folder when it
    // is known: it becomes the custom output folder, and the custom folder
    // the output choice; without it output goes beside the source.
    explicit ConversionSettings(const std::optional<std::string>& documentsFolder);

    // General and output values.
    int32_t OutputFormat = kOutputMp3;
    int32_t OptStartPageIndex = 0;
    std::string Folder;
    int32_t DestOutputFolderOpt = kFolderSameAsSource;
    std::string DestSpecifiedFolder;
    int32_t CreateDirs = 0;
    int32_t BrowseOutputFolder = 1;
    int32_t OutputFiles2MyDocuments = 1;
    int32_t TargetExistsOpt = kTargetAutoRename;
    int32_t MonoType = 0; // 0 (L+R)/2, 1 left, 2 right
    int32_t EnableExtFilter = 0;
    std::string FilterExts;
    int32_t ConversionJobs = 0; // files converted side by side: 0 = one per core, else 1..64

    // Loudness, for every output format.
    int32_t ReplayGain = 0;          // 1: write the track's ReplayGain 2.0 gain and peak
    int32_t NormalizeLoudness = 0;   // 1: gain to NormalizeTargetLufs in place of the amplification
    int32_t NormalizeTargetLufs = -16; // integrated loudness, -30..-5 LUFS

    // MP3
    int32_t AutoDestMP3EncodingParam = 1;
    int32_t MP3BitRate = 128;    // kbit/s, 0 = as the source
    int32_t MP3SampleRate = 44100;
    int32_t MP3ChannelMode = 1;  // 0 stereo, 1 joint stereo, 3 mono, 4 as the source
    int32_t MP3ID3TagType = kTagSourceCopy;
    int32_t MP3WriteID3Version = 1; // 0 ID3v1, 1 ID3v2, 2 both
    int32_t AmplifyMp3 = 0;
    int32_t AmplifyMp3Coeff = 100; // percent

    // WAV
    int32_t AutoDestWAVEncodingParam = 1;
    int32_t WAVBitsPerSample = 16;
    int32_t WAVSampleRate = 44100;
    int32_t WAVChannelNum = 2;
    int32_t AmplifyWav = 0;
    int32_t AmplifyWavCoeff = 100;

    // WMA
    int32_t AutoDestWMAEncodingParam = 1;
    int32_t WMABitRate = 128000; // bit/s
    int32_t WMASampleRate = 44100;
    int32_t WMAChannels = 2;
    int32_t WMAID3TagType = kTagSourceCopy;
    int32_t AmplifyWMA = 0;
    int32_t AmplifyWMACoeff = 100;

    // Ogg Vorbis
    int32_t AutoDestOGGEncodingParam = 1;
    int32_t OGGBitRate = 128; // nominal kbit/s
    int32_t OGGSampleRate = 44100;
    int32_t OGGChannels = 2;
    int32_t OGGID3TagType = kTagSourceCopy;
    int32_t AmplifyOGG = 0;
    int32_t AmplifyOGGCoeff = 100;

    // AAC (ADTS)
    int32_t AutoDestAACEncodingParam = 1;
    int32_t AACVBR = 1;
    int32_t AACVBRQuality = 100;
    int32_t AACABRBitRate = 128;
    int32_t AACMpegVersion = 0; // 0 MPEG-4, 1 MPEG-2
    int32_t AACEnableTNS = 0;
    int32_t AACEnableMidside = 1;
    int32_t AACBlockType = 0;
    int32_t AmplifyAAC = 0;
    int32_t AmplifyAACCoef = 100;

    // M4A, MP4, M4B
    int32_t AutoDestM4AEncodingParam = 1;
    int32_t M4AVBR = 1;
    int32_t M4AVBRQuality = 100;
    int32_t M4AABRBitRate = 128;
    int32_t M4AEnableTNS = 0;
    int32_t M4AEnableMidside = 1;
    int32_t M4ABlockType = 0;
    int32_t AmplifyM4A = 0;
    int32_t AmplifyM4ACoef = 100;
    int32_t M4AID3TagType = kTagSourceCopy;

    // FLAC
    int32_t FLACCompressionLevel = 5; // 0 (fastest) .. 8 (smallest)
    int32_t FLACID3TagType = kTagSourceCopy;
    int32_t AmplifyFLAC = 0;
    int32_t AmplifyFLACCoeff = 100;

    // Opus
    int32_t AutoDestOPUSEncodingParam = 1; // 1: 128 kbit/s for two channels, 64 for one, channels as the source
    int32_t OPUSBitRate = 128;             // kbit/s, 6..510
    int32_t OPUSChannels = 0;              // 0 as the source, 1, 2
    int32_t OPUSID3TagType = kTagSourceCopy;
    int32_t AmplifyOPUS = 0;
    int32_t AmplifyOPUSCoeff = 100;

    // AMR, AWB
    int32_t AMRMode = 6;
    int32_t AMRWBMode = 6;
    int32_t AMRDTX = 0;
    int32_t AMRType = 0; // 0 narrow band, 1 wide band
    int32_t AWBMode = 6;
    int32_t AWBDTX = 0;
    int32_t AmplifyAMR = 0;
    int32_t AmplifyAMRCoef = 100;

    // Tag defaults, one per sub-key.
    TagDefaults MP3Tag;
    TagDefaults OGGTag;
    TagDefaults WMATag;
    TagDefaults M4ATag;
    TagDefaults FLACTag;
    TagDefaults OPUSTag;

    // The parsed extension filter (see parseExtFilter); not persisted.
    std::vector<std::string> filterExtList;

    // Reads every value of the Options key and then the six tag sub-keys,
    // applying each value's load check; rebuilds filterExtList. A value that
    // is absent or of the wrong type keeps its current contents. Without an
    // Options key nothing changes but filterExtList. Store errors are
    // ignored.
    void load(RegistryStore& store);

    // Writes the groups whose SaveGroup bits are in mask, in the order 16,
    // 4, 8, creating the Options key; mask 0 writes nothing. Store errors
    // are ignored.
    void save(RegistryStore& store, int mask) const;

    // Rebuilds filterExtList: empty unless EnableExtFilter is nonzero; else
    // FilterExts in ASCII lower case, split at every comma. Pieces are kept
    // as they are: not trimmed, empty ones included. An empty FilterExts
    // gives an empty list.
    void parseExtFilter();

    bool operator==(const ConversionSettings&) const = default;
};

// One value of the Options key, for code that handles values by name.
// Exactly one of number and text is set.
struct OptionField {
    std::string_view name;
    int32_t ConversionSettings::*number = nullptr;
    std::string ConversionSettings::*text = nullptr;
    // The load check of a number: the field's value given the stored one
    // and the field's value before loading. Null when the value is taken as
    // stored.
    int32_t (*check)(int32_t stored, int32_t current) = nullptr;
    SaveGroup group = kSaveOptions;
};

// Every value of the Options key, in the order load() reads them.
std::span<const OptionField> optionFields();

// One value of a tag sub-key. Exactly one of number and text is set.
struct TagField {
    std::string_view name;
    int32_t TagDefaults::*number = nullptr;
    std::string TagDefaults::*text = nullptr;
};

// The eleven values of a tag sub-key, in record order.
std::span<const TagField> tagFields();

// The six tag sub-keys in load and save order (MP3, OGG, WMA, M4A, FLAC, OPUS).
struct TagFormat {
    std::string_view word;
    TagDefaults ConversionSettings::*record;
};
std::span<const TagFormat> tagFormats();

} // namespace sonivert
