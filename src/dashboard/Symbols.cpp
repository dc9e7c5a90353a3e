#include "dashboard/Symbols.h"

#include "platform/AppPlatform.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace launcher {

namespace {

// The bundled icons are drawn black on transparent, with white where the
// symbol has a hole; the tint keeps the darkness as coverage.
QImage bundledSymbol(const QString& name, int side)
{
    const QString path = QStringLiteral(":/dashboard/icons/") + name + QStringLiteral(".svg");
    if (!QFile::exists(path))
        return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, side, side));
    return image;
}

QImage tinted(const QImage& shape, const QColor& tint)
{
    QImage out(shape.size(), QImage::Format_ARGB32_Premultiplied);
    const QImage source = shape.convertToFormat(QImage::Format_ARGB32);
    const QRgb rgb = tint.rgba();
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const int coverage = qAlpha(in[x]) * (255 - qGray(in[x])) / 255;
            dst[x] = qPremultiply(qRgba(qRed(rgb), qGreen(rgb), qBlue(rgb), coverage * qAlpha(rgb) / 255));
        }
    }
    return out;
}

} // namespace

QPixmap symbolPixmap(const QString& name, qreal points, const QColor& tint, qreal devicePixelRatio)
{
    const int side = qMax(1, qRound(points * devicePixelRatio));
    // Cards set their value (and so their icon) on every one-second refresh.
    static QHash<QString, QPixmap> cache;
    const QString key = QStringLiteral("%1|%2|%3").arg(name).arg(side).arg(tint.rgba(), 8, 16, QLatin1Char('0'));
    if (const auto hit = cache.constFind(key); hit != cache.constEnd())
        return *hit;

    QImage shape = systemSymbolImage(name, points, devicePixelRatio);
    if (shape.isNull())
        shape = bundledSymbol(name, side);
    QPixmap pixmap;
    if (shape.isNull()) {
        pixmap = QPixmap(side, side);
        pixmap.fill(Qt::transparent);
    } else {
        pixmap = QPixmap::fromImage(tinted(shape, tint));
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    if (cache.size() > 256)
        cache.clear();
    cache.insert(key, pixmap);
    return pixmap;
}

} // namespace launcher
