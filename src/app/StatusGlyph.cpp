#include "app/StatusGlyph.h"

#include "engine/Constants.h"
#include "store/Color.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace launcher {

// True in the program. The benchmark build that measures what the cache
// saves links its own answer in front of this one (bench/UncachedGlyphs.cpp).
bool glyphFramesCached();

namespace {

constexpr double breathingPeriod = 5.0;
constexpr double pulseStep = breathingPeriod / breathingPhases;
// Enough for the off frames and a few colours' worth of breathing; a colour
// dragged through the colour panel must not make the cache grow for ever.
constexpr qsizetype maximumCachedFrames = 4 * breathingPhases;

double phaseInCycle(double pulsePhase)
{
    if (!std::isfinite(pulsePhase))
        return 0.0;
    const double t = std::fmod(pulsePhase, breathingPeriod);
    return t < 0 ? t + breathingPeriod : t;
}

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

QColor blendedWithWhite(const QColor& color, double fraction)
{
    const auto mix = [fraction](float component) { return float(component * (1.0 - fraction) + fraction); };
    return QColor::fromRgbF(mix(color.redF()), mix(color.greenF()), mix(color.blueF()), mix(color.alphaF()));
}

// Points in the order the glyph is described: end point, then both controls.
QPainterPath curve(QPointF from, QPointF end, QPointF control1, QPointF control2)
{
    QPainterPath path(from);
    path.cubicTo(control1, control2, end);
    return path;
}

QPainterPath claw(QPointF from, QPointF tip, QPointF tip1, QPointF tip2, QPointF back, QPointF back1, QPointF back2)
{
    QPainterPath path = curve(from, tip, tip1, tip2);
    path.cubicTo(back1, back2, back);
    path.closeSubpath();
    return path;
}

QPainterPath oval(double x, double y, double width, double height)
{
    QPainterPath path;
    path.addEllipse(QRectF(x, y, width, height));
    return path;
}

QPainterPath roundedRect(double x, double y, double width, double height, double radius)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, width, height), radius, radius);
    return path;
}

class GlyphPainter {
public:
    explicit GlyphPainter(QPainter& painter) : painter_(painter) { painter_.setRenderHint(QPainter::Antialiasing); }

    QPainter& painter() { return painter_; }

    void fill(const QPainterPath& path, const QColor& color) { painter_.fillPath(path, color); }

    void stroke(const QPainterPath& path, const QColor& color, double width)
    {
        painter_.strokePath(path, QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
    }

private:
    QPainter& painter_;
};

} // namespace

int breathingPhaseIndex(double pulsePhase)
{
    return int(std::lround(phaseInCycle(pulsePhase) / pulseStep)) % breathingPhases;
}

GlyphLook glyphLook(AwakeMode mode, const QColor& hangColor, const QColor& forcedColor, double pulsePhase)
{
    const double t = phaseInCycle(pulsePhase) / breathingPeriod;
    const double p = (1.0 - std::cos(2.0 * std::numbers::pi * t)) * 0.5 * 0.82 + 0.18;
    double intensity = 1.0;
    switch (mode) {
    case AwakeMode::off: intensity = std::max(p, 0.28); break;
    case AwakeMode::normal: intensity = std::max(p, 0.22); break;
    case AwakeMode::forced: intensity = 1.0; break;
    }
    const double level = std::min(intensity, 1.0);

    QColor glyphColor;
    switch (mode) {
    case AwakeMode::off: glyphColor = withAlpha(calibratedRgb(1.0, 1.0, 1.0), std::max(level, 0.62)); break;
    case AwakeMode::normal:
        glyphColor = withAlpha(hangColor.isValid() ? hangColor : activePelvaneGreen(), std::max(level, 0.56));
        break;
    case AwakeMode::forced: glyphColor = withAlpha(forcedColor.isValid() ? forcedColor : activePelvaneGreen(), 1.0); break;
    }

    GlyphLook look;
    look.level = level;
    // The growth stops at full size: beyond it the feelers would leave the image.
    look.scale = std::min(0.74 + 0.36 * level, 1.0);
    look.lift = (level - 0.5) * 1.8;
    look.base = glyphColor.toRgb();
    look.shine = blendedWithWhite(look.base, 0.22);
    return look;
}

QImage drawStatusGlyph(const GlyphLook& look, qreal devicePixelRatio)
{
    if (!(devicePixelRatio > 0))
        devicePixelRatio = 1.0;
    QImage image(qRound(glyphWidth * devicePixelRatio), qRound(glyphHeight * devicePixelRatio),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintStatusGlyph(painter, look);
    painter.end();
    return image;
}

void paintStatusGlyph(QPainter& target, const GlyphLook& look)
{
    target.save();
    GlyphPainter glyph(target);
    QPainter& painter = glyph.painter();
    // The shapes are laid out with y growing upwards from the lower left corner.
    painter.translate(0, glyphHeight);
    painter.scale(1, -1);
    // Grows and rises about its own centre as it brightens.
    painter.translate(15, 11 + look.lift);
    painter.scale(look.scale, look.scale);
    painter.translate(-15, -11);

    const QColor& base = look.base;
    const QColor ink = withAlpha(calibratedRgb(0.14, 0.14, 0.14), 0.95);

    glyph.fill(oval(5.5, 2.8, 19, 15.5), withAlpha(base, 0.08 + 0.3 * look.level));
    glyph.fill(roundedRect(8.0, 3.2, 14, 12.5, 5), base);
    glyph.fill(roundedRect(9.1, 11.2, 11.8, 7.8, 5), base);
    glyph.stroke(curve({10.0, 11.2}, {5.8, 12.6}, {8.5, 12.8}, {6.5, 13.2}), base, 2.2);
    glyph.stroke(curve({20.0, 11.2}, {24.2, 12.6}, {21.5, 12.8}, {23.5, 13.2}), base, 2.2);
    glyph.fill(claw({4.9, 12.1}, {7.2, 14.5}, {4.6, 14.3}, {6.2, 14.8}, {5.7, 11.6}, {6.7, 13.1}, {5.2, 12.8}), base);
    glyph.fill(claw({25.1, 12.1}, {22.8, 14.5}, {25.4, 14.3}, {23.8, 14.8}, {24.3, 11.6}, {23.3, 13.1}, {24.8, 12.8}), base);
    glyph.stroke(curve({12.3, 17.5}, {9.6, 20.2}, {11.8, 19.0}, {10.3, 20.0}), base, 1.7);
    glyph.stroke(curve({17.7, 17.5}, {20.4, 20.2}, {18.2, 19.0}, {19.7, 20.0}), base, 1.7);
    glyph.fill(oval(12.2, 13.6, 1.9, 2.4), ink);
    glyph.fill(oval(17.9, 13.6, 1.9, 2.4), ink);
    glyph.fill(oval(11.0, 9.7, 2.2, 1.2), withAlpha(look.shine, 0.55));
    glyph.fill(oval(18.8, 9.7, 2.2, 1.2), withAlpha(look.shine, 0.55));
    glyph.stroke(curve({12.8, 8.2}, {17.2, 8.2}, {14.0, 6.7}, {16.0, 6.7}), withAlpha(ink, 0.75), 1.2);
    QPainterPath legs;
    for (double x = 12.0; x <= 18.0; x += 4.2) {
        legs.moveTo(x, 4.0);
        legs.lineTo(x - 1.3, 1.3);
        legs.moveTo(x + 1.5, 4.0);
        legs.lineTo(x + 2.8, 1.3);
    }
    glyph.stroke(legs, base, 1.5);
    target.restore();
}

QImage StatusGlyphCache::frame(AwakeMode mode, const QColor& hangColor, const QColor& forcedColor, double pulsePhase)
{
    // Forced mode stands still; the others are drawn at the pulse's own steps,
    // so a cached frame is the very picture an uncached call would draw.
    const int index = mode == AwakeMode::forced ? 0 : breathingPhaseIndex(pulsePhase);
    const double phase = index * pulseStep;
    if (!glyphFramesCached())
        return drawStatusGlyph(glyphLook(mode, hangColor, forcedColor, phase));

    const QColor* color = mode == AwakeMode::normal ? &hangColor : mode == AwakeMode::forced ? &forcedColor : nullptr;
    const QString key = QStringLiteral("%1|%2|%3")
                            .arg(rawValue(mode))
                            .arg(color ? quint64(color->rgba64()) : 0, 16, 16, QLatin1Char('0'))
                            .arg(index);
    if (const auto found = frames_.constFind(key); found != frames_.cend())
        return *found;
    if (frames_.size() >= maximumCachedFrames)
        frames_.clear();
    const QImage image = drawStatusGlyph(glyphLook(mode, hangColor, forcedColor, phase));
    frames_.insert(key, image);
    return image;
}

} // namespace launcher
