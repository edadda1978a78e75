#pragma once

// Tracker modules (MOD, XM, IT, S3M, MTM, UMX, MO3) rendered in stereo
// through libopenmpt at the output rate, played once. The length is
// libopenmpt's duration of the song at that rate, rounded to whole frames.

#include "platform/bass/channel.h"

#include <memory>
#include <string>

struct openmpt_module;

namespace sonivert::bass {

struct ModuleDestroyer {
    void operator()(openmpt_module* module) const;
};
using ModulePtr = std::unique_ptr<openmpt_module, ModuleDestroyer>;

class MusicChannel final : public Channel {
public:
    // Null when the file is not a module of the listed kinds, is empty or
    // has no playing time. rate is the output rate (above 0).
    static std::unique_ptr<MusicChannel> open(const std::string& path, int32_t rate);

    TagValues tags() const override;

private:
    MusicChannel(const std::string& path, int32_t rate, uint64_t lengthFrames, ModulePtr module);
    size_t render(int16_t* out, size_t frames) override;

    ModulePtr m_module;
};

} // namespace sonivert::bass
