#pragma once

#include <QImage>
#include <QString>

namespace launcher {

// The system symbol of this name drawn black into a square image of
// points × devicePixelRatio pixels; null when the system has no such symbol.
QImage macSystemSymbolImage(const QString& name, qreal points, qreal devicePixelRatio);

} // namespace launcher
