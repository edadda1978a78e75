// Finding the program's own files from its executable's folder: a build
// tree with everything beside the executable, an installation with the
// modules and the manual in their folders under the prefix, and both at
// once (the executable's folder wins). Each case lays out a scratch tree.

#include "platform/installlayout.h"
#include "platform/programfiles.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

using Kind = ProgramFileKind;

// Where a case puts a file: beside the executable, in the installation's
// folder of its kind, or nowhere.
enum class Place { Beside, Installed, Nowhere };

TEST(ProgramFiles, EachKindIsFoundBesideTheExecutableFirstThenInItsInstalledFolder)
{
    struct Case {
        const char* what;
        Kind kind;
        const char* name;
        bool isFolder;
        std::vector<Place> places; // every place the file is put
        Place expected;
    };
    const std::vector<Case> cases = {
        {"build tree: add-ons beside", Kind::Module, "addons", true, {Place::Beside}, Place::Beside},
        {"installation: add-ons in the module folder", Kind::Module, "addons", true, {Place::Installed}, Place::Installed},
        {"both: beside wins", Kind::Module, "addons", true, {Place::Installed, Place::Beside}, Place::Beside},
        {"module file installed", Kind::Module, "wmvcore.so", false, {Place::Installed}, Place::Installed},
        {"manual beside", Kind::Document, "sonivert.html", false, {Place::Beside}, Place::Beside},
        {"manual installed", Kind::Document, "sonivert.html", false, {Place::Installed}, Place::Installed},
        {"manual in both", Kind::Document, "sonivert.html", false, {Place::Installed, Place::Beside}, Place::Beside},
        {"nothing anywhere", Kind::Module, "addons", true, {}, Place::Nowhere},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir root;
        const fs::path bin = fs::path(root.path()) / "prefix" / "bin";
        fs::create_directories(bin);
        const Kind other = c.kind == Kind::Module ? Kind::Document : Kind::Module;
        const fs::path installed = bin / (c.kind == Kind::Module ? kInstalledModuleFolder : kInstalledDocumentFolder);
        const fs::path wrongKind = bin / (other == Kind::Module ? kInstalledModuleFolder : kInstalledDocumentFolder);
        // A file of the name in the other kind's folder is never taken.
        fs::create_directories(wrongKind);
        writeFileBytes((wrongKind / c.name).string(), {1});
        for (const Place place : c.places) {
            const fs::path at = (place == Place::Beside ? bin : installed) / c.name;
            fs::create_directories(at.parent_path());
            if (c.isFolder)
                fs::create_directories(at);
            else
                writeFileBytes(at.string(), {1});
        }

        const std::optional<std::string> found = findProgramFile(bin.string(), c.kind, c.name);
        if (c.expected == Place::Nowhere) {
            EXPECT_FALSE(found);
            continue;
        }
        ASSERT_TRUE(found);
        const fs::path expected = (c.expected == Place::Beside ? bin : installed) / c.name;
        EXPECT_EQ(expected.lexically_normal().string(), *found);
        EXPECT_EQ(std::string::npos, found->find("..")) << "spelled without dot-dot steps";
    }
    EXPECT_FALSE(findProgramFile(std::nullopt, Kind::Module, "addons")) << "executable's folder unknown";
}

} // namespace
} // namespace sonivert::test
