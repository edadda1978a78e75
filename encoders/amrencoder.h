#pragma once

#include "platform/amr/amrnbenc.h"
#include "platform/amr/amrwbenc.h"

#include <array>
#include <cstdint>
#include <string>

namespace sonivert {

// Writes speech-codec files through the AMR encoder libraries
// (platform/amr/): AMR-NB from mono 16-bit samples at 8000 Hz in frames of
// 160, or AMR-WB from mono 16-bit samples at 16000 Hz in frames of 320. The
// libraries create and write the file; this class chooses band, mode and
// discontinuous transmission (DTX) and cuts any run of samples into frames.
//
// Calling order: Prepare(path, band); the DTX and mode setters; Start(path);
// Encode() for every run of samples; Close(). The idle object (before
// Prepare, after Close) is narrow band, mode 6 in both bands, DTX off.
// A failed Start leaves the object prepared. The destructor closes.
class AmrEncoder {
public:
    static constexpr int32_t kNarrowBandFrame = kAmrNbFrameSamples; // 160
    static constexpr int32_t kWideBandFrame = kAmrWbFrameSamples;   // 320

    AmrEncoder() = default;
    ~AmrEncoder();
    AmrEncoder(const AmrEncoder&) = delete;
    AmrEncoder& operator=(const AmrEncoder&) = delete;

    // Finishes any open stream as Close() does, resets DTX to off and both
    // modes to 6, and chooses the band: frames of 160 samples for narrow
    // band, 320 for wide band. The path is not used here; Start takes it.
    // Always true.
    bool Prepare(const std::string& path, bool narrowBand);

    // Discontinuous transmission: any nonzero value turns it on.
    void SetDtx(int32_t dtx);
    // The codec modes, 0..7 for narrow band and 0..8 for wide band (the
    // lists of encoders/amrmodes.h). A mode outside its band's list becomes
    // 6, so that a stray stored value cannot reach the library.
    void SetNarrowBandMode(int32_t mode);
    void SetWideBandMode(int32_t mode);

    // Opens the library of the chosen band on path (UTF-8) with the DTX
    // flag and that band's mode; the library creates the file. False when
    // no handle came back (the file cannot be created, for instance), or
    // when a stream is already open.
    [[nodiscard]] bool Start(const std::string& path);

    // Takes count mono 16-bit samples. Whole frames are encoded as soon as
    // they are complete: a partial frame held from earlier calls is filled
    // up from samples first, then whole frames are encoded straight from
    // samples, and the remainder (less than a frame) is held for the next
    // call or for Close. False before Start, for a negative count or a null
    // buffer with samples to take, and from the first frame the library
    // could not write to the file on (the output is incomplete then).
    [[nodiscard]] bool Encode(const int16_t* samples, int32_t count);

    // After Start: pads a held partial frame with zero samples to a whole
    // frame and encodes it, then quits the library, which finishes the file.
    // Resets every field to its idle value. True when every frame reached
    // the file (also when nothing was open); false when a write or closing
    // the file failed, so that the output must not be trusted.
    bool Close();

    bool narrowBand() const { return m_narrowBand; }
    int32_t frameLength() const { return m_frameLength; } // 0 when idle
    int32_t dtx() const { return m_dtx; }
    int32_t narrowBandMode() const { return m_nbMode; }
    int32_t wideBandMode() const { return m_wbMode; }
    // Samples held for the next frame.
    int32_t fillCount() const { return m_fill; }
    // Frames handed to the library since Start.
    int64_t encodedFrames() const { return m_encodedFrames; }
    bool started() const { return m_nb || m_wb; }

private:
    bool encodeFrame(const int16_t* frame);

    bool m_narrowBand = true;
    std::array<int16_t, kWideBandFrame> m_frame{}; // the first m_frameLength entries are used
    int32_t m_fill = 0;
    int32_t m_dtx = 0;
    int32_t m_nbMode = 6;
    int32_t m_wbMode = 6;
    int32_t m_frameLength = 0;
    int64_t m_encodedFrames = 0;
    bool m_writeFailed = false;
    AmrNbEncPtr m_nb; // at most one of the two is open
    AmrWbEncPtr m_wb;
};

} // namespace sonivert
