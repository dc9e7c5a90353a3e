#include "store/Preferences.h"

#include "store/Color.h"
#include "store/Json.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace launcher {

namespace {

// Earlier defaults of the normal-mode colour that are no longer honoured.
bool isRetiredHangColor(const std::optional<QString>& text)
{
    return text == QStringLiteral("#B8F5C4") || text == QStringLiteral("#B8F5C7");
}

} // namespace

Preferences Preferences::defaults()
{
    Preferences p;
    p.hangPelvaneColor = activePelvaneGreen();
    p.forcedPelvaneColor = activePelvaneGreen();
    return p;
}

std::optional<Preferences> decodePreferences(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject o = document.object();
    const auto value = [&o](const char* key) { return o.value(QLatin1String(key)); };

    Preferences p = Preferences::defaults();
    p.muteInForced = json::boolean(value("muteInForced")).value_or(p.muteInForced);
    const auto hang = json::string(value("hangColorHex"));
    if (!isRetiredHangColor(hang))
        p.hangPelvaneColor = colorFromHex(hang, activePelvaneGreen());
    p.forcedPelvaneColor = colorFromHex(json::string(value("forcedColorHex")), activePelvaneGreen());
    if (const auto language = json::string(value("language")))
        p.language = appLanguageFromRaw(*language).value_or(AppLanguage::system);
    p.allowOnBattery = json::boolean(value("allowOnBattery")).value_or(p.allowOnBattery);
    p.allowOnAC = json::boolean(value("allowOnAC")).value_or(p.allowOnAC);
    const QJsonValue minimum = value("minimumBatteryPercentage");
    if (minimum.isDouble() && std::isfinite(minimum.toDouble()) && std::trunc(minimum.toDouble()) == minimum.toDouble())
        p.minimumBatteryPercentage = int(std::clamp(minimum.toDouble(), 0.0, 100.0));
    p.requireMoviePlayback = json::boolean(value("requireMoviePlayback")).value_or(p.requireMoviePlayback);
    return p;
}

QByteArray encodePreferences(const Preferences& p)
{
    QJsonObject o;
    o.insert(QLatin1String("muteInForced"), p.muteInForced);
    o.insert(QLatin1String("hangColorHex"), colorToHex(p.hangPelvaneColor));
    o.insert(QLatin1String("forcedColorHex"), colorToHex(p.forcedPelvaneColor));
    o.insert(QLatin1String("language"), rawValue(p.language));
    o.insert(QLatin1String("allowOnBattery"), p.allowOnBattery);
    o.insert(QLatin1String("allowOnAC"), p.allowOnAC);
    o.insert(QLatin1String("minimumBatteryPercentage"), qint64(std::clamp(p.minimumBatteryPercentage, 0, 100)));
    o.insert(QLatin1String("requireMoviePlayback"), p.requireMoviePlayback);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

} // namespace launcher
