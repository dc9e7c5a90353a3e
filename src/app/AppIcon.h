#pragma once

// The program's icon for menus and software centres: the mascot of the
// status item, standing still in its awake colour on a square canvas.

#include <QByteArray>
#include <QImage>

class QPainter;

namespace launcher {

// Paints the icon into the square (0, 0, size, size) of the painter.
void paintAppIcon(QPainter& painter, double size);
QImage drawAppIcon(int pixels);
// The same drawing as a scalable SVG document of size x size user units.
QByteArray appIconSvg(int size);

} // namespace launcher
