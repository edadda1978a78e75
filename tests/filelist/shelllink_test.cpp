// Reading shell links and following shortcuts.

#include "filelist/shelllink.h"
#include "tests/filelist/linkbuilder.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace sonivert {
namespace {

using test::buildLink;
using test::LinkFields;
using test::TempDir;
using test::widen;
using test::writeFileBytes;

TEST(ShellLinkParseTest, ReadsLocalAndRelativePathsInEveryLayout)
{
    const struct {
        const char* label;
        LinkFields fields;
        std::string local;
        std::string relative;
    } cases[] = {
        {"code page base path", {.localBasePath = "C:\\Music\\a.mp3"}, "C:\\Music\\a.mp3", ""},
        {"base path and suffix", {.localBasePath = "C:\\Music\\", .commonPathSuffix = "a.mp3"}, "C:\\Music\\a.mp3", ""},
        {"unicode forms win",
         {.localBasePath = "C:\\Music\\x.mp3",
          .localBasePathUnicode = u"C:\\M\u00fcsic\\",
          .commonPathSuffixUnicode = u"\u00e9t\u00e9.mp3"},
         "C:\\M\u00fcsic\\\u00e9t\u00e9.mp3",
         ""},
        {"ID list skipped, strings read",
         {.localBasePath = "/srv/a.wav", .name = u"A song", .relativePath = u"..\\a.wav", .idListBytes = 300},
         "/srv/a.wav",
         "..\\a.wav"},
        {"relative path only", {.relativePath = u".\\b.wav"}, "", ".\\b.wav"},
        {"ForceNoLinkInfo ignores the base path",
         {.localBasePath = "/srv/a.wav", .relativePath = u"a.wav", .extraLinkFlags = 0x100},
         "",
         "a.wav"},
    };
    for (const auto& c : cases) {
        const auto paths = parseShellLink(buildLink(c.fields));
        ASSERT_TRUE(paths) << c.label;
        EXPECT_EQ(paths->localPath, c.local) << c.label;
        EXPECT_EQ(paths->relativePath, c.relative) << c.label;
    }
}

TEST(ShellLinkParseTest, DamagedLinksAreRefusedWithoutReadingOutside)
{
    const std::vector<uint8_t> good = buildLink(
        {.localBasePath = "/srv/a.wav", .localBasePathUnicode = u"/srv/a.wav", .relativePath = u"a.wav", .idListBytes = 20});
    const size_t idList = 0x4C;
    const size_t linkInfo = idList + 2 + 20;
    auto patched = [&](size_t at, uint32_t value, int width) {
        std::vector<uint8_t> b = good;
        for (int i = 0; i < width; ++i)
            b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
        return b;
    };
    const struct {
        const char* label;
        std::vector<uint8_t> bytes;
        bool parses;
        std::string local;
    } cases[] = {
        {"header size", patched(0, 0x4D, 4), false, ""},
        {"class id", patched(4, 0x02, 1), false, ""},
        {"ID list longer than the file", patched(idList, 0xFFFF, 2), false, ""},
        {"LinkInfo longer than the file", patched(linkInfo, 0xFFFFFF, 4), false, ""},
        {"header larger than LinkInfo", patched(linkInfo + 4, 0x1000, 4), false, ""},
        {"unicode offset outside", patched(linkInfo + 28, 0xFFFFFFF0, 4), true, "/srv/a.wav"},
        {"code page offset outside", patched(linkInfo + 16, 0x7FFF, 4), true, "/srv/a.wav"},
        {"empty file", {}, false, ""},
    };
    for (const auto& c : cases) {
        const auto paths = parseShellLink(c.bytes);
        EXPECT_EQ(paths.has_value(), c.parses) << c.label;
        if (paths) {
            EXPECT_EQ(paths->localPath, c.local) << c.label;
        }
    }

    // Every truncation and many random corruptions are parsed safely (the
    // sanitizer build checks the reads); a cut header is never a link.
    for (size_t size = 0; size < good.size(); ++size) {
        const auto paths = parseShellLink(std::span(good).first(size));
        if (size < 0x4C) {
            EXPECT_FALSE(paths) << size;
        }
    }
    std::mt19937 random(6);
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes = good;
        for (int flips = 0; flips < 4; ++flips)
            bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
        (void)parseShellLink(bytes);
    }
}

TEST(ShellLinkParseTest, TextsThatAreNotValidUtf8OrUtf16AreNotUsed)
{
    EXPECT_EQ(parseShellLink(buildLink({.localBasePath = "/srv/\xe9t\xe9.wav"}))->localPath, "");
    EXPECT_EQ(parseShellLink(buildLink({.relativePath = std::u16string(1, char16_t(0xD800)) + u"a"}))->relativePath, "");
}

class ResolveShortcutTest : public ::testing::Test {
protected:
    ResolveShortcutTest()
    {
        std::filesystem::create_directories(dir.file("music"));
        writeFileBytes(target, {1, 2, 3});
    }
    TempDir dir;
    std::string target = dir.file("music/d.mp3");
};

TEST_F(ResolveShortcutTest, FollowsLinksToExistingTargetsOnly)
{
    std::string longFolder = dir.path();
    for (int i = 0; i < 5; ++i)
        longFolder += "/" + std::string(120, static_cast<char>('a' + i));
    std::filesystem::create_directories(longFolder);
    const std::string longTarget = longFolder + "/far.wav";
    writeFileBytes(longTarget, {1});
    ASSERT_GT(longTarget.size(), 600u);

    const struct {
        const char* name;
        LinkFields fields;
        std::optional<std::string> resolved;
    } cases[] = {
        {"local.lnk", {.localBasePath = target}, target},
        {"unicode.lnk", {.localBasePathUnicode = widen(target)}, target},
        {"split.lnk", {.localBasePath = dir.file("music/"), .commonPathSuffix = "d.mp3"}, target},
        {"long.lnk", {.localBasePath = longTarget}, longTarget}, // never cut
        {"windows.lnk", {.localBasePath = "C:\\Music\\d.mp3"}, std::nullopt},
        // Only an absolute local path counts; this one exists from the current folder.
        {"cwd.lnk", {.localBasePath = std::filesystem::relative(target).string()}, std::nullopt},
        {"missing.lnk", {.localBasePath = dir.file("music/none.mp3")}, std::nullopt},
        // A link made elsewhere still finds its target through the relative path.
        {"moved.lnk", {.localBasePath = "C:\\Music\\d.mp3", .relativePath = u"music\\d.mp3"}, target},
        {"folder.lnk", {.localBasePath = dir.file("music")}, dir.file("music")},
    };
    for (const auto& c : cases) {
        const std::string link = dir.file(c.name);
        writeFileBytes(link, buildLink(c.fields));
        EXPECT_EQ(ResolveShortcut(link), c.resolved) << c.name;
    }
    writeFileBytes(dir.file("text.lnk"), {'n', 'o', 't'});
    EXPECT_EQ(ResolveShortcut(dir.file("text.lnk")), std::nullopt);
    EXPECT_EQ(ResolveShortcut(dir.file("absent.lnk")), std::nullopt);
}

TEST_F(ResolveShortcutTest, SymbolicLinksResolveOneStepAgainstTheirFolder)
{
    std::filesystem::create_symlink("music/d.mp3", dir.file("relative"));
    std::filesystem::create_symlink(target, dir.file("music/absolute"));
    std::filesystem::create_symlink("nowhere.mp3", dir.file("dangling"));
    std::filesystem::create_symlink("relative", dir.file("chained"));

    EXPECT_EQ(ResolveShortcut(dir.file("relative")), target);
    EXPECT_EQ(ResolveShortcut(dir.file("music/absolute")), target);
    EXPECT_EQ(ResolveShortcut(dir.file("dangling")), std::nullopt);
    EXPECT_EQ(ResolveShortcut(dir.file("chained")), dir.file("relative"));

    // "../" inside a linked folder leads where the file system goes: here
    // alias/../d.mp3 is music/d.mp3, while its spelling says dir/d.mp3 (and
    // a path index reading the spelling would take it for that file).
    std::filesystem::create_directories(dir.file("music/sub"));
    std::filesystem::create_symlink("../d.mp3", dir.file("music/sub/up"));
    std::filesystem::create_directory_symlink(dir.file("music/sub"), dir.file("alias"));
    EXPECT_EQ(ResolveShortcut(dir.file("alias/up")), target);
}

} // namespace
} // namespace sonivert
