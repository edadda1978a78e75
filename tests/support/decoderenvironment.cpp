// Linked into every test program whose readers decode through the decoding
// library: starts it, with the add-ons beside the test program, before the
// first test and stops it after the last, as the program's start and exit
// do.

#include "platform/specialfolders.h"
#include "sources/decoderstartup.h"
#include "tests/support/fakes.h"

#include <gtest/gtest.h>

namespace sonivert::test {
namespace {

class DecoderEnvironment final : public testing::Environment {
public:
    void SetUp() override
    {
        RecordingPrompts prompts;
        ASSERT_TRUE(startDecodingBackEnds(executableFolder(), prompts));
        ASSERT_TRUE(prompts.messages.empty());
    }
    void TearDown() override { stopDecodingBackEnds(); }
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new DecoderEnvironment);

} // namespace
} // namespace sonivert::test
