#pragma once

#include <QString>

#include <functional>
#include <string>

namespace sonivert::ui {

// The program that hands an address or a file to the desktop's handler
// for it (the web browser, the mail program, the player, the file
// manager). Found through PATH.
inline constexpr const char* kDesktopOpener = "xdg-open";

// Why the opener failed, from its exit status (-1: it did not exit by
// itself), e.g. "no program on this desktop is set up to open it".
std::string openerFailureReason(int exitStatus);

// The message for a target that could not be opened, for reason.
std::string couldNotOpenText(const std::string& target, const std::string& reason);

// Starts program with target as its one argument, detached from the
// caller: it is never waited for, and it keeps running when the caller
// exits. When it ends with a non-zero status (the handler's failure),
// failed gets that status on the thread that started it; a success calls
// nothing. False when program could not be started at all (not installed,
// not executable); then failed is never called.
//
// The desktop handlers return at once after starting their program, but
// the generic fallback may wait until the program closes: the watch goes on
// for as long as the opener runs, at a lower rate after the first seconds.
bool startDesktopOpener(const QString& program, const QString& target, std::function<void(int exitStatus)> failed);

} // namespace sonivert::ui
