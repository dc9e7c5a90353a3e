#include "store/Color.h"


#include <QColorSpace>
#include <QColorTransform>
#include <QPointF>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace launcher {

namespace {

// The generic RGB space: P22 phosphors, D65 white, gamma 1.8.
const QColorTransform& calibratedToSrgb()
{
    static const QColorTransform transform = [] {
        const QColorSpace generic(QPointF(0.3127, 0.3290), QPointF(0.625, 0.340), QPointF(0.280, 0.595),
                                  QPointF(0.155, 0.070), QColorSpace::TransferFunction::Gamma, 1.8f);
        return generic.transformationToColorSpace(QColorSpace(QColorSpace::SRgb));
    }();
    return transform;
}

int component255(float value)
{
    const double scaled = std::round(double(value) * 255.0); // halves away from zero
    if (!std::isfinite(scaled))
        return 0;
    return int(std::clamp(scaled, 0.0, 255.0));
}

} // namespace

QColor calibratedRgb(double red, double green, double blue)
{
    return calibratedToSrgb().map(QColor::fromRgbF(float(red), float(green), float(blue)));
}

QColor activePelvaneGreen()
{
    return calibratedRgb(0.29, 0.89, 0.396);
}

QColor activePelvaneGreenDeep()
{
    return calibratedRgb(0.133, 0.69, 0.243);
}

QString colorToHex(const QColor& color)
{
    const QColor rgb = color.toExtendedRgb(); // keeps components outside 0...1 for clamping
    return QStringLiteral("#%1%2%3")
        .arg(component255(rgb.redF()), 2, 16, QLatin1Char('0'))
        .arg(component255(rgb.greenF()), 2, 16, QLatin1Char('0'))
        .arg(component255(rgb.blueF()), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QColor colorFromHex(const std::optional<QString>& text, const QColor& fallback)
{
    if (!text)
        return fallback;
    qsizetype first = 0;
    qsizetype last = text->size();
    while (first < last && !text->at(first).isLetterOrNumber())
        ++first;
    while (last > first && !text->at(last - 1).isLetterOrNumber())
        --last;
    const QStringView digits = QStringView(*text).mid(first, last - first);
    if (digits.size() != 6)
        return fallback;
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    // toUInt also takes a sign; only plain hexadecimal digits count.
    if (!ok || !std::all_of(digits.begin(), digits.end(), [](QChar c) { return isxdigit(c.unicode()) && c.unicode() < 128; }))
        return fallback;
    return QColor::fromRgbF(float((value >> 16) & 0xFF) / 255.f, float((value >> 8) & 0xFF) / 255.f,
                            float(value & 0xFF) / 255.f, 1.f);
}

} // namespace launcher
