#include "engine/pcmrouting.h"

namespace sonivert {

MonoRouting monoRouting(int32_t monoType)
{
    switch (monoType) {
    case 1:
        return MonoRouting::Left;
    case 2:
        return MonoRouting::Right;
    default:
        return MonoRouting::Mix;
    }
}

int32_t routedChannels(int32_t sourceChannels, int32_t targetChannels, int32_t monoType)
{
    if (sourceChannels == 2 && targetChannels == 1 && monoRouting(monoType) != MonoRouting::Mix)
        return 1;
    return sourceChannels;
}

RoutedChannels routeChannels(void* left, void* right, int32_t sourceChannels, int32_t targetChannels,
                             int32_t monoType)
{
    if (sourceChannels != 2)
        return {left, nullptr, 1};
    if (targetChannels == 1) {
        switch (monoRouting(monoType)) {
        case MonoRouting::Left:
            return {left, nullptr, 1};
        case MonoRouting::Right:
            return {right, nullptr, 1};
        case MonoRouting::Mix:
            break;
        }
    }
    return {left, right, 2};
}

bool converterNeeded(const PcmFormat& source, const PcmFormat& target, int32_t monoType)
{
    return target.sampleRate != source.sampleRate || target.bitsPerSample != source.bitsPerSample ||
           target.channels > source.channels ||
           (target.channels < source.channels && monoRouting(monoType) == MonoRouting::Mix);
}

} // namespace sonivert
