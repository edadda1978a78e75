// The decoding library's C interface: the calls, records and constants the
// application uses. The library decodes to memory only (nothing is played);
// streams, tracker modules and MIDI files are channels identified by a 32-bit
// handle, 0 meaning "none". Format families beyond the core (MP3/MP2/MP1,
// Ogg, WAV, AIFF) become available when their add-on module is loaded with
// BASS_PluginLoad.
#pragma once

#include <cstdint>

extern "C" {

using DWORD = std::uint32_t;
using QWORD = std::uint64_t;
using BOOL = int;
using HSTREAM = DWORD;
using HMUSIC = DWORD;
using HPLUGIN = DWORD;
using HSOUNDFONT = DWORD;

// Version reported by BASS_GetVersion: 2.4 in the high 16 bits.
constexpr DWORD BASSVERSION = 0x0204;

// BASS_SetConfig options.
constexpr DWORD BASS_CONFIG_UPDATEPERIOD = 1;

// Channel creation flags.
constexpr DWORD BASS_MUSIC_RAMP = 0x200;
constexpr DWORD BASS_STREAM_DECODE = 0x200000;
constexpr DWORD BASS_MUSIC_DECODE = BASS_STREAM_DECODE;
constexpr DWORD BASS_MUSIC_PRESCAN = 0x20000;

// BASS_CHANNELINFO flags.
constexpr DWORD BASS_SAMPLE_8BITS = 1;

// BASS_ChannelGetLength / BASS_ChannelGetPosition modes.
constexpr DWORD BASS_POS_BYTE = 0;

// BASS_StreamGetFilePosition modes.
constexpr DWORD BASS_FILEPOS_CURRENT = 0;
constexpr DWORD BASS_FILEPOS_DOWNLOAD = 1;
constexpr DWORD BASS_FILEPOS_END = 2;
constexpr DWORD BASS_FILEPOS_START = 3;

// BASS_CHANNELINFO channel types.
constexpr DWORD BASS_CTYPE_STREAM = 1; // a file decoded as a stream
constexpr DWORD BASS_CTYPE_MUSIC = 2;  // a tracker module
constexpr DWORD BASS_CTYPE_MIDI = 3;   // a MIDI file

// BASS_ChannelGetTags types.
constexpr DWORD BASS_TAG_ID3 = 0;    // the raw 128-byte ID3v1 block
constexpr DWORD BASS_TAG_ID3V2 = 1;  // the raw ID3v2 block, 10-byte header first

// Error results.
constexpr DWORD BASS_DATA_ERROR = 0xFFFFFFFFu;       // BASS_ChannelGetData
constexpr QWORD BASS_POSITION_ERROR = ~QWORD{0};     // 64-bit position results

// Channel information: 32 bytes, the first three fields are the ones
// callers rely on.
struct BASS_CHANNELINFO {
    DWORD freq;     // sample rate
    DWORD chans;    // channel count
    DWORD flags;    // BASS_SAMPLE_8BITS: 8-bit unsigned samples, else 16-bit signed
    DWORD ctype;    // channel type (library-defined)
    DWORD origres;  // original resolution in bits, 0 when unknown
    HPLUGIN plugin; // add-on that opened the channel, 0 for the core
    DWORD reserved[2];
};
static_assert(sizeof(BASS_CHANNELINFO) == 32);

struct BASS_MIDI_FONT {
    HSOUNDFONT font;
    int preset;  // -1 = all presets
    int bank;
};

DWORD BASS_GetVersion(void);
BOOL BASS_SetConfig(DWORD option, DWORD value);
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* window, const void* clsid);
BOOL BASS_Free(void);
HPLUGIN BASS_PluginLoad(const char* file, DWORD flags);
BOOL BASS_PluginFree(HPLUGIN handle);  // 0 = all add-ons

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags, DWORD freq);
BOOL BASS_StreamFree(HSTREAM handle);
BOOL BASS_MusicFree(HMUSIC handle);

HSTREAM BASS_MIDI_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags,
                                   DWORD freq);
HSOUNDFONT BASS_MIDI_FontInit(const void* file, DWORD flags);
BOOL BASS_MIDI_StreamSetFonts(HSTREAM handle, const BASS_MIDI_FONT* fonts, DWORD count);  // handle 0 = default

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD position);
BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info);
// Not of the BASS interface, this library's own: the speaker of each of
// the channel's channels in the order read() interleaves them, as FFmpeg
// numbers speakers (enum AVChannel), into speakers (room for max). Returns
// the channel count, or 0 for an unknown handle or too little room.
DWORD SONIVERT_ChannelGetSpeakers(DWORD handle, int* speakers, DWORD max);
QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode);
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
// The raw blocks as read from the file when the stream was created; owned
// by the channel and valid until it is freed. Null for tracker modules and
// MIDI streams.
const char* BASS_ChannelGetTags(DWORD handle, DWORD tags);

// Tag text in the given format: %TRCK %TITL %ARTI %ALBM %GNRE %YEAR %CMNT
// %COMP %COPY are replaced by the channel's tag values, and "%%" by "%".
// The text is UTF-8 for every kind of file, MP3 included (ID3v1 and
// ID3v2 texts are decoded from their own encodings). It is owned by the
// library, never null, empty when the file has no tags, and valid until the
// calling thread's next TAGS_Read.
const char* TAGS_Read(DWORD handle, const char* format);

}  // extern "C"
