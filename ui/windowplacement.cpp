#include "ui/windowplacement.h"

#include "platform/registrystore.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

namespace sonivert::ui {
namespace {

constexpr int32_t kLongestColumn = 4000;

std::vector<int32_t> parseWidths(std::string_view text, int columnCount)
{
    std::vector<int32_t> widths;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        int32_t width = 0;
        const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), width);
        if (error != std::errc() || end != item.data() + item.size() || width < 1 || width > kLongestColumn)
            return {};
        widths.push_back(width);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    if (static_cast<int>(widths.size()) != columnCount)
        return {};
    return widths;
}

} // namespace

WindowPlacement loadWindowPlacement(RegistryStore& store, int columnCount)
{
    WindowPlacement placement;
    const std::unique_ptr<RegistryKey> key = store.openKey(kWindowKey);
    if (!key)
        return placement;
    const auto left = key->readNumber("Left");
    const auto top = key->readNumber("Top");
    const auto width = key->readNumber("Width");
    const auto height = key->readNumber("Height");
    if (left && top && width && height && *width > 0 && *height > 0 && *width <= 100000 && *height <= 100000 &&
        *left > -100000 && *left < 100000 && *top > -100000 && *top < 100000)
        placement.geometry = QRect(*left, *top, *width, *height);
    if (const auto widths = key->readText("ColumnWidths"))
        placement.columnWidths = parseWidths(*widths, columnCount);
    return placement;
}

bool saveWindowPlacement(RegistryStore& store, const WindowPlacement& placement)
{
    const std::unique_ptr<RegistryKey> key = store.createKey(kWindowKey);
    if (!key)
        return false;
    if (placement.geometry) {
        key->writeNumber("Left", placement.geometry->left());
        key->writeNumber("Top", placement.geometry->top());
        key->writeNumber("Width", placement.geometry->width());
        key->writeNumber("Height", placement.geometry->height());
    }
    std::string widths;
    for (int32_t width : placement.columnWidths)
        widths += (widths.empty() ? "" : ",") + std::to_string(width);
    if (!widths.empty())
        key->writeText("ColumnWidths", widths);
    return store.flush();
}

QSize minimumWindowSize(QSize preferred, QSize floor, const QRect& available)
{
    QSize size = preferred;
    if (available.isValid())
        size = size.boundedTo(available.size());
    return size.expandedTo(floor);
}

QRect openingWindowGeometry(const std::optional<QRect>& remembered, QSize preferred, QSize minimum,
                            const QList<QRect>& available, const QRect& primary)
{
    if (remembered && remembered->width() >= minimum.width() && remembered->height() >= minimum.height()) {
        for (const QRect& area : available) {
            if (area.contains(*remembered))
                return *remembered;
        }
    }
    QSize size = remembered ? remembered->size() : preferred;
    if (primary.isValid())
        size = size.boundedTo(primary.size());
    size = size.expandedTo(minimum);
    QRect geometry(QPoint(0, 0), size);
    if (primary.isValid())
        geometry.moveCenter(primary.center());
    return geometry;
}

} // namespace sonivert::ui
