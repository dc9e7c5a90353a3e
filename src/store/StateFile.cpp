#include "store/StateFile.h"

#include "store/Json.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace launcher {

QByteArray encodeState(const PersistedState& state)
{
    QJsonObject object;
    if (state.pid)
        object.insert(QLatin1String("pid"), qint64(*state.pid));
    object.insert(QLatin1String("mode"), rawValue(state.mode));
    if (state.previousVolume)
        object.insert(QLatin1String("previousVolume"), qint64(*state.previousVolume));
    if (state.previousMuted)
        object.insert(QLatin1String("previousMuted"), *state.previousMuted);
    if (state.previousAlertVolume)
        object.insert(QLatin1String("previousAlertVolume"), qint64(*state.previousAlertVolume));
    if (state.previousBrightness)
        object.insert(QLatin1String("previousBrightness"), *state.previousBrightness);
    if (state.previousKeyboardBrightness)
        object.insert(QLatin1String("previousKeyboardBrightness"), *state.previousKeyboardBrightness);
    if (state.startedAt)
        object.insert(QLatin1String("startedAt"), *state.startedAt);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

namespace {

// Reads one optional member into field; false when it is present with a
// value of the wrong type. null counts as absent.
template <typename T, typename Reader>
bool readMember(const QJsonObject& object, const char* name, std::optional<T>& field, Reader reader)
{
    const QJsonValue value = object.value(QLatin1String(name));
    if (value.isUndefined() || value.isNull())
        return true;
    field = reader(value);
    return field.has_value();
}

} // namespace

std::optional<PersistedState> decodeState(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    const auto modeText = json::string(object.value(QLatin1String("mode")));
    const auto mode = modeText ? awakeModeFromRaw(*modeText) : std::nullopt;
    if (!mode)
        return std::nullopt;

    PersistedState state;
    state.mode = *mode;
    const bool ok = readMember(object, "pid", state.pid, json::integer<qint32>)
        && readMember(object, "previousVolume", state.previousVolume, json::integer<int>)
        && readMember(object, "previousMuted", state.previousMuted, json::boolean)
        && readMember(object, "previousAlertVolume", state.previousAlertVolume, json::integer<int>)
        && readMember(object, "previousBrightness", state.previousBrightness, json::number)
        && readMember(object, "previousKeyboardBrightness", state.previousKeyboardBrightness, json::number)
        && readMember(object, "startedAt", state.startedAt, json::number);
    if (!ok)
        return std::nullopt;
    return state;
}

} // namespace launcher
