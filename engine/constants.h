#pragma once

// Product names, the addresses the program shows or opens, and the files it
// expects beside itself. The hosts are placeholders of our own; this is the
// only place that names them.
namespace sonivert {

inline constexpr const char* kAppName = "Sonivert";
inline constexpr const char* kSupportEmail = "support@sonivert.example";
inline constexpr const char* kWebSite = "https://sonivert.example";
// The maker's own site, named in the note about Flash files.
inline constexpr const char* kMakerWebSite = "https://quillon.example";

// The help manual, installed beside the executable and opened on the first
// start.
inline constexpr const char* kHelpManualFileName = "sonivert.html";

} // namespace sonivert
