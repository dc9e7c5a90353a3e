#include "store/Energy.h"

#include <QLocale>
#include <QRegularExpression>

#ifdef LAUNCHER_HAVE_ICU
#include <unicode/locid.h>
#include <unicode/unistr.h>
#endif

#include <string>

namespace launcher {

namespace {

QString chineseRegionName(const QString& code)
{
#ifdef LAUNCHER_HAVE_ICU
    // Qt names territories only in English; ICU's data has them in Chinese
    // and answers with the code itself when it has no name.
    icu::UnicodeString name;
    icu::Locale("", code.toLatin1().constData()).getDisplayCountry(icu::Locale("zh", "CN"), name);
    std::string utf8;
    name.toUTF8String(utf8);
    return utf8.empty() ? code : QString::fromStdString(utf8);
#else
    // Without ICU only the regions that have a Chinese locale of their own are named.
    const QLocale::Territory territory = QLocale::codeToTerritory(code);
    const QLocale locale(QLocale::Chinese, territory);
    if (territory == QLocale::AnyTerritory || locale.language() != QLocale::Chinese || locale.territory() != territory)
        return code;
    return locale.nativeTerritoryName();
#endif
}

} // namespace

QString regionDisplayName(const QString& regionCode, AppLanguage language)
{
    static const QRegularExpression plausible(QStringLiteral("^(?:[A-Z]{2}|[0-9]{3})$"));
    if (!plausible.match(regionCode).hasMatch())
        return regionCode;
    if (language != AppLanguage::english)
        return chineseRegionName(regionCode);
    const QLocale::Territory territory = QLocale::codeToTerritory(regionCode);
    if (territory == QLocale::AnyTerritory)
        return regionCode;
    return QLocale::territoryToString(territory);
}

} // namespace launcher
