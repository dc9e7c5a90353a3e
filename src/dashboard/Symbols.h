#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

namespace launcher {

// A symbol by its system name ("bolt.heart.fill", "moon.fill", ...), tinted,
// square at this point size. The system's own symbols where the platform has
// them; small bundled icons elsewhere. An unknown name gives a transparent image.
QPixmap symbolPixmap(const QString& name, qreal points, const QColor& tint, qreal devicePixelRatio);

} // namespace launcher
