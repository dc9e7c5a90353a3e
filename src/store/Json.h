#pragma once

// Small readers for JSON members whose type must be exact.

#include <QJsonValue>

#include <cmath>
#include <limits>
#include <optional>

namespace launcher::json {

// An integral JSON number within the range of T; absent otherwise.
template <typename T>
std::optional<T> integer(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::trunc(d) != d || d < double(std::numeric_limits<T>::min())
        || d > double(std::numeric_limits<T>::max()))
        return std::nullopt;
    return static_cast<T>(d);
}

inline std::optional<double> number(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    return value.toDouble();
}

inline std::optional<bool> boolean(const QJsonValue& value)
{
    if (!value.isBool())
        return std::nullopt;
    return value.toBool();
}

inline std::optional<QString> string(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

} // namespace launcher::json
