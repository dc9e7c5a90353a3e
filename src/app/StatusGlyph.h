#pragma once

// The breathing mascot in the menu bar: its look at a moment, its drawing,
// and a cache of the frames, so the tray is handed a new image only when the
// picture really changes.

#include "store/AwakeMode.h"

#include <QColor>
#include <QHash>
#include <QImage>

class QPainter;

namespace launcher {

// The glyph's logical size in points.
inline constexpr int glyphWidth = 30;
inline constexpr int glyphHeight = 22;
// The breathing wave repeats every 5 s of phase and the pulse advances it by
// 0.05 s, so a cycle has exactly this many distinct frames per colour.
inline constexpr int breathingPhases = 100;

struct GlyphLook {
    double level = 1.0; // 0.18 ... 1.0
    double scale = 1.0; // 0.74 + 0.36 * level, at most 1
    double lift = 0.0;  // vertical offset in points, (level - 0.5) * 1.8
    QColor base;        // body colour, sRGB, with the breathing alpha
    QColor shine;       // cheeks
};

// The phase index (0 ... breathingPhases - 1) the pulse phase falls on.
int breathingPhaseIndex(double pulsePhase);
GlyphLook glyphLook(AwakeMode mode, const QColor& hangColor, const QColor& forcedColor, double pulsePhase);
QImage drawStatusGlyph(const GlyphLook& look, qreal devicePixelRatio = 2.0);
// The same drawing on any painter, in a glyphWidth x glyphHeight box at the
// painter's origin (y down); used for the image above and the program's icons.
void paintStatusGlyph(QPainter& painter, const GlyphLook& look);

class StatusGlyphCache {
public:
    // The image for this moment. The same frame returns the same image
    // (equal cacheKey()), so callers can skip unchanged ones.
    QImage frame(AwakeMode mode, const QColor& hangColor, const QColor& forcedColor, double pulsePhase);

private:
    QHash<QString, QImage> frames_;
};

} // namespace launcher
