#pragma once

#include "engine/StateStore.h"

#include <QColor>
#include <QString>
#include <QVariant>

#include <array>
#include <optional>
#include <utility>

namespace launcher {

struct ColorPreset {
    QString title; // the same in both languages
    QString hex;
};

const std::array<ColorPreset, 6>& colorPresets();

QString rawValue(PelvaneColorTarget target);
std::optional<PelvaneColorTarget> pelvaneColorTargetFromRaw(const QString& raw);

// The represented object of a preset item, "target|#RRGGBB". Absent unless it
// is a string of exactly two parts with a known target; a colour text that
// does not parse gives the default green.
std::optional<std::pair<PelvaneColorTarget, QColor>> colorPresetFromObject(const QVariant& object);

// The represented object of a custom-colour item: the target's raw value.
std::optional<PelvaneColorTarget> colorTargetFromObject(const QVariant& object);

} // namespace launcher
