#include "app/TimedPresets.h"

namespace launcher {

const std::array<TimedPreset, 10>& timedPresetCatalogue()
{
    static const std::array<TimedPreset, 10> presets{{
        {QStringLiteral("15 分钟"), QStringLiteral("15 min"), 900.0},
        {QStringLiteral("30 分钟"), QStringLiteral("30 min"), 1800.0},
        {QStringLiteral("1 小时"), QStringLiteral("1 hour"), 3600.0},
        {QStringLiteral("2 小时"), QStringLiteral("2 hours"), 7200.0},
        {QStringLiteral("4 小时"), QStringLiteral("4 hours"), 14400.0},
        {QStringLiteral("6 小时"), QStringLiteral("6 hours"), 21600.0},
        {QStringLiteral("12 小时"), QStringLiteral("12 hours"), 43200.0},
        {QStringLiteral("1 天"), QStringLiteral("1 day"), 86400.0},
        {QStringLiteral("1 周"), QStringLiteral("1 week"), 604800.0},
        {QStringLiteral("无限"), QStringLiteral("Unlimited"), std::nullopt},
    }};
    return presets;
}

} // namespace launcher
