#include "store/Localization.h"

namespace launcher {

QString rawValue(AppLanguage language)
{
    switch (language) {
    case AppLanguage::system: return QStringLiteral("system");
    case AppLanguage::chinese: return QStringLiteral("chinese");
    case AppLanguage::english: return QStringLiteral("english");
    }
    return QStringLiteral("system");
}

std::optional<AppLanguage> appLanguageFromRaw(const QString& raw)
{
    for (AppLanguage language : allAppLanguages)
        if (rawValue(language) == raw)
            return language;
    return std::nullopt;
}

QString titleCN(AppLanguage language)
{
    switch (language) {
    case AppLanguage::system: return QStringLiteral("跟随系统");
    case AppLanguage::chinese: return QStringLiteral("中文");
    case AppLanguage::english: return QStringLiteral("English");
    }
    return {};
}

AppLanguage resolveLanguage(AppLanguage setting, const QStringList& preferredLanguages)
{
    if (setting != AppLanguage::system)
        return setting;
    const QString first = preferredLanguages.isEmpty() ? QStringLiteral("zh") : preferredLanguages.first().toLower();
    return first.startsWith(QLatin1String("en")) ? AppLanguage::english : AppLanguage::chinese;
}

} // namespace launcher
