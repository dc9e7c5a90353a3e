#pragma once

#include "platform/Platform.h"

namespace launcher {

// The real process environment, read afresh on every call.
class SystemEnvironment final : public Environment {
public:
    QString homeDirectory() const override;
    std::optional<QString> variable(const QString& name) const override;
    QStringList preferredLanguages() const override;
    QString executablePath() const override;
    quint32 userId() const override;
    QString timeZoneId() const override;
    QString regionCode() const override;
};

} // namespace launcher
