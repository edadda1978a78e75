#pragma once

// The fixture of the tests that run one format's conversion routine on real
// files: a scratch folder, an engine with recorded prompts, default settings
// the test changes, the routines over them and a recording progress.

#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "settings/conversionsettings.h"
#include "tests/support/fakes.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <string>

namespace sonivert::test {

class RoutineTest : public testing::Test {
protected:
    // The file `name` in the scratch folder, written by command (its path
    // appended as the last argument).
    std::string made(const std::string& name, const std::string& command)
    {
        const std::string path = dir.file(name);
        EXPECT_EQ(0, runCommand(command + " " + shellQuote(path))) << command;
        return path;
    }

    TempDir dir;
    RecordingPrompts prompts;
    Engine engine{prompts};
    ConversionSettings settings{std::nullopt};
    ConversionRoutines routines{engine, settings};
    RecordingConversionProgress progress;
};

} // namespace sonivert::test
