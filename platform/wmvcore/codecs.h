#pragma once

#include "platform/wmvcore/objects.h"

#include <vector>

namespace sonivert::wmvcore {

// One format the module's WMA encoder writes.
struct CodecFormat {
    StreamSettings stream; // media type (Windows Media Audio 8) and bit rate
    std::u16string description;
};

// The formats of the one audio codec, found once per load of the module by
// opening the encoder with every rate, bit rate and channel count offered.
const std::vector<CodecFormat>& codecFormats();

// The profile manager the module hands out.
class ProfileManagerImpl final : public ProfileManager {
public:
    void Release() noexcept override { delete this; }
    Result CreateEmptyProfile(uint32_t version, Profile** profile) noexcept override;
    Result GetCodecInfo(CodecInfo** info) noexcept override;
};

} // namespace sonivert::wmvcore
