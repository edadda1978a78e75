#include "platform/registrystore.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <variant>

namespace sonivert::test {
namespace {

using Kind = RegistryKey::ValueKind;

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class RegistryStoreTest : public testing::Test {
protected:
    std::string path() const { return dir.file("settings.ini"); }
    TempDir dir;
};

using StoredValue = std::variant<int32_t, std::string>;

struct RoundTripCase {
    const char* label;
    StoredValue value;
};

// Every value must come back with its kind, so that a text that looks like
// a number or like the store's own tags is never taken for a number.
TEST_F(RegistryStoreTest, ValuesKeepTheirKindAndContentsInANewStore)
{
    const RoundTripCase cases[] = {
        {"zero", int32_t{0}},
        {"minusOne", int32_t{-1}},
        {"smallest", int32_t{INT32_MIN}},
        {"largest", int32_t{INT32_MAX}},
        {"empty", std::string()},
        {"digits", std::string("128")},
        {"numberTag", std::string("dword:5")},
        {"textTag", std::string("sz:x")},
        {"commas", std::string("wav,,mp3,")},
        {"blanks", std::string("  lead and trail  ")},
        {"lineBreak", std::string("a\nb")},
        {"iniSyntax", std::string("[Options]\nX=1 ; not a comment")},
        {"qtVariant", std::string("@Variant(x)")},
        {"quotes", std::string("\"quoted\" back\\slash")},
        {"utf8", std::string("K\xC3\xA4se \xE6\x97\xA5\xE6\x9C\xAC")},
        {"long", std::string(1000, 'x') + "end"},
    };
    {
        auto store = openIniSettingsStore(path());
        auto key = store->createKey("Options");
        ASSERT_NE(nullptr, key);
        for (const RoundTripCase& c : cases) {
            if (const auto* n = std::get_if<int32_t>(&c.value))
                key->writeNumber(c.label, *n);
            else
                key->writeText(c.label, std::get<std::string>(c.value));
        }
        ASSERT_TRUE(store->flush());
    }
    auto store = openIniSettingsStore(path());
    auto key = store->openKey("Options");
    ASSERT_NE(nullptr, key);
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.label);
        if (const auto* n = std::get_if<int32_t>(&c.value)) {
            EXPECT_EQ(Kind::Number, key->valueKind(c.label));
            EXPECT_EQ(*n, key->readNumber(c.label));
            EXPECT_EQ(std::nullopt, key->readText(c.label));
            EXPECT_EQ(std::nullopt, key->textSize(c.label));
        } else {
            const std::string& text = std::get<std::string>(c.value);
            EXPECT_EQ(Kind::Text, key->valueKind(c.label));
            EXPECT_EQ(text, key->readText(c.label));
            EXPECT_EQ(text.size() + 1, key->textSize(c.label)); // bytes plus the terminator
            EXPECT_EQ(std::nullopt, key->readNumber(c.label));
        }
    }
    EXPECT_EQ(Kind::Absent, key->valueKind("missing"));
    EXPECT_EQ(std::nullopt, key->readNumber("missing"));
    EXPECT_EQ(std::nullopt, key->textSize("missing"));
}

// The file format is documented for people who edit it by hand: tagged
// values read as their type, everything else as Other.
TEST_F(RegistryStoreTest, HandWrittenIniValuesFollowTheDocumentedEncoding)
{
    struct Line {
        const char* name;
        const char* written;
        Kind kind;
    };
    const Line lines[] = {
        {"Number", "dword:1000", Kind::Number},
        {"Negative", "dword:-2147483648", Kind::Number},
        {"Text", "sz:hello", Kind::Text},
        {"QuotedList", "\"sz:wav,mp3\"", Kind::Text},
        {"Untagged", "1000", Kind::Other},
        {"UntaggedText", "hello", Kind::Other},
        {"TooLarge", "dword:2147483648", Kind::Other},
        {"TrailingJunk", "dword:12x", Kind::Other},
        {"NoDigits", "dword:", Kind::Other},
        {"Plus", "dword:+5", Kind::Other},
        {"Blank", "dword: 5", Kind::Other},
        {"Hex", "dword:0x10", Kind::Other},
        {"UnquotedList", "sz:a,b", Kind::Other},
        {"QtByteArray", "@ByteArray(sz:x)", Kind::Other},
    };
    {
        std::ofstream out(path());
        out << "[Options]\n";
        for (const Line& l : lines)
            out << l.name << '=' << l.written << '\n';
    }
    auto store = openIniSettingsStore(path());
    auto key = store->openKey("Options");
    ASSERT_NE(nullptr, key);
    for (const Line& l : lines)
        EXPECT_EQ(l.kind, key->valueKind(l.name)) << l.name << '=' << l.written;
    EXPECT_EQ(1000, key->readNumber("Number"));
    EXPECT_EQ("hello", key->readText("Text"));
    EXPECT_EQ("wav,mp3", key->readText("QuotedList"));
    EXPECT_EQ(std::nullopt, key->readNumber("Untagged"));

    // And the other way round: what the store writes is the documented form.
    key = store->createKey("Options");
    key->writeNumber("Written", 44100);
    key->writeText("WrittenText", "wav,mp3");
    ASSERT_TRUE(store->flush());
    const std::vector<uint8_t> bytes = readFileBytes(path());
    const std::string file(bytes.begin(), bytes.end());
    EXPECT_NE(std::string::npos, file.find("Written=dword:44100\n")) << file;
    EXPECT_NE(std::string::npos, file.find("WrittenText=\"sz:wav,mp3\"\n")) << file;
}

TEST_F(RegistryStoreTest, KeysExistOnceTheyHoldSomethingAndSubKeysStaySeparate)
{
    {
        auto store = openIniSettingsStore(path());
        EXPECT_EQ(nullptr, store->openKey("Options"));
        auto created = store->createKey("Options");
        ASSERT_NE(nullptr, created);
        EXPECT_EQ(nullptr, store->openKey("Options")) << "an empty key is not kept";

        auto tags = store->createKey("Options\\MP3Tag");
        ASSERT_NE(nullptr, tags);
        tags->writeText("Title", "t");
        EXPECT_NE(nullptr, store->openKey("Options")) << "a key with a sub-key exists";
        EXPECT_TRUE(created->valueNames().empty());

        created->writeNumber("Zeta", 1);
        created->writeNumber("Alpha", 2);
        ASSERT_TRUE(store->flush());
    }
    auto store = openIniSettingsStore(path());
    auto options = store->openKey("Options");
    ASSERT_NE(nullptr, options);
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Zeta"}), options->valueNames());
    EXPECT_EQ(Kind::Absent, options->valueKind("Title"));
    auto tags = store->openKey("Options\\MP3Tag");
    ASSERT_NE(nullptr, tags);
    EXPECT_EQ("t", tags->readText("Title"));
    EXPECT_EQ(nullptr, store->openKey("Options\\OGGTag"));
}

TEST_F(RegistryStoreTest, AStoreThatCannotBeWrittenGivesNoKeyToWrite)
{
    // A regular file where the store's folder would have to be.
    writeFileBytes(dir.file("blocker"), {'x'});
    auto store = openIniSettingsStore(dir.file("blocker") + "/settings.ini");
    EXPECT_EQ(nullptr, store->openKey("Options"));
    EXPECT_EQ(nullptr, store->createKey("Options"));
}

TEST_F(RegistryStoreTest, TheUserStoreIsTheFileNamedByTheEnvironment)
{
    const ScopedEnv env(kSettingsFileVariable, path());
    {
        auto store = openUserSettingsStore();
        store->createKey("Options")->writeNumber("OutputFormat", 2000);
        ASSERT_TRUE(store->flush());
    }
    ASSERT_TRUE(std::filesystem::exists(path()));
    // The key outlives its temporary store object.
    auto key = openIniSettingsStore(path())->openKey("Options");
    ASSERT_NE(nullptr, key);
    EXPECT_EQ(2000, key->readNumber("OutputFormat"));
}

} // namespace
} // namespace sonivert::test
