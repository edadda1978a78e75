#pragma once

// Product names, the addresses the program shows or opens, and the files it
// comes with. The hosts are placeholders of our own; this is the
// only place that names them.
#include "engine/version.h" // kVersionText, kVersionQuery

namespace sonivert {

inline constexpr const char* kAppName = "Sonivert";
inline constexpr const char* kSupportEmail = "support@sonivert.example";
inline constexpr const char* kWebSite = "https://sonivert.example";
// The maker's own site, named in the note about Flash files.
inline constexpr const char* kMakerWebSite = "https://quillon.example";
// The project page of the MP3 encoder library, linked from the about box.
inline constexpr const char* kMp3EncoderWebSite = "https://lame-encoder.example";

// A web search comparing joint stereo with stereo, linked from the MP3 page.
inline constexpr const char* kJointStereoSearchUrl = "https://search.example/search?q=joint+stereo+vs+stereo";

// The help manual, beside the executable in a build and in the documentation
// folder of an installation (helpManualPath), opened on the first start.
inline constexpr const char* kHelpManualFileName = "sonivert.html";

} // namespace sonivert
