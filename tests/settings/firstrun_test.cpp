#include "engine/constants.h"
#include "platform/registrystore.h"
#include "settings/conversionsettings.h"
#include "settings/firstrun.h"
#include "tests/support/fakes.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace sonivert::test {
namespace {

struct Case {
    const char* label;
    std::function<void(RegistryKey&)> stored; // what the Options key holds before
    bool manualPresent;
    bool folderKnown;
    bool firstRun;
    bool manualOpened;
};

TEST(FirstRunTest, FirstStartIsDetectedRecordedAndOpensTheManualWhenThere)
{
    const Case cases[] = {
        {"no Options key", nullptr, true, true, true, true},
        {"other values only", [](RegistryKey& k) { k.writeNumber("OutputFormat", 2000); }, true, true, true, true},
        {"started before", [](RegistryKey& k) { k.writeNumber("FirstRun", 0); }, true, true, false, false},
        {"any nonzero", [](RegistryKey& k) { k.writeNumber("FirstRun", 5); }, true, true, true, true},
        {"stored as a text", [](RegistryKey& k) { k.writeText("FirstRun", "0"); }, true, true, true, true},
        {"manual missing", nullptr, false, true, true, false},
        {"program folder unknown", nullptr, true, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        const std::string iniPath = dir.file("settings.ini");
        if (c.stored) {
            auto store = openIniSettingsStore(iniPath);
            c.stored(*store->createKey(kOptionsKey));
            ASSERT_TRUE(store->flush());
        }
        if (c.manualPresent)
            writeFileBytes(dir.file(kHelpManualFileName), {'<', 'p', '>'});

        auto store = openIniSettingsStore(iniPath);
        RecordingPrompts prompts;
        const std::optional<std::string> folder =
            c.folderKnown ? std::optional<std::string>(dir.path()) : std::nullopt;
        EXPECT_EQ(c.firstRun, firstRunCheck(*store, prompts, folder));
        EXPECT_EQ(c.manualOpened ? std::vector<std::string>{dir.file(kHelpManualFileName)}
                                 : std::vector<std::string>{},
                  prompts.openedDocuments);
        EXPECT_TRUE(prompts.messages.empty() && prompts.questions.empty()) << "nothing is shown";

        // Whatever it was, it is recorded as 0 in a number for the next start.
        auto key = openIniSettingsStore(iniPath)->openKey(kOptionsKey);
        ASSERT_NE(nullptr, key);
        EXPECT_EQ(0, key->readNumber(kFirstRunValue));
    }
}

TEST(FirstRunTest, TheManualOpensOnTheFirstStartOnly)
{
    TempDir dir;
    writeFileBytes(dir.file(kHelpManualFileName), {'<', 'p', '>'});
    RecordingPrompts prompts;
    int firstRuns = 0;
    for (int start = 0; start < 3; ++start) {
        // Each start is a new process with its own store object.
        auto store = openIniSettingsStore(dir.file("settings.ini"));
        EXPECT_EQ(start == 0 ? 1 : 0, storedFirstRun(*store));
        ConversionSettings settings(std::nullopt);
        settings.load(*store);
        firstRuns += firstRunCheck(*store, prompts, dir.path()) ? 1 : 0;
    }
    EXPECT_EQ(1, firstRuns);
    EXPECT_EQ(1u, prompts.openedDocuments.size());
}

} // namespace
} // namespace sonivert::test
