#pragma once

#include <QList>
#include <QRect>

#include <cstdint>
#include <optional>
#include <vector>

namespace sonivert {
class RegistryStore;
}

namespace sonivert::ui {

// The key of the main window's size, position and column widths, beside
// the options: "Window", values Left, Top, Width, Height and ColumnWidths
// ("152,65,65,65,60,145").
inline constexpr const char* kWindowKey = "Window";

struct WindowPlacement {
    std::optional<QRect> geometry;
    // One width per column in order; empty when none is stored or the
    // stored text does not give columnCount widths of 1 to 4000 pixels.
    std::vector<int32_t> columnWidths;
};

WindowPlacement loadWindowPlacement(RegistryStore& store, int columnCount);
// False when the store could not be written.
bool saveWindowPlacement(RegistryStore& store, const WindowPlacement& placement);

// The smallest size the window can be made on a screen whose free area is
// available: preferred, or the free area where that is smaller, but never
// below floor.
QSize minimumWindowSize(QSize preferred, QSize floor, const QRect& available);

// Where the window opens: the remembered geometry when it lies wholly on one
// of the screens' free areas (available), else a window of the remembered
// size (or preferred) fitted into the primary free area and centred on it.
// The size is never below minimum.
QRect openingWindowGeometry(const std::optional<QRect>& remembered, QSize preferred, QSize minimum,
                            const QList<QRect>& available, const QRect& primary);

} // namespace sonivert::ui
