// Linked into the tests only while the real glyph drawing is not part of the
// build: one flat image per distinct frame, cached the way the real one is.

#include "app/StatusGlyph.h"

#include <cmath>

namespace launcher {

QImage StatusGlyphCache::frame(AwakeMode mode, const QColor& hangColor, const QColor& forcedColor, double pulsePhase)
{
    const int phase =
        mode == AwakeMode::forced ? 0 : int(std::lround(std::fmod(pulsePhase, 5.0) / 0.05)) % breathingPhases;
    const QString key = QStringLiteral("%1/%2/%3/%4")
                            .arg(int(mode))
                            .arg(hangColor.rgba())
                            .arg(forcedColor.rgba())
                            .arg(phase);
    if (enabled_)
        if (auto it = frames_.constFind(key); it != frames_.constEnd())
            return *it;
    QImage image(glyphWidth, glyphHeight, QImage::Format_ARGB32_Premultiplied);
    QColor colour = mode == AwakeMode::forced ? forcedColor : mode == AwakeMode::normal ? hangColor : QColor(Qt::white);
    if (mode != AwakeMode::forced)
        colour.setAlphaF(0.5 + 0.5 * phase / breathingPhases);
    image.fill(colour);
    if (enabled_)
        frames_.insert(key, image);
    return image;
}

} // namespace launcher
