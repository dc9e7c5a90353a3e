#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace launcher {

enum class AppLanguage { system, chinese, english };

inline constexpr std::array<AppLanguage, 3> allAppLanguages{AppLanguage::system, AppLanguage::chinese,
                                                            AppLanguage::english};

QString rawValue(AppLanguage language);
std::optional<AppLanguage> appLanguageFromRaw(const QString& raw);
// The title in the language pop-up, the same in both interface languages.
QString titleCN(AppLanguage language);

// Chinese or English, never system: an explicit setting wins, otherwise the
// first preferred language decides, and only English resolves to English.
AppLanguage resolveLanguage(AppLanguage setting, const QStringList& preferredLanguages);

} // namespace launcher
