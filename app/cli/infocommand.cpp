#include "app/cli/infocommand.h"

#include "engine/engine.h"
#include "engine/inputtype.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>

namespace sonivert::cli {
namespace {

std::string durationText(int32_t seconds)
{
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(text, sizeof text, "%02d:%02d", seconds / 60, seconds % 60);
    return text;
}

void printJson(const std::string& path, InputTypeCode code, const AudioSource& s)
{
    nlohmann::ordered_json j;
    j["path"] = path;
    j["typeCode"] = static_cast<int>(code);
    j["reader"] = s.readerName();
    j["durationSeconds"] = s.durationSeconds();
    j["sampleRate"] = s.sampleRate();
    j["channels"] = s.channels();
    j["outputChannels"] = s.outputChannels();
    j["bitsPerSample"] = s.bitsPerSample();
    j["bitrateKbps"] = s.bitrateKbps();
    j["channelMode"] = static_cast<int>(s.channelMode());
    j["totalLength"] = s.totalLength();
    // Paths are bytes; a name that is not valid UTF-8 still prints.
    std::cout << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

void printText(const std::string& path, InputTypeCode code, const AudioSource& s)
{
    std::cout << path << ": " << durationText(s.durationSeconds()) << ", " << s.bitrateKbps() << " kbps, "
              << s.sampleRate() << " Hz, " << s.channels() << (s.channels() == 1 ? " channel" : " channels")
              << ", " << s.bitsPerSample() << " bit (type " << static_cast<int>(code) << ", reader "
              << s.readerName() << ")\n";
}

} // namespace

int runInfo(Engine& engine, const InfoOptions& options)
{
    std::optional<ReaderId> forced;
    if (options.reader) {
        forced = readerIdFromName(*options.reader);
        if (!forced) {
            std::cerr << "sonivert-cli: unknown reader '" << *options.reader << "'\n";
            return 2;
        }
        if (!readerAvailable(*forced)) {
            std::cerr << "sonivert-cli: reader '" << *options.reader << "' is not available in this build\n";
            return 2;
        }
        // The Windows Media reader works only once its run-time is loaded.
        if (*forced == ReaderId::Wma)
            engine.windowsMediaReady();
    }

    int status = 0;
    for (const std::string& path : options.files) {
        const InputTypeCode code = inputTypeForPath(path);
        std::unique_ptr<AudioSource> source =
            forced ? engine.openWithReader(path, *forced, 0, true) : engine.createSource(path, code, 0, true);
        if (!source) {
            std::cerr << "sonivert-cli: " << path << ": no reader could open the file\n";
            status = 1;
            continue;
        }
        if (options.json)
            printJson(path, code, *source);
        else
            printText(path, code, *source);
    }
    return status;
}

} // namespace sonivert::cli
