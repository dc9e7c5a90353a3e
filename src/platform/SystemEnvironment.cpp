#include "platform/SystemEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTimeZone>

#include <unistd.h>

namespace launcher {

QString SystemEnvironment::homeDirectory() const
{
    return QDir::homePath();
}

std::optional<QString> SystemEnvironment::variable(const QString& name) const
{
    const QByteArray key = name.toLocal8Bit();
    if (!qEnvironmentVariableIsSet(key.constData()))
        return std::nullopt;
    return qEnvironmentVariable(key.constData());
}

QStringList SystemEnvironment::preferredLanguages() const
{
    return QLocale::system().uiLanguages();
}

QString SystemEnvironment::executablePath() const
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
#ifdef __linux__
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
#else
    return QString();
#endif
}

quint32 SystemEnvironment::userId() const
{
    return quint32(getuid());
}

QString SystemEnvironment::timeZoneId() const
{
    return QString::fromUtf8(QTimeZone::systemTimeZoneId());
}

QString SystemEnvironment::regionCode() const
{
    const QLocale::Territory territory = QLocale::system().territory();
    if (territory == QLocale::AnyTerritory)
        return QString();
    const QString code = QLocale::territoryToCode(territory);
    // Regions such as "001" (the world) are no country of their own.
    return code.size() == 2 ? code : QString();
}

} // namespace launcher
