#include "platform/registrystore.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace sonivert::test {
namespace {

// Runs sonivert-cli on a temporary settings file and a temporary home, so
// neither the user's settings nor the user's documents folder are touched.
class CliSettingsTest : public testing::Test {
protected:
    std::string settingsPath() const { return dir.file("settings.ini"); }

    std::string run(const std::string& arguments, int& status) const
    {
        const std::string command = "env " + std::string(kSettingsFileVariable) + "=" + shellQuote(settingsPath()) +
                                    " HOME=" + shellQuote(dir.file("home")) +
                                    " XDG_CONFIG_HOME=" + shellQuote(dir.file("home/.config")) + " " +
                                    shellQuote(SONIVERT_CLI) + " " + arguments + " 2>/dev/null";
        return captureCommand(command, status);
    }

    std::string get(const std::string& name)
    {
        int status = 0;
        std::string out = run("settings get " + shellQuote(name), status);
        EXPECT_EQ(0, status) << "get " << name;
        if (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }

    TempDir dir;
};

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

size_t indexOf(const std::vector<std::string>& all, const std::string& line)
{
    const auto it = std::find(all.begin(), all.end(), line);
    return it == all.end() ? std::string::npos : static_cast<size_t>(it - all.begin());
}

TEST_F(CliSettingsTest, ListShowsTheOptionsThenTheTagSubKeys)
{
    int status = -1;
    const std::vector<std::string> listed = lines(run("settings list", status));
    EXPECT_EQ(0, status);
    // 82 record values and FirstRun, then 6 sub-keys of 11 values.
    ASSERT_EQ(83u + 66u, listed.size());
    for (const std::string& line : {std::string("OutputFormat=1000"), std::string("DestOutputFolderOpt=399"),
                                    "DestSpecifiedFolder=" + dir.file("home/Documents"), std::string("Folder="),
                                    std::string("AmplifyAMRCoef=100"), std::string("ConversionJobs=0"),
                                    std::string("FLACCompressionLevel=5"), std::string("FirstRun=1")})
        EXPECT_LT(indexOf(listed, line), 83u) << line;
    EXPECT_EQ("MP3Tag/TitleAsFileName=1", listed[83]);
    EXPECT_EQ(84u, indexOf(listed, "MP3Tag/Title="));
    EXPECT_NE(std::string::npos, indexOf(listed, "OGGTag/TrackNumType=0"));
    EXPECT_EQ("OPUSTag/CustomTrackNum=0", listed.back());
    EXPECT_FALSE(std::filesystem::exists(settingsPath())) << "list writes nothing";
}

TEST_F(CliSettingsTest, GetShowsWhatSetStoredAsTheProgramLoadsIt)
{
    struct Case {
        const char* name;
        const char* value;
        const char* shown;
    };
    const Case cases[] = {
        {"AmplifyMp3Coeff", "5", "10"},
        {"AmplifyAACCoef", "5", "5"},
        {"OGGBitRate", "128000", "128"},
        {"OutputFormat", "-1", "-1"},
        {"OptStartPageIndex", "10", "0"},
        {"Folder", "/music/with, comma and  spaces ", "/music/with, comma and  spaces "},
        {"FilterExts", "123", "123"},
        {"MP3Tag/Title", "Hello", "Hello"},
        {"OGGTag/TrackNumType", "2", "2"},
        {"M4ATag/Comment", "", ""},
        {"FirstRun", "0", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int status = -1;
        run("settings set " + shellQuote(c.name) + " " + shellQuote(c.value), status);
        EXPECT_EQ(0, status);
        EXPECT_EQ(c.shown, get(c.name));
    }
    int status = -1;
    const std::vector<std::string> listed = lines(run("settings list", status));
    EXPECT_NE(std::string::npos, indexOf(listed, "AmplifyMp3Coeff=10"));
    EXPECT_NE(std::string::npos, indexOf(listed, "MP3Tag/Title=Hello"));

    // Numbers are stored as numbers and texts as texts, whatever they look like.
    auto store = openIniSettingsStore(settingsPath());
    auto options = store->openKey("Options");
    ASSERT_NE(nullptr, options);
    EXPECT_EQ(5, options->readNumber("AmplifyMp3Coeff")) << "set stores the value unchecked";
    EXPECT_EQ("123", options->readText("FilterExts"));
    auto ogg = store->openKey("Options\\OGGTag");
    ASSERT_NE(nullptr, ogg);
    EXPECT_EQ(2, ogg->readNumber("TrackNumType"));
}

TEST_F(CliSettingsTest, UnknownNamesAndBadNumbersAreUsageErrors)
{
    const char* const arguments[] = {
        "settings get Nope",
        "settings get outputformat",
        "settings set Nope 1",
        "settings get WAVTag/Title",
        "settings set MP3Tag/Nope x",
        "settings set OutputFormat abc",
        "settings set OutputFormat 2147483648",
        "settings set OutputFormat ''",
        "settings set OutputFormat",
        "settings get",
        "settings",
    };
    for (const char* a : arguments) {
        int status = -1;
        run(a, status);
        EXPECT_EQ(2, status) << a;
    }
    EXPECT_FALSE(std::filesystem::exists(settingsPath())) << "nothing was written";
}

TEST_F(CliSettingsTest, SetFailsWhenTheStoreCannotBeWritten)
{
    std::filesystem::create_directory(dir.file("settings.ini")); // a folder where the file would be
    int status = -1;
    run("settings set OutputFormat 2000", status);
    EXPECT_EQ(1, status);
}

} // namespace
} // namespace sonivert::test
