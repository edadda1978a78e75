#pragma once

#include <QFont>
#include <QRect>

namespace sonivert::ui {

// The font of the options sheet, its pages and the about box: Tahoma, 11
// pixels high. Where Tahoma is not installed the font system substitutes
// the nearest sans-serif face.
inline QFont dialogFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

// A rectangle given in dialog units of an 11-pixel Tahoma template, in
// pixels: a horizontal unit is 1.5 pixels, a vertical one 1.625 (the
// font's average character of 6 x 13 pixels is 4 x 8 units).
constexpr QRect dialogUnits(int x, int y, int width, int height)
{
    return QRect(x * 3 / 2, y * 13 / 8, width * 3 / 2, height * 13 / 8);
}

} // namespace sonivert::ui
