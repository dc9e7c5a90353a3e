#include "platform/SystemLocale.h"

#include <QLocale>
#include <QTimeZone>

namespace launcher {

QString systemTimeZoneId()
{
    return QString::fromUtf8(QTimeZone::systemTimeZoneId());
}

QString systemRegionCode()
{
    const QLocale::Territory territory = QLocale::system().territory();
    if (territory == QLocale::AnyTerritory)
        return {};
    const QString code = QLocale::territoryToCode(territory);
    // Regions such as "001" (the world) are no country of their own.
    return code.size() == 2 ? code : QString();
}

} // namespace launcher
