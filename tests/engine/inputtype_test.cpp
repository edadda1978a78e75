#include "engine/engine.h"
#include "engine/inputtype.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace sonivert {
namespace {

TEST(InputTypeTest, ExtensionsMapToTheirCodesInAnyLetterCase)
{
    EXPECT_EQ(kInputMp3, inputTypeForPath("/music/a.mp3"));
    EXPECT_EQ(kInputWav, inputTypeForPath("/music/A.WAV"));
    EXPECT_EQ(kInputWav, inputTypeForPath("take.Wave"));
    EXPECT_EQ(kInputMusepack, inputTypeForPath("x.MP+"));
    EXPECT_EQ(kInputMidi, inputTypeForPath("song.kar"));
    EXPECT_EQ(kInputMp4Audio, inputTypeForPath("book.m4b"));
    EXPECT_EQ(kInputWindowsMedia, inputTypeForPath("clip.xwmv"));
    EXPECT_EQ(kInputAiff, inputTypeForPath("loop.afc"));
}

TEST(InputTypeTest, UnknownOrMissingExtensionIsOther)
{
    EXPECT_EQ(kInputOther, inputTypeForPath("/music/readme"));
    EXPECT_EQ(kInputOther, inputTypeForPath("/music/clip.mkv"));
    // A dot in a folder name is not the file's extension.
    EXPECT_EQ(kInputOther, inputTypeForPath("/music/album.wav/track"));
    EXPECT_EQ(kInputOther, inputTypeForPath(""));
    EXPECT_EQ(kInputOther, inputTypeForPath("/music/trailing."));
}

TEST(InputTypeTest, EveryExtensionIsListedOnceInLowerCaseWithItsDot)
{
    std::set<std::string_view> seen;
    for (const ExtensionEntry& e : extensionTable()) {
        EXPECT_EQ('.', e.extension.front()) << e.extension;
        EXPECT_TRUE(std::none_of(e.extension.begin(), e.extension.end(), [](char c) { return c >= 'A' && c <= 'Z'; }));
        EXPECT_TRUE(seen.insert(e.extension).second) << e.extension << " listed twice";
        EXPECT_EQ(e.code, inputTypeForExtension(e.extension));
    }
    EXPECT_EQ(48u, seen.size());
}

std::vector<ReaderId> row(InputTypeCode code, bool wmaLoaded = false)
{
    const auto r = readerCandidates(code, wmaLoaded);
    return {r.begin(), r.end()};
}

TEST(ReaderCandidatesTest, RowsFollowTheFixedOrder)
{
    using R = ReaderId;
    EXPECT_EQ((std::vector{R::Bass, R::Ffmpeg, R::Wav}), row(kInputWav));
    EXPECT_EQ((std::vector{R::Bass, R::Ffmpeg}), row(kInputFlac));
    EXPECT_EQ((std::vector{R::Ffmpeg, R::Bass}), row(kInputSpeex));
    EXPECT_EQ((std::vector{R::Ogg, R::Bass, R::Ffmpeg}), row(kInputOgg));
    EXPECT_EQ((std::vector{R::Au, R::Ffmpeg}), row(kInputAu));
    EXPECT_EQ((std::vector{R::Aiff, R::Bass, R::Ffmpeg}), row(kInputAiff));
    EXPECT_EQ((std::vector{R::Wma, R::Ffmpeg}), row(kInputWindowsMedia, true));
    EXPECT_EQ((std::vector{R::Bass, R::Ffmpeg}), row(kInputWindowsMedia, false));
    EXPECT_EQ((std::vector{R::Ffmpeg}), row(kInputOther));
    EXPECT_EQ((std::vector{R::Ffmpeg}), row(static_cast<InputTypeCode>(1234)));
}

TEST(ReaderCandidatesTest, OwnWavParserServesOnlyTheWavCode)
{
    for (const ExtensionEntry& e : extensionTable()) {
        for (bool loaded : {false, true}) {
            const auto r = row(e.code, loaded);
            const bool hasWav = std::find(r.begin(), r.end(), ReaderId::Wav) != r.end();
            EXPECT_EQ(e.code == kInputWav, hasWav) << e.extension;
        }
    }
}

TEST(ReaderCandidatesTest, ReaderNamesRoundTrip)
{
    for (ReaderId id : {ReaderId::Bass, ReaderId::Ffmpeg, ReaderId::Wav, ReaderId::Aiff, ReaderId::Au, ReaderId::Ogg,
                        ReaderId::Wma})
        EXPECT_EQ(id, readerIdFromName(readerIdName(id)));
    EXPECT_FALSE(readerIdFromName("mp3"));
    EXPECT_TRUE(readerAvailable(ReaderId::Wav));
}

} // namespace
} // namespace sonivert
