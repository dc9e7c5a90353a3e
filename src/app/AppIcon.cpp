#include "app/AppIcon.h"

#include "app/StatusGlyph.h"
#include "store/Color.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>

#include <algorithm>

namespace launcher {

namespace {

// Room on each side, so nothing touches the edge: 1/32 of the icon, and
// a whole pixel at the smallest sizes, where antialiasing would reach it.
double margin(double size)
{
    return std::max(size / 32, 1.0);
}

GlyphLook iconLook()
{
    // Full size, full opacity, the default awake colour: the forced-mode look.
    return glyphLook(AwakeMode::forced, activePelvaneGreen(), activePelvaneGreen(), 0);
}

// The part of the glyph's box the shapes really cover, in points: the box
// leaves room for the breathing, which a still icon does not need.
QRectF coveredArea()
{
    constexpr qreal fine = 16;
    const QImage image = drawStatusGlyph(iconLook(), fine);
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    if (right < 0)
        return QRectF(0, 0, glyphWidth, glyphHeight);
    return QRectF(left / fine, top / fine, (right + 1 - left) / fine, (bottom + 1 - top) / fine);
}

} // namespace

void paintAppIcon(QPainter& painter, double size)
{
    static const QRectF covered = coveredArea();
    const double scale = (size - 2 * margin(size)) / std::max(covered.width(), covered.height());
    painter.save();
    painter.translate(size / 2, size / 2);
    painter.scale(scale, scale);
    painter.translate(-covered.center());
    paintStatusGlyph(painter, iconLook());
    painter.restore();
}

QImage drawAppIcon(int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintAppIcon(painter, pixels);
    painter.end();
    return image;
}

QByteArray appIconSvg(int size)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(size, size));
    generator.setViewBox(QRect(0, 0, size, size));
    generator.setTitle(QStringLiteral("launcher"));
    {
        QPainter painter(&generator);
        paintAppIcon(painter, size);
    }
    return buffer.data();
}

} // namespace launcher
