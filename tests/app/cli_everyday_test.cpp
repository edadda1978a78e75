// sonivert-cli as a person uses it every day: --version, formats and the
// help generated from the engine's tables, the encoding options reaching
// the encoders (checked with ffprobe and metaflac), --json and --quiet,
// folders as inputs, and a source that does not exist.

#include "engine/conversionroutines.h"
#include "engine/inputtype.h"
#include "engine/outputformat.h"
#include "engine/version.h"
#include "tests/support/aacprobe.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

bool writable(const std::string& word)
{
    const OutputFormatInfo* format = outputFormatByCliName(word);
    return format && ConversionRoutines::formatAvailable(format->code);
}

class CliEverydayTest : public testing::Test {
protected:
    struct Run {
        int status = -1;
        std::string out;
        std::string err;
    };
    // Runs the command line in the test's folder with a private settings
    // file; joined sends standard error into out, in the order written.
    Run cli(const std::string& args, bool joined = false) const
    {
        Run run;
        const std::string errFile = dir.file("stderr.txt");
        fs::remove(errFile);
        run.out = captureCommand("cd " + shellQuote(dir.path()) + " && SONIVERT_SETTINGS=" +
                                     shellQuote(dir.file("settings.ini")) + " " + SONIVERT_CLI + " " + args +
                                     (joined ? " 2>&1" : " 2>" + shellQuote(errFile)) + " </dev/null",
                                 run.status);
        std::ifstream in(errFile);
        run.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return run;
    }
    // A one-second stereo tone at 44.1 kHz, in a folder made as needed.
    std::string tone(const std::string& name) const
    {
        const std::string path = dir.file(name);
        fs::create_directories(fs::path(path).parent_path());
        EXPECT_EQ(0, runCommand("sox -R -n -r 44100 -c 2 -b 16 " + shellQuote(path) +
                                " synth 1 sine 440 sine 1500 vol 0.3"));
        return path;
    }
    TempDir dir;
};

TEST_F(CliEverydayTest, VersionFormatsAndHelpComeFromTheTables)
{
    Run run = cli("--version");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("sonivert-cli " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
                  std::to_string(kVersionBuild) + "\n",
              run.out);

    run = cli("formats");
    EXPECT_EQ(0, run.status);
    std::vector<std::vector<std::string>> table; // the words of each line
    for (const std::string& line : lines(run.out)) {
        std::istringstream in(line);
        table.emplace_back(std::istream_iterator<std::string>(in), std::istream_iterator<std::string>());
    }
    const auto listed = [&](const std::vector<std::string>& first, const std::string& also) {
        return std::any_of(table.begin(), table.end(), [&](const std::vector<std::string>& words) {
            return words.size() >= first.size() && std::equal(first.begin(), first.end(), words.begin()) &&
                   std::find(words.begin(), words.end(), also) != words.end();
        });
    };
    for (const OutputFormatInfo& f : outputFormats()) {
        EXPECT_TRUE(listed({std::string(f.displayName), std::string(f.extension)}, std::string(f.cliName)))
            << f.cliName << "\n" << run.out;
    }
    for (const ExtensionEntry& e : extensionTable())
        EXPECT_TRUE(listed({std::to_string(static_cast<int>(e.code))}, std::string(e.extension))) << e.extension;

    run = cli("convert --help");
    EXPECT_EQ(0, run.status);
    std::string words;
    for (const OutputFormatInfo& f : outputFormats())
        words += (words.empty() ? "" : ", ") + std::string(f.cliName);
    EXPECT_NE(std::string::npos, run.out.find("Output format (" + words + ")")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("  flac:\n      --quality 0..8")) << run.out;
}

TEST_F(CliEverydayTest, EncodingOptionsReachTheEncoders)
{
    const std::string source = tone("in.wav");
    const struct {
        const char* format;
        const char* options;
        std::map<std::string, std::string> probed; // ffprobe's stream entries
    } cases[] = {
        {"mp3", "--bitrate 64 --rate 22050 --channels 1",
         {{"stream.codec_name", "mp3"}, {"stream.sample_rate", "22050"}, {"stream.channels", "1"}, {"stream.bit_rate", "64000"}}},
        {"ogg", "--bitrate 96 --rate 32000 --channels 1",
         {{"stream.codec_name", "vorbis"}, {"stream.sample_rate", "32000"}, {"stream.channels", "1"}, {"stream.bit_rate", "96000"}}},
        {"wav", "--rate 8000 --channels 1", {{"stream.sample_rate", "8000"}, {"stream.channels", "1"}}},
        {"amr", "--bitrate 12.65", {{"stream.codec_name", "amr_wb"}, {"stream.sample_rate", "16000"}}},
        {"amr", "--bitrate 7.4 --rate 8000", {{"stream.codec_name", "amr_nb"}, {"stream.sample_rate", "8000"}}},
        {"opus", "--bitrate 64 --channels 1", {{"stream.codec_name", "opus"}, {"stream.channels", "1"}}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " " + c.options);
        if (!writable(c.format))
            continue;
        const std::string out = "out" + std::to_string(n++);
        const Run run = cli("convert --format " + std::string(c.format) + " " + c.options + " --output-dir " + out +
                            " " + shellQuote(source));
        ASSERT_EQ(0, run.status) << run.out << run.err;
        std::map<std::string, std::string> probe = probeAudio(dir.file(out + "/in." + c.format));
        for (const auto& [key, value] : c.probed)
            EXPECT_EQ(value, probe[key]) << key;
    }

    // FLAC levels 0..2 use blocks of 1152 frames, 3..8 of 4096.
    for (const auto& [level, block] : {std::pair{"0", "1152"}, std::pair{"8", "4096"}}) {
        const std::string out = dir.file(std::string("flac") + level);
        ASSERT_EQ(0, cli("convert --format flac --quality " + std::string(level) + " --output-dir " + out + " " +
                         shellQuote(source)).status);
        int status = -1;
        EXPECT_EQ(std::string(block) + "\n",
                  captureCommand("metaflac --show-max-blocksize " + shellQuote(out + "/in.flac"), status));
    }

    // Loudness for this run: normalised to -20 LUFS, the ReplayGain comment
    // says +2 dB to -18 LUFS; a target outside -30..-5 is refused.
    ASSERT_EQ(0, cli("convert --format flac --replaygain --normalize -20 --output-dir loud " + shellQuote(source)).status);
    int loudStatus = -1;
    EXPECT_EQ("REPLAYGAIN_TRACK_GAIN=2.00 dB\n",
              captureCommand("metaflac --show-tag=REPLAYGAIN_TRACK_GAIN " + shellQuote(dir.file("loud/in.flac")),
                             loudStatus));
    EXPECT_NE(0, cli("convert --format flac --normalize -40 --output-dir loud2 " + shellQuote(source)).status);
    EXPECT_FALSE(fs::exists(dir.file("loud2")));

    // A refusal ends the run before any file.
    const Run refused = cli("convert --format flac --bitrate 128 --output-dir refused " + shellQuote(source));
    EXPECT_EQ(2, refused.status);
    EXPECT_EQ("sonivert-cli: FLAC has no --bitrate: it is lossless.\n", refused.err);
    EXPECT_FALSE(fs::exists(dir.file("refused")));
}

TEST_F(CliEverydayTest, JsonAndQuietReplaceTheStatusLines)
{
    const std::string good = tone("good.wav");
    const std::string bad = dir.file("bad.wav");
    writeFileBytes(bad, std::vector<uint8_t>(1000, 0x55));
    const std::string badStatus = "Conversion Failure (No reader can open this file.";
    for (const bool failing : {false, true}) {
        SCOPED_TRACE(failing ? "with a failing file" : "every file converts");
        const std::string files = "good.wav" + std::string(failing ? " bad.wav" : "");
        const int expectedStatus = failing ? 1 : 0;

        Run run = cli("convert --format wav --json --output-dir json " + files);
        EXPECT_EQ(expectedStatus, run.status);
        const std::vector<std::string> objects = lines(run.out);
        ASSERT_EQ(failing ? 2u : 1u, objects.size()) << run.out;
        const auto first = nlohmann::json::parse(objects[0]);
        EXPECT_EQ("good.wav", first["source"]);
        EXPECT_EQ("json/good" + std::string(failing ? "_1" : "") + ".wav", first["target"]);
        EXPECT_EQ("converted", first["status"]);
        EXPECT_GE(first["seconds"].get<double>(), 0.0);
        if (failing) {
            const auto second = nlohmann::json::parse(objects[1]);
            EXPECT_EQ("bad.wav", second["source"]);
            EXPECT_TRUE(second["target"].is_null());
            EXPECT_EQ("failed", second["status"]);
            EXPECT_EQ(0u, second["message"].get<std::string>().rfind(badStatus, 0)) << second["message"];
        }
        EXPECT_EQ("", run.err);

        run = cli("convert --format wav --quiet --output-dir quiet " + files);
        EXPECT_EQ(expectedStatus, run.status);
        EXPECT_EQ("", run.out);
        EXPECT_EQ(failing ? 1u : 0u, lines(run.err).size()) << run.err;
        if (failing) {
            EXPECT_EQ(0u, run.err.rfind("sonivert-cli: bad.wav: " + badStatus, 0)) << run.err;
        }
    }
    EXPECT_EQ(2, cli("convert --format wav --json --quiet good.wav").status);
}

TEST_F(CliEverydayTest, FoldersAreScannedAsAddFolderDoes)
{
    // One audio file per folder, so that the order does not depend on the
    // file system's: a folder's own files come before its subfolders'.
    tone("music/a.wav");
    tone("music/sub/b.wav");
    tone("music/sub/deeper/c.aiff");
    std::ofstream(dir.file("music/sub/notes.txt")) << "not audio\n";
    tone("single.wav");
    const struct {
        const char* args;
        std::vector<std::string> printed;
        bool notesNamed; // named as a file no reader opens
    } cases[] = {
        {"music single.wav",
         {"music/a.wav\ta.wav", "music/sub/b.wav\tb.wav", "music/sub/deeper/c.aiff\tc.wav", "single.wav\tsingle.wav"},
         true},
        {"--set EnableExtFilter=1 --set FilterExts=wav music", {"music/a.wav\ta.wav", "music/sub/b.wav\tb.wav"}, false},
        {"--set EnableExtFilter=1 --set FilterExts=aiff,txt music/sub music/sub/deeper",
         {"music/sub/deeper/c.aiff\tc.wav"}, true},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const Run run = cli("convert --format wav --output-dir out" + std::to_string(n++) + " " + c.args);
        EXPECT_EQ(0, run.status) << run.err;
        EXPECT_EQ(c.printed, lines(run.out));
        EXPECT_EQ(c.notesNamed, run.err.find("Failed to load the following files.") != std::string::npos &&
                                    run.err.find("music/sub/notes.txt") != std::string::npos)
            << run.err;
    }
    const Run filtered = cli("convert --format wav --set EnableExtFilter=1 --set FilterExts=ogg --output-dir none music");
    EXPECT_EQ(0, filtered.status);
    EXPECT_EQ("", filtered.out);
    EXPECT_NE(std::string::npos, filtered.err.find("accepts (ogg)")) << filtered.err;
}

TEST_F(CliEverydayTest, AMissingSourceIsNamedBeforeTheOthersConvert)
{
    tone("first.wav");
    tone("last.wav");
    const std::string failure = "Conversion Failure (The file does not exist.)";
    for (const char* missing : {"missing.wav", "no-such-folder/x.mp3"}) {
        SCOPED_TRACE(missing);
        // Standard error joins standard output, so their order shows.
        const Run run =
            cli("convert --format wav --jobs 1 --output-dir out first.wav " + std::string(missing) + " last.wav", true);
        EXPECT_EQ(1, run.status);
        EXPECT_EQ((std::vector<std::string>{"sonivert-cli: error: " + std::string(missing) + ": The file does not exist.",
                                            "first.wav\tfirst.wav", std::string(missing) + "\t" + failure,
                                            "last.wav\tlast.wav"}),
                  lines(run.out));
        fs::remove_all(dir.file("out"));

        const Run quiet = cli("convert --format wav --quiet --output-dir out first.wav " + std::string(missing));
        EXPECT_EQ(1, quiet.status);
        EXPECT_EQ("sonivert-cli: error: " + std::string(missing) + ": The file does not exist.\n", quiet.err);
        EXPECT_TRUE(fs::exists(dir.file("out/first.wav")));
        fs::remove_all(dir.file("out"));
    }
}

} // namespace
} // namespace sonivert::test
