#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sonivert {
class Engine;
}

namespace sonivert::cli {

struct InfoOptions {
    std::vector<std::string> files;
    std::optional<std::string> reader; // forced reader name
    bool json = false;
};

// Prints the stream information of each file. Returns 0 when every file
// opened, 1 when at least one did not, 2 for a reader name this build does
// not know or have.
int runInfo(Engine& engine, const InfoOptions& options);

} // namespace sonivert::cli
