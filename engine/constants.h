#pragma once

// Product names and the addresses the program shows or opens. The hosts are
// placeholders of our own; this is the only place that names them.
namespace sonivert {

inline constexpr const char* kAppName = "Sonivert";
inline constexpr const char* kSupportEmail = "support@sonivert.example";
inline constexpr const char* kWebSite = "https://sonivert.example";
// The maker's own site, named in the note about Flash files.
inline constexpr const char* kMakerWebSite = "https://quillon.example";

} // namespace sonivert
