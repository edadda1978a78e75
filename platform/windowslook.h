#pragma once

#include <cstdint>
#include <string_view>

namespace sonivert {

// The two facts the owner-drawn menus choose their drawing style by: the
// class of the Windows version the program runs on and whether the classic
// theme is active. Both are computed once per process. Elsewhere than on
// Windows the version class is 1 (a current version) and the classic flag
// false.
//
// Version classes: 0 consumer line before 4.0; 2 Windows 95 and any other
// consumer 4.x; 3 Windows 98 (4.10); 4 Windows Me (4.90); 5 NT 4; 6 Windows
// 2000 (5.0); 7 Windows XP (5.1); 1 every other NT-line version (Server 2003
// and everything later included).
int windowsVersionClass();
bool classicThemeActive();

// The version class of a version number; ntLine false means the consumer
// line (95, 98, Me).
int windowsVersionClassFor(bool ntLine, uint32_t major, uint32_t minor);

// Whether the current theme file named by the user's theme setting is the
// classic one: it ends with "Windows Classic.theme" in any letter case.
bool isClassicThemeFile(std::string_view currentThemePath);

} // namespace sonivert
