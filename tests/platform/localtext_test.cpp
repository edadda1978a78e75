// UTF-8 checks and the conversions between UTF-8 and 8-bit charsets:
// well-formedness rules, four-byte sequences, unrepresentable characters and
// invalid input on both sides.

#include "platform/localtext.h"

#include <gtest/gtest.h>

#include <clocale>

namespace sonivert::test {
namespace {

TEST(LocalText, Utf8WellFormedness)
{
    const struct {
        const char* name;
        std::string text;
        bool valid;
    } cases[] = {
        {"empty", "", true},
        {"ASCII", "abc", true},
        {"two, three and four bytes", "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", true},
        {"highest code point", "\xF4\x8F\xBF\xBF", true},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
        {"overlong slash", "\xC0\xAF", false},
        {"overlong three-byte", "\xE0\x80\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"lone continuation", "\x80", false},
        {"truncated four-byte", "\xF0\x9F\x98", false},
        {"Latin-1 byte", "caf\xE9", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.valid, isValidUtf8(c.text));
    }
    // Decoding never fails: each bad byte is one replacement character.
    EXPECT_EQ((std::u32string{U'a', 0xFFFD, 0xFFFD, U'b', 0x1F600}), utf8CodePoints("a\xC0\xAF" "b\xF0\x9F\x98\x80"));
    EXPECT_EQ("\xF0\x9F\x98\x80\xEF\xBF\xBD", codePointsUtf8(std::u32string{0x1F600, 0xD800}));
}

TEST(LocalText, ToAnd8BitCharsets)
{
    const std::string text = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"; // "café € 😀"
    EXPECT_EQ("caf\xE9 ? ?", utf8ToCharset(text, "ISO-8859-1"));
    EXPECT_EQ("caf\xE9 \x80 ?", utf8ToCharset(text, "CP1252"));
    EXPECT_EQ(text, utf8ToCharset(text, "UTF-8"));
    EXPECT_FALSE(utf8ToCharset("caf\xE9", "ISO-8859-1")); // not UTF-8
    EXPECT_FALSE(utf8ToCharset("x", "NO-SUCH-CHARSET"));

    EXPECT_EQ("caf\xC3\xA9 \xE2\x82\xAC", charsetToUtf8("caf\xE9 \x80", "CP1252"));
    EXPECT_FALSE(charsetToUtf8("\x81", "CP1252")); // undefined in CP1252
    EXPECT_FALSE(charsetToUtf8("caf\xE9", "UTF-8"));
    // A long text grows the output buffer more than once.
    const std::string longText(100000, '\xE9');
    const auto utf8 = charsetToUtf8(longText, "ISO-8859-1");
    ASSERT_TRUE(utf8);
    EXPECT_EQ(200000u, utf8->size());
    EXPECT_EQ(longText, utf8ToCharset(*utf8, "ISO-8859-1"));
}

TEST(LocalText, LocaleConversionsFollowTheProcessCharset)
{
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_TRUE(std::setlocale(LC_CTYPE, "C.UTF-8"));
    const std::string charset = localeCharset();
    const auto there = Utf8ToLocal("\xF0\x9F\x98\x80");
    const auto back = LocalToUtf8("\xC3\xA9");
    const auto invalid = Utf8ToLocal("\xC3");
    // A process without a locale keeps its UTF-8 texts whole both ways.
    std::setlocale(LC_CTYPE, "C");
    const std::string cCharset = localeCharset();
    const auto cThere = Utf8ToLocal("caf\xC3\xA9");
    const auto cBack = LocalToUtf8("\xC3\x9C" "ber");
    std::setlocale(LC_CTYPE, "POSIX");
    const auto posixThere = Utf8ToLocal("\xE2\x82\xAC");
    std::setlocale(LC_CTYPE, previous.c_str());

    EXPECT_EQ("UTF-8", charset);
    EXPECT_EQ("\xF0\x9F\x98\x80", there);
    EXPECT_EQ("\xC3\xA9", back);
    EXPECT_FALSE(invalid);
    EXPECT_EQ("UTF-8", cCharset);
    EXPECT_EQ("caf\xC3\xA9", cThere);
    EXPECT_EQ("\xC3\x9C" "ber", cBack);
    EXPECT_EQ("\xE2\x82\xAC", posixThere);
}

TEST(LocalText, SanitizingCostsOneCharacterPerBadByte)
{
    EXPECT_EQ("caf\xC3\xA9", sanitizedUtf8("caf\xC3\xA9"));
    EXPECT_EQ("caf\xEF\xBF\xBD!", sanitizedUtf8("caf\xE9!")); // a Latin-1 byte among UTF-8
    EXPECT_EQ("\xEF\xBF\xBD\xEF\xBF\xBD", sanitizedUtf8("\xC0\xAF"));
    EXPECT_EQ("", sanitizedUtf8(""));
}

} // namespace
} // namespace sonivert::test
