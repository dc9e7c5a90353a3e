#pragma once

#include <QColor>
#include <QString>

#include <optional>

namespace launcher {

// A colour given in the calibrated (generic, gamma 1.8) RGB space, converted
// to sRGB, which is what QColor holds.
QColor calibratedRgb(double red, double green, double blue);

// "#RRGGBB", upper case, each component clamped to 0...255.
QString colorToHex(const QColor& color);

// Reads "#RRGGBB" (surrounding punctuation and white space ignored) as sRGB;
// anything else gives the fallback.
QColor colorFromHex(const std::optional<QString>& text, const QColor& fallback);

// The program's greens, given in the calibrated RGB space.
QColor activePelvaneGreen();
QColor activePelvaneGreenDeep();

} // namespace launcher
