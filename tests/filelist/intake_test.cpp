// The add loop, the open-file dialog's data, the folder scan, drops and
// shortcut following, on temporary folder trees.

#include "engine/constants.h"
#include "engine/engine.h"
#include "filelist/fileintake.h"
#include "filelist/filelistmodel.h"
#include "filelist/openfiledialog.h"
#include "tests/filelist/linkbuilder.h"
#include "tests/support/fakes.h"
#include "tests/support/testsupport.h"
#include "tests/support/wavbuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace sonivert {
namespace {

namespace fs = std::filesystem;
using namespace test;
using Paths = std::vector<std::string>;

class IntakeTest : public ::testing::Test {
protected:
    std::string put(const std::string& relative, const std::vector<uint8_t>& bytes)
    {
        fs::create_directories(fs::path(dir.file(relative)).parent_path());
        writeFileBytes(dir.file(relative), bytes);
        return dir.file(relative);
    }
    std::string wav(const std::string& relative, uint32_t seconds = 1)
    {
        return put(relative, pcm16Wav(2, 8000, std::vector<int16_t>(16000u * seconds, 100)));
    }
    std::string junk(const std::string& relative) { return put(relative, {'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o'}); }
    std::string link(const std::string& relative, const std::string& target)
    {
        return put(relative, buildLink({.localBasePath = target}));
    }
    Paths listed() const
    {
        Paths out;
        for (int32_t r = 0; r < list.rowCount(); ++r)
            out.push_back(list.entry(r)->sourcePath);
        return out;
    }
    static Paths sorted(Paths v)
    {
        std::sort(v.begin(), v.end());
        return v;
    }

    TempDir dir;
    RecordingPrompts prompts;
    Engine engine{prompts};
    FileListModel list;
    RecordingProgressHost host;
    FileIntake intake{engine, list, host};
};

const std::string kSupportLine = std::string("\nTo get help, please forward the failure files to <") + kSupportEmail + ">.";
const std::string kCdNote = "\nIMPORTANT: please DO NOT add CDA file from hard drive, but add CDA file from CD drive.";
const std::string kFlashNote =
    std::string("\nNote: please use Flarecast ( ") + kMakerWebSite + " ) to convert SWF and FLV files.";

TEST_F(IntakeTest, AddedFileShowsItsStreamInformation)
{
    const std::string path = wav("Song.WAV", 3);
    EXPECT_EQ(intake.AddOneFile(path), 0);
    const FileEntry& e = *list.entry(0);
    EXPECT_EQ(e.sourcePath, path);
    EXPECT_TRUE(e.inputType == kInputWav && e.durationSeconds == 3 && e.sampleRate == 8000 && e.bitrateKbps == 256 &&
                e.channelCount == 2 && e.targetPath.empty());
    const Paths cells = {"Song.WAV", "00:03", "256 kbps", "8000 Hz", "Stereo", ""};
    for (int32_t c = 0; c < kColumnCount; ++c)
        EXPECT_EQ(list.cellText(0, c), cells[static_cast<size_t>(c)]);
}

TEST_F(IntakeTest, SameFileUnderAnotherSpellingIsSkippedSilently)
{
    const std::string a = wav("music/a.wav");
    Paths paths = {a, dir.file("music/./a.wav"), dir.file("music/sub/../a.wav"), dir.path() + "//music/a.wav",
                   fs::relative(a).string()};
#ifdef _WIN32
    paths.push_back(dir.file("MUSIC/A.WAV"));
    const Paths expected = {a};
#else
    paths.push_back(wav("music/A.wav")); // another file where names are case-sensitive
    const Paths expected = {a, paths.back()};
#endif
    const auto summary = intake.AddFileList(paths);
    EXPECT_EQ(listed(), expected);
    EXPECT_EQ(summary.alreadyListed, 4 + (expected.size() == 1 ? 1 : 0));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(IntakeTest, ExtensionChoosesTheCodeOfferedToTheReaders)
{
    std::vector<InputTypeCode> codes;
    intake.setSourceFactory([&](const std::string& path, InputTypeCode code, int32_t rate, bool probeOnly) {
        codes.push_back(code);
        EXPECT_TRUE(rate == 0 && probeOnly) << path;
        return engine.createSource(path, code, rate, probeOnly);
    });
    const std::pair<const char*, InputTypeCode> files[] = {
        {"song.WAV", kInputWav}, {"song2.Wave", kInputWav}, {"noext", kInputOther},     {"clip.mkv", kInputOther},
        {"a.MP3", kInputMp3},    {"b.mp3", kInputMp3},      {"t.CDA", kInputCdAudio}, {"dot.", kInputOther},
    };
    Paths paths;
    std::vector<InputTypeCode> expected;
    for (const auto& [name, code] : files) {
        paths.push_back(wav(name));
        expected.push_back(code);
    }
    intake.AddFileList(paths);
    EXPECT_EQ(codes, expected);
    ASSERT_GE(list.rowCount(), 2);
    EXPECT_EQ(list.entry(1)->inputType, kInputWav);
}

TEST_F(IntakeTest, SummaryNamesThirtyFailuresThenMoreFilesOnce)
{
    Paths paths;
    std::string expected = "Failed to load the following files.\n\n";
    for (int i = 0; i < 33; ++i) {
        paths.push_back(junk("bad" + std::to_string(i) + ".wav"));
        if (i < 30)
            expected += paths.back() + "\n";
    }
    paths.insert(paths.begin() + 5, wav("good.wav"));
    expected += "<more files>...\n" + kSupportLine;

    const auto summary = intake.AddFileList(paths);
    EXPECT_EQ(summary.failed, 33);
    EXPECT_EQ(summary.added, 1);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, UserPrompts::Icon::Exclamation);
    EXPECT_EQ(prompts.messages[0].text, expected);
}

TEST_F(IntakeTest, LastCdAudioOrFlashFailureGivesTheClosingNote)
{
    const std::pair<Paths, std::string> cases[] = {
        {{"x.wav"}, kSupportLine},
        {{"t.cda"}, kCdNote},
        {{"t.cda", "m.SWF"}, kFlashNote},
        {{"v.flv", "t.cda"}, kCdNote},
        {{"t.cda", "x.wav"}, kCdNote}, // other failures leave the note
    };
    for (const auto& [names, ending] : cases) {
        engine.setFailureDetail("left over from an earlier run");
        prompts.messages.clear();
        Paths paths;
        for (const auto& name : names)
            paths.push_back(junk(name));
        intake.AddFileList(paths);
        ASSERT_EQ(prompts.messages.size(), 1u);
        std::string expected = "Failed to load the following files.\n\n";
        for (const auto& path : paths)
            expected += path + "\n";
        EXPECT_EQ(prompts.messages[0].text, expected + ending);
    }
}

TEST_F(IntakeTest, CancelAfterTheThirdOfTenFilesKeepsThreeRows)
{
    Paths paths;
    for (int i = 0; i < 10; ++i)
        paths.push_back(wav("f" + std::to_string(i) + ".wav"));
    host.itemCancelAfterPumps = 4; // one pump before the first file, one after each

    EXPECT_TRUE(intake.AddFileList(paths).cancelled);
    EXPECT_EQ(list.rowCount(), 3);
    EXPECT_EQ(host.lastItem.range, 10);
    EXPECT_EQ(host.lastItem.position, 3);
    EXPECT_EQ(host.lastItem.texts, (Paths{"Adding file 1 of 10...", "Adding file 2 of 10...", "Adding file 3 of 10..."}));
    EXPECT_EQ(host.itemWindowsClosed, host.itemWindowsCreated);
    EXPECT_EQ(host.enabledCalls, (std::vector<bool>{false, true}));
}

TEST_F(IntakeTest, SpecialFilesAreNotOpened)
{
    // A reader opening a FIFO would wait for a writer forever.
    const std::string fifo = dir.file("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(intake.AddOneFile(fifo), FileIntake::kAddFailed);
    EXPECT_EQ(intake.AddOneFile(dir.path()), FileIntake::kAddFailed);
}

TEST(OpenFileDialogTest, FiftyFiltersEachPairedWithItsParenthesisedPattern)
{
    const auto filters = openFileDialogFilters();
    ASSERT_EQ(filters.size(), 50u);
    EXPECT_EQ(filters.front().description, "All Files (*.*)");
    EXPECT_EQ(filters.back().description, "YUV Video Files (*.yuv)");
    for (const auto& f : filters) {
        const auto open = f.description.rfind('(');
        ASSERT_NE(open, std::string_view::npos) << f.description;
        EXPECT_EQ(f.description.substr(open + 1), std::string(f.pattern) + ")");
    }
}

TEST(OpenFileDialogTest, ResultBecomesFullPathsWithOneSeparator)
{
    const std::pair<Paths, Paths> cases[] = {
        {{"/music/a.wav"}, {"/music/a.wav"}},
        {{"/music", "a.wav", "b c.mp3"}, {"/music/a.wav", "/music/b c.mp3"}},
        {{"/", "a.wav", "b.wav"}, {"/a.wav", "/b.wav"}}, // a root keeps its one separator
#ifdef _WIN32
        {{"C:\\", "a.wav"}, {"C:\\a.wav"}},
#endif
        {{}, {}},
    };
    for (const auto& [result, paths] : cases)
        EXPECT_EQ(workingPathList(result), paths);
}

// drop/{a.MP3, b.wav, c.txt, d.lnk -> elsewhere/d.mp3}
class ScanTest : public IntakeTest {
protected:
    Paths scan(const ExtensionFilter& filter)
    {
        Paths found;
        ScanFolder(found, dir.file("drop"), filter);
        return sorted(found);
    }
    std::string a = wav("drop/a.MP3"), b = wav("drop/b.wav"), c = junk("drop/c.txt"), d = wav("elsewhere/d.mp3");
    std::string lnk = link("drop/d.lnk", d);
};

TEST_F(ScanTest, FilterTakesListedExtensionsAndFollowsShortcuts)
{
    const std::string bare = wav("drop/bare"), dotted = wav("drop/dotted.");
    const std::pair<ExtensionFilter, Paths> cases[] = {
        {{true, {"mp3", "wav"}}, sorted({a, b, d})},
        {{false, {}}, sorted({a, b, bare, c, dotted, lnk})}, // off: every file, the shortcut itself
        {{true, {"wav", "lnk"}}, sorted({b, lnk})},           // an accepted shortcut is not followed
        {{true, {".mp3", ".wav", "MP3"}}, {}},                // a leading dot or capitals never match
        {{true, {"mp3", ""}}, sorted({a, bare, d, dotted})},   // the empty entry: names without extension
    };
    for (const auto& [filter, found] : cases)
        EXPECT_EQ(scan(filter), found);
}

TEST_F(ScanTest, ShortcutChainsEndAfterEightSteps)
{
    // chainN/l0.lnk -> l1.lnk -> ... -> b.wav takes N resolutions.
    auto chain = [&](int n) {
        const std::string folder = "chain" + std::to_string(n) + "/l";
        for (int i = 0; i < n; ++i)
            link(folder + std::to_string(i) + ".lnk", i + 1 < n ? dir.file(folder + std::to_string(i + 1) + ".lnk") : b);
        Paths found;
        AcceptPath(found, dir.file(folder + "0.lnk"), {true, {"wav"}});
        return found;
    };
    EXPECT_EQ(chain(8), Paths{b});
    EXPECT_TRUE(chain(9).empty());

    const std::string loop = link("loop.lnk", dir.file("loop.lnk"));
    fs::create_symlink("sym2", dir.file("sym1"));
    fs::create_symlink("sym1", dir.file("sym2"));
    Paths found;
    AcceptPath(found, loop, {true, {"wav"}});
    AcceptPath(found, dir.file("sym1"), {true, {"wav"}});
    EXPECT_TRUE(found.empty());
}

TEST_F(ScanTest, DropWithTheFilterOffHandsEveryFileToTheAddLoop)
{
    intake.OnDropFiles({dir.file("drop")}, {false, {}});
    EXPECT_TRUE(list.isListed(b));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].text.find("\n" + c + "\n"), std::string::npos);
    EXPECT_NE(prompts.messages[0].text.find("\n" + lnk + "\n"), std::string::npos);
    EXPECT_EQ(host.itemWindowsCreated, 1); // the search window goes on into the add loop
    EXPECT_EQ(host.lastItem.texts.front(), "Searching files...");
    EXPECT_EQ(host.itemWindowsClosed, 1);
}

TEST_F(ScanTest, DroppedShortcutToAFolderAddsNothing)
{
    fs::create_directory_symlink(dir.file("drop"), dir.file("folder.wav")); // a folder under an accepted name
    intake.OnDropFiles({link("folder.lnk", dir.file("drop")), "", link("named.lnk", dir.file("folder.wav"))},
                       {true, {"wav"}});
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(host.enabledCalls.empty()); // no add loop ran
    EXPECT_EQ(host.itemWindowsClosed, 1);
}

TEST_F(IntakeTest, SubfoldersAreScannedInPreOrder)
{
    const std::string r = dir.file("root");
    const std::vector<std::pair<std::string, std::string>> tree = {
        {r, r + "/r.wav"}, {r + "/A", r + "/A/a.wav"}, {r + "/A/B", r + "/A/B/b.wav"},
        {r + "/A/B/C", r + "/A/B/C/c.wav"}, {r + "/Z", r + "/Z/z.wav"}};
    for (const auto& [folder, file] : tree)
        wav(fs::relative(file, dir.path()).string());

    Paths folders;
    CollectFolders(folders, r);
    const Paths aFirst = {r, r + "/A", r + "/A/B", r + "/A/B/C", r + "/Z"};
    const Paths zFirst = {r, r + "/Z", r + "/A", r + "/A/B", r + "/A/B/C"};
    ASSERT_TRUE(folders == aFirst || folders == zFirst) << ::testing::PrintToString(folders);

    Paths expected;
    for (const auto& folder : folders)
        expected.push_back(std::find_if(tree.begin(), tree.end(), [&](auto& t) { return t.first == folder; })->second);
    intake.AddFolder(r, {true, {"wav"}});
    EXPECT_EQ(listed(), expected);
}

TEST_F(IntakeTest, AFolderWhoseFilesTheFilterAllTurnsAwaySaysSo)
{
    wav("songs/a.wav");
    wav("songs/b.wav");
    const auto summary = intake.AddFolder(dir.file("songs"), {true, {"mp3", "flac"}});
    EXPECT_EQ(0, summary.added);
    ASSERT_EQ(1u, prompts.messages.size());
    EXPECT_EQ(UserPrompts::Icon::Information, prompts.messages[0].icon);
    EXPECT_EQ("No file in the folder has one of the extensions the filter accepts (mp3, flac).\n"
              "The filter is set on the General page of the options.",
              prompts.messages[0].text);
    // An empty folder, or one the filter takes files from, says nothing.
    fs::create_directories(dir.file("empty"));
    intake.AddFolder(dir.file("empty"), {true, {"mp3"}});
    intake.AddFolder(dir.file("songs"), {true, {"wav"}});
    EXPECT_EQ(1u, prompts.messages.size());
}

TEST_F(IntakeTest, LinkCyclesEndAndNoFolderIsEnteredTwice)
{
    const std::string r = dir.file("root");
    for (const char* f : {"root/r.wav", "root/A/a.wav", "root/B/b.wav"})
        wav(f);
    fs::create_directory_symlink(r, r + "/A/up");          // back to the top
    fs::create_directory_symlink(r + "/A", r + "/A/me");   // to itself
    fs::create_directory_symlink(r + "/B", r + "/A/toB");  // a folder also reached directly

    Paths folders;
    CollectFolders(folders, r);
    EXPECT_EQ(folders.size(), 3u) << ::testing::PrintToString(folders);
    const auto summary = intake.AddFolder(r, {true, {"wav"}});
    EXPECT_EQ(summary.added, 3);
    EXPECT_EQ(summary.alreadyListed, 0);
}

TEST_F(IntakeTest, LongPathsAreNeverCut)
{
    std::string relative = "deep";
    for (char c = 'k'; c < 'q'; ++c)
        relative += "/" + std::string(100, c);
    const std::string path = wav(relative + "/song.wav");
    ASSERT_GT(path.size(), 620u);

    intake.AddFolder(dir.file("deep"), {true, {"wav"}});
    EXPECT_EQ(listed(), Paths{path});
    Paths found;
    AcceptPath(found, link("short.lnk", path), {true, {"wav"}});
    EXPECT_EQ(found, Paths{path});
}

} // namespace
} // namespace sonivert
