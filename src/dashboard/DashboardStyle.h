#pragma once

// The few looks every dashboard view shares: the card frame, the fonts by
// size and weight, and the system colours the views are drawn in.

#include <QColor>
#include <QFont>

class QWidget;
class QLabel;

namespace launcher::dashboardStyle {

QColor windowBackground();
QColor controlBackground();
QColor separator();
QColor label();
QColor secondaryLabel();

// The application font at this size and weight. The sizes the dashboard is
// drawn to are logical pixels: a point size would grow with the screen's dpi.
QFont systemFont(int pixels, QFont::Weight weight = QFont::Normal);

// A rounded card: filled background and a one-pixel border of the separator
// colour at the given alpha. Applies to this widget only, not its children.
void styleCard(QWidget* widget, const QColor& background, int cornerRadius, qreal borderAlpha);

// A plain label in this font and colour, word-wrapped when asked.
QLabel* makeLabel(const QString& text, const QFont& font, const QColor& color, bool wrap = false,
                  QWidget* parent = nullptr);
void setLabelColor(QLabel* label, const QColor& color);

} // namespace launcher::dashboardStyle
