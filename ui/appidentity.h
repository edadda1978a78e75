#pragma once

#include <QString>

namespace sonivert::ui {

// Names the running program to the desktop: the desktop entry (without
// ".desktop") through which docks and window lists find the icon.
//
// The application display name is deliberately left unset: where it is set,
// Qt's window-title composition on X11 and Wayland appends " — <display
// name>" to every top-level title, so "Options" would show as "Options —
// Sonivert". The main window carries the program's name in its own title.
void setUpApplicationIdentity(const QString& desktopFileName);

} // namespace sonivert::ui
