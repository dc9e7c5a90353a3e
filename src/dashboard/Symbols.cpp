#include "dashboard/Symbols.h"

namespace launcher {

// Placeholder until the bundled icons exist: every name is unknown.
QPixmap symbolPixmap(const QString&, qreal points, const QColor&, qreal devicePixelRatio)
{
    QPixmap pixmap(qRound(points * devicePixelRatio), qRound(points * devicePixelRatio));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace launcher
