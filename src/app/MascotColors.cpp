#include "app/MascotColors.h"

#include "engine/Constants.h"
#include "store/Color.h"

namespace launcher {

const std::array<ColorPreset, 6>& colorPresets()
{
    static const std::array<ColorPreset, 6> presets{{
        {QStringLiteral("白色"), QStringLiteral("#FFFFFF")},
        {QStringLiteral("淡绿"), QStringLiteral("#B8F5C4")},
        {QStringLiteral("翠绿"), QStringLiteral("#4AE365")},
        {QStringLiteral("湖蓝"), QStringLiteral("#73DDF3")},
        {QStringLiteral("紫色"), QStringLiteral("#B896FF")},
        {QStringLiteral("橙色"), QStringLiteral("#FFB347")},
    }};
    return presets;
}

QString rawValue(PelvaneColorTarget target)
{
    return target == PelvaneColorTarget::hang ? QStringLiteral("hang") : QStringLiteral("forced");
}

std::optional<PelvaneColorTarget> pelvaneColorTargetFromRaw(const QString& raw)
{
    if (raw == QLatin1String("hang"))
        return PelvaneColorTarget::hang;
    if (raw == QLatin1String("forced"))
        return PelvaneColorTarget::forced;
    return std::nullopt;
}

namespace {

// Only a real string counts: QVariant would happily turn numbers into text.
std::optional<QString> stringObject(const QVariant& object)
{
    if (object.metaType() != QMetaType::fromType<QString>())
        return std::nullopt;
    return object.toString();
}

} // namespace

std::optional<std::pair<PelvaneColorTarget, QColor>> colorPresetFromObject(const QVariant& object)
{
    const auto text = stringObject(object);
    if (!text)
        return std::nullopt;
    const QStringList parts = text->split(QLatin1Char('|'), Qt::KeepEmptyParts);
    if (parts.size() != 2)
        return std::nullopt;
    const auto target = pelvaneColorTargetFromRaw(parts[0]);
    if (!target)
        return std::nullopt;
    return std::make_pair(*target, colorFromHex(parts[1], activePelvaneGreen()));
}

std::optional<PelvaneColorTarget> colorTargetFromObject(const QVariant& object)
{
    const auto text = stringObject(object);
    return text ? pelvaneColorTargetFromRaw(*text) : std::nullopt;
}

} // namespace launcher
