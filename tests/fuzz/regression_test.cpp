// Every input that once broke a parser, replayed through the same entry
// point as the fuzz target that found it: tests/fuzz/regressions/<target>/.
// The sanitizer build turns a relapse into a failure; so does a broken
// contract (the targets abort).

#include "tests/fuzz/fuzztargets.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

TEST(FuzzRegressionTest, EveryReproducerRunsCleanThroughItsTarget)
{
    const fs::path root = SONIVERT_FUZZ_REGRESSIONS;
    ASSERT_TRUE(fs::is_directory(root));
    int replayed = 0;
    for (const fs::directory_entry& folder : fs::directory_iterator(root)) {
        const fuzz::Target* target = fuzz::findTarget(folder.path().filename().string());
        ASSERT_NE(nullptr, target) << "no fuzz target named " << folder.path().filename();
        for (const fs::directory_entry& file : fs::directory_iterator(folder.path())) {
            SCOPED_TRACE(file.path().string());
            const std::vector<uint8_t> bytes = readFileBytes(file.path().string());
            target->run(bytes);
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0);
}

} // namespace
} // namespace sonivert::test
