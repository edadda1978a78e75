#include "engine/filesafety.h"
#include "engine/outputnaming.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

class OutputNamingTest : public testing::Test {
protected:
    std::string make(const std::string& relative, const std::string& content = "x")
    {
        const std::string path = dir.file(relative);
        fs::create_directories(fs::path(path).parent_path());
        writeFileBytes(path, std::vector<uint8_t>(content.begin(), content.end()));
        return path;
    }
    static std::string textOf(const std::string& path)
    {
        const std::vector<uint8_t> bytes = readFileBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }
    TargetRules customFolder(const std::string& folder, int32_t policy = kTargetAutoRename)
    {
        TargetRules rules;
        rules.folderMode = kFolderCustom;
        rules.customFolder = folder;
        rules.existsPolicy = policy;
        rules.documentsFolder = [this]() -> std::optional<std::string> {
            ++documentsAsked;
            const std::string docs = dir.file("Documents");
            fs::create_directories(docs);
            return docs;
        };
        return rules;
    }

    TempDir dir;
    int documentsAsked = 0;
    std::string target, status;
};

TEST_F(OutputNamingTest, SameNameFromTwoFoldersIsRenamedOnceTheFirstExists)
{
    const std::string a = make("a/x.wav"), b = make("b/x.wav");
    const TargetRules rules = customFolder(dir.file("out"));
    ASSERT_TRUE(prepareTarget(a, ".mp3", rules, target, status));
    EXPECT_EQ(dir.file("out/x.mp3"), target);
    EXPECT_FALSE(fs::exists(target)); // reserved, not left behind
    make("out/x.mp3");                // the first conversion wrote it
    ASSERT_TRUE(prepareTarget(b, ".mp3", rules, target, status));
    EXPECT_EQ(dir.file("out/x_1.mp3"), target);
}

TEST_F(OutputNamingTest, ExistingTargetBesideTheSourceFollowsThePolicy)
{
    const std::string song = make("music/song.wav");
    struct Case {
        int32_t policy;
        bool ok;
        std::string expected; // target or status
    };
    const Case cases[] = {
        {kTargetOverwrite, false,
         "Target file name is same as original file that can't be overwritten. Please output files to a custom "
         "folder."},
        {kTargetAutoRename, true, dir.file("music/song_1.wav")},
        {kTargetSkip, false, "Target exists and skipped"},
        {0, true, dir.file("music/song_1.wav")}, // unknown policies rename
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.policy);
        TargetRules rules = customFolder("");
        rules.folderMode = kFolderSameAsSource;
        rules.existsPolicy = c.policy;
        target.clear();
        status.clear();
        EXPECT_EQ(c.ok, prepareTarget(song, ".wav", rules, target, status));
        EXPECT_EQ(c.expected, c.ok ? target : status);
        EXPECT_EQ(0, documentsAsked); // refusals never fall back
    }
    EXPECT_EQ(std::vector<uint8_t>{'x'}, readFileBytes(song));
}

TEST_F(OutputNamingTest, OverwriteNeverReplacesTheSourceThroughALink)
{
    const std::string song = make("music/song.wav", "precious");
    fs::create_directories(dir.file("out"));
    fs::create_hard_link(song, dir.file("out/song.wav"));
    fs::create_directories(dir.file("out2"));
    fs::create_symlink(song, dir.file("out2/song.wav"));
    for (const char* folder : {"out", "out2"}) {
        SCOPED_TRACE(folder);
        EXPECT_FALSE(prepareTarget(song, ".wav", customFolder(dir.file(folder), kTargetOverwrite), target, status));
        EXPECT_NE(std::string::npos, status.find("same as original file"));
    }
    const std::vector<uint8_t> kept = readFileBytes(song);
    EXPECT_EQ("precious", std::string(kept.begin(), kept.end()));
}

TEST_F(OutputNamingTest, AnUpperCaseExtensionIsAnotherNameOnlyWhereTheFileSystemKeepsCase)
{
    const std::string song = make("music/Song.WAV", "precious");
    const bool foldsCase = fs::exists(dir.file("music/Song.wav"));
    const std::string same = dir.file("music/Song.wav");
    const struct {
        int32_t policy;
        bool ok;
        std::string expected; // target or status
    } cases[] = {
        {kTargetAutoRename, true, foldsCase ? dir.file("music/Song_1.wav") : same},
        {kTargetOverwrite, !foldsCase,
         foldsCase ? "Target file name is same as original file that can't be overwritten. Please output files to a "
                     "custom folder."
                   : same},
        {kTargetSkip, !foldsCase, foldsCase ? "Target exists and skipped" : same},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.policy);
        TargetRules rules = customFolder("", c.policy);
        rules.folderMode = kFolderSameAsSource;
        status.clear();
        EXPECT_EQ(c.ok, prepareTarget(song, ".wav", rules, target, status));
        EXPECT_EQ(c.expected, c.ok ? target : status);
        EXPECT_EQ("precious", textOf(song));
    }
}

TEST_F(OutputNamingTest, OverwriteReplacesALinkItselfNeverTheFileItPointsTo)
{
    const std::string song = make("music/song.wav");
    const std::string kept = make("elsewhere/kept.mp3", "precious");
    fs::create_directories(dir.file("out"));
    fs::create_symlink(kept, dir.file("out/song.mp3"));
    fs::create_directories(dir.file("dangling"));
    fs::create_symlink(dir.file("nowhere/x.mp3"), dir.file("dangling/song.mp3"));
    for (const char* folder : {"out", "dangling"}) {
        SCOPED_TRACE(folder);
        TargetReservation reservation;
        ASSERT_TRUE(
            prepareTarget(song, ".mp3", customFolder(dir.file(folder), kTargetOverwrite), reservation, status));
        EXPECT_EQ(dir.file(std::string(folder) + "/song.mp3"), reservation.path());
        EXPECT_TRUE(fs::is_symlink(reservation.path())); // replaced only when the new file is complete
        writeFileBytes(reservation.temporaryPath(), {'n', 'e', 'w'});
        ASSERT_TRUE(reservation.commit());
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(reservation.path())));
        EXPECT_EQ("new", textOf(reservation.path()));
    }
    EXPECT_EQ("precious", textOf(kept));
    EXPECT_FALSE(fs::exists(dir.file("nowhere")));
}

TEST_F(OutputNamingTest, MirroredFoldersAreCreatedBelowTheCustomFolder)
{
    const std::string song = make("deep/pop/1.wav");
    TargetRules rules = customFolder(dir.file("out") + "/");
    rules.mirrorSourceFolders = true;
    ASSERT_TRUE(prepareTarget(song, ".ogg", rules, target, status));
    const std::string expected = dir.file("out/") + mirroredFolderPart(song) + "1.ogg";
    EXPECT_EQ(expected, target);
    EXPECT_TRUE(fs::is_directory(fs::path(expected).parent_path()));
    EXPECT_EQ("home/u/Music/pop/", mirroredFolderPart("/home/u//Music/pop/1.mp3"));
    EXPECT_EQ("", mirroredFolderPart("/1.mp3"));
}

TEST_F(OutputNamingTest, UncreatableFolderFallsBackToDocumentsOnce)
{
    const std::string song = make("music/song.wav");
    make("blocker"); // a file where a folder would have to be
    const std::string bad = dir.file("blocker/out");

    TargetRules rules = customFolder(bad);
    rules.mirrorSourceFolders = true;
    ASSERT_TRUE(prepareTarget(song, ".mp3", rules, target, status));
    EXPECT_EQ(dir.file("Documents/") + mirroredFolderPart(song) + "song.mp3", target);

    // From "same as original" the fallback is not mirrored.
    const std::string locked = dir.file("locked");
    fs::create_directories(locked);
    const std::string inLocked = make("locked/song.wav");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    rules.folderMode = kFolderSameAsSource;
    const bool rootIgnoresPermissions = std::ofstream(dir.file("locked/probe")).good();
    if (!rootIgnoresPermissions) {
        ASSERT_TRUE(prepareTarget(inLocked, ".mp3", rules, target, status));
        EXPECT_EQ(dir.file("Documents/song.mp3"), target);
    }
    fs::permissions(locked, fs::perms::owner_all);

    rules = customFolder(bad);
    rules.fallbackToDocuments = false;
    EXPECT_FALSE(prepareTarget(song, ".mp3", rules, target, status));
    EXPECT_EQ("Failed to create folder \"" + bad + "\"", status);
    rules = customFolder("");
    rules.fallbackToDocuments = false;
    EXPECT_FALSE(prepareTarget(song, ".mp3", rules, target, status));
    EXPECT_EQ("Failed to create folder \"\"", status);
}

TEST_F(OutputNamingTest, SameFileTestsNameCaseAndIdentity)
{
    const std::string song = make("Music/Song.wav");
    // Letter case counts only where the file system folds it.
    EXPECT_EQ(fs::exists(dir.file("music/song.WAV")), mayBeSameFile(song, dir.file("music/song.WAV")));
    EXPECT_TRUE(mayBeSameFile(song, dir.file("Music/../Music/Song.wav")));
    fs::create_hard_link(song, dir.file("hard.wav"));
    EXPECT_TRUE(mayBeSameFile(song, dir.file("hard.wav")));
    const std::string other = make("other.wav");
    EXPECT_FALSE(mayBeSameFile(song, other));

    EXPECT_FALSE(deleteTargetUnlessSource(dir.file("hard.wav"), song));
    EXPECT_TRUE(fs::exists(dir.file("hard.wav")));
    EXPECT_TRUE(deleteTargetUnlessSource(other, song));
    EXPECT_FALSE(fs::exists(other));
    EXPECT_TRUE(deleteTargetUnlessSource(dir.file("never-there.wav"), song));
}

TEST_F(OutputNamingTest, FolderCreationStopsAtAFileInThePath)
{
    EXPECT_TRUE(createFolderPath(dir.file("a/b/c")));
    EXPECT_TRUE(fs::is_directory(dir.file("a/b/c")));
    EXPECT_TRUE(createFolderPath(dir.file("a/b/c")));
    make("a/file");
    EXPECT_FALSE(createFolderPath(dir.file("a/file/d")));
    EXPECT_FALSE(createFolderPath(dir.file("a/file")));
}

} // namespace
} // namespace sonivert::test
