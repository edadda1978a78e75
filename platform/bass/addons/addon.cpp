// One add-on module of the decoding library. The build compiles this file
// once per format family, choosing the family with SONIVERT_ADDON_<NAME>;
// see platform/bass/addonabi.h for what the module tells the library.

#include "platform/bass/addonabi.h"

namespace {

#if defined(SONIVERT_ADDON_FLAC)
constexpr const char* kFamily = "FLAC";
constexpr const char* kFormats[] = {"flac:flac", "ogg:flac", nullptr};
#elif defined(SONIVERT_ADDON_WMA)
constexpr const char* kFamily = "WMA";
constexpr const char* kFormats[] = {"asf:wmav1", "asf:wmav2", "asf:wmapro", "asf:wmalossless", "asf:wmavoice",
                                    nullptr};
#elif defined(SONIVERT_ADDON_WV)
constexpr const char* kFamily = "WavPack";
constexpr const char* kFormats[] = {"wv:wavpack", nullptr};
#elif defined(SONIVERT_ADDON_AAC)
constexpr const char* kFamily = "AAC";
constexpr const char* kFormats[] = {"aac:aac", "mov:aac", nullptr};
#elif defined(SONIVERT_ADDON_ADX)
constexpr const char* kFamily = "ADX";
constexpr const char* kFormats[] = {"adx:adpcm_adx", nullptr};
#elif defined(SONIVERT_ADDON_ALAC)
constexpr const char* kFamily = "ALAC";
constexpr const char* kFormats[] = {"mov:alac", "caf:alac", nullptr};
#elif defined(SONIVERT_ADDON_APE)
constexpr const char* kFamily = "APE";
constexpr const char* kFormats[] = {"ape:ape", nullptr};
#elif defined(SONIVERT_ADDON_MPC)
constexpr const char* kFamily = "MPC";
constexpr const char* kFormats[] = {"mpc:musepack7", "mpc8:musepack8", nullptr};
#elif defined(SONIVERT_ADDON_SPX)
constexpr const char* kFamily = "Speex";
constexpr const char* kFormats[] = {"ogg:speex", nullptr};
#elif defined(SONIVERT_ADDON_TTA)
constexpr const char* kFamily = "TTA";
constexpr const char* kFormats[] = {"tta:tta", nullptr};
#else
#error "no add-on family chosen"
#endif

constexpr SonivertBassAddon kAddon{kSonivertBassAddonAbi, kFamily, kFormats};

} // namespace

extern "C" __attribute__((visibility("default"))) const SonivertBassAddon* sonivertBassAddon()
{
    return &kAddon;
}
