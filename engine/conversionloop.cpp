#include "engine/conversionloop.h"

#include "engine/audiosource.h"
#include "engine/progress.h"

#include <algorithm>

namespace sonivert {

std::string convertingPercentText(const std::string& fileName, int percent, const std::string& action)
{
    return action + " " + fileName + "..." + std::to_string(percent) + "%";
}

std::string fileNamePart(const std::string& path)
{
    size_t i = path.size();
    while (i > 0 && path[i - 1] != '/'
#ifdef _WIN32
           && path[i - 1] != '\\'
#endif
    )
        --i;
    return path.substr(i);
}

LoopEnd runBlockLoop(AudioSource& source, InputTypeCode code, const std::string& fileName,
                     ConversionProgress& progress, void* left, void* right,
                     const std::function<bool(int32_t frames)>& consume, const std::string& action)
{
    // All progress arithmetic is unsigned 64-bit integer division.
    uint64_t total = source.totalLength();
    uint64_t percentStep = total / 100;
    if (total == 0)
        total = 1;
    if (percentStep == 0)
        percentStep = 1;
    const int32_t width = std::max<int32_t>(progress.fileBarWidth(), 1);
    progress.setFileBarRange(width);
    progress.setFileBarPosition(0);
    const uint64_t pixelStep = std::max<uint64_t>(total / static_cast<uint64_t>(width), 1);
    uint64_t shownPercent = 0;
    uint64_t shownPixels = 0;
    const bool mayLoop = code == kInputTracker || code == kInputMidi;

    for (;;) {
        const int32_t frames = source.read(left, right);
        if (frames <= 0)
            break;
        const uint64_t position = source.position();
        const uint64_t percent = std::min<uint64_t>(position / percentStep, 100);
        if (percent > shownPercent) {
            progress.setFileText(convertingPercentText(fileName, static_cast<int>(percent), action));
            shownPercent = percent;
        }
        const uint64_t pixels = std::min<uint64_t>(position / pixelStep, static_cast<uint64_t>(width));
        if (pixels > shownPixels) {
            progress.setFileBarPosition(static_cast<int32_t>(pixels));
            shownPixels = pixels;
        }
        progress.pump();
        if (progress.cancelRequested())
            return LoopEnd::Cancelled;
        if (!consume(frames))
            return LoopEnd::Failed;
        if (mayLoop && position >= total)
            break;
    }

    if (shownPercent != 100) {
        progress.setFileText(convertingPercentText(fileName, 100, action));
        progress.setFileBarPosition(width);
    }
    return LoopEnd::Completed;
}

} // namespace sonivert
