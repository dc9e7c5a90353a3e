#include "store/CaptureValue.h"
#include "store/Energy.h"

#include <QLocale>

#include <algorithm>
#include <array>

namespace launcher {

namespace {

struct PowerRow {
    const char* modelContains;
    double normalWatts;
    double forcedWatts;
};

// First match wins; matching is by contains, so "MacBook Pro" never counts as "Mac Pro".
constexpr std::array<PowerRow, 6> powerTable{{
    {"MacBook Air", 9.0, 3.8},
    {"MacBook Pro", 14.0, 6.2},
    {"iMac", 34.0, 17.0},
    {"Mac mini", 11.0, 5.2},
    {"Mac Studio", 16.0, 7.0},
    {"Mac Pro", 42.0, 24.0},
}};

struct Tariff {
    double rate;
    const char* currency;
    const char* locale;
};

struct TimeZoneRow {
    const char* key;
    const char* zh;
    const char* en;
    Tariff tariff;
};

constexpr std::array<TimeZoneRow, 8> timeZoneTable{{
    {"Los_Angeles", "美国·加利福尼亚（太平洋时区）", "California, USA (Pacific Time)", {0.31, "USD", "en_US"}},
    {"New_York", "美国·纽约州（东部时区）", "New York, USA (Eastern Time)", {0.27, "USD", "en_US"}},
    {"Chicago", "美国·中部地区（中部时区）", "Central USA (Central Time)", {0.18, "USD", "en_US"}},
    {"Denver", "美国·山地地区（山地时区）", "Mountain USA (Mountain Time)", {0.17, "USD", "en_US"}},
    {"Shanghai", "中国·上海（北京时间）", "Shanghai, China", {0.62, "CNY", "zh_CN"}},
    {"Hong_Kong", "中国香港", "Hong Kong", {1.7, "HKD", "zh_HK"}},
    {"Singapore", "新加坡", "Singapore", {0.3, "SGD", "en_SG"}},
    {"Tokyo", "日本·东京", "Tokyo, Japan", {31.0, "JPY", "ja_JP"}},
}};

struct RegionRow {
    const char* code;
    Tariff tariff;
};

constexpr std::array<RegionRow, 4> regionTable{{
    {"CN", {0.62, "CNY", "zh_CN"}},
    {"HK", {1.7, "HKD", "zh_HK"}},
    {"JP", {31.0, "JPY", "ja_JP"}},
    {"SG", {0.3, "SGD", "en_SG"}},
}};

constexpr Tariff otherRegion{0.18, "USD", "en_US"};

RegionalElectricityProfile profile(QString label, const Tariff& tariff)
{
    return RegionalElectricityProfile{std::move(label), tariff.rate, QString::fromLatin1(tariff.currency),
                                      QString::fromLatin1(tariff.locale)};
}

// An empty line value is as good as no line at all.
std::optional<QString> nonEmptyValue(const QString& text, const QString& prefix)
{
    auto value = captureValue(text, prefix);
    if (value && value->isEmpty())
        return std::nullopt;
    return value;
}

std::optional<QString> localeCurrencyText(double amount, const RegionalElectricityProfile& profile)
{
    const QLocale locale(profile.localeIdentifier);
    if (locale.language() == QLocale::C || profile.currencyCode.size() != 3)
        return std::nullopt;
    // The locale's own sign when it is the locale's currency, the code otherwise.
    const QString symbol = locale.currencySymbol(QLocale::CurrencyIsoCode) == profile.currencyCode
        ? locale.currencySymbol(QLocale::CurrencySymbol)
        : profile.currencyCode;
    // At least two fraction digits; a third only below 1.0 and only when it is not zero.
    int digits = 2;
    if (amount < 1.0 && !QString::number(amount, 'f', 3).endsWith(QLatin1Char('0')))
        digits = 3;
    QString text = locale.toCurrencyString(amount, symbol, digits);
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

double kilowattHours(double seconds, double watts)
{
    return seconds * watts / 3600 / 1000;
}

} // namespace

MachineDescription macDescriptionFromOverview(const QString& overview)
{
    MachineDescription mac;
    mac.model = nonEmptyValue(overview, QStringLiteral("Model Name:")).value_or(QString());
    auto chip = nonEmptyValue(overview, QStringLiteral("Chip:"));
    if (!chip)
        chip = nonEmptyValue(overview, QStringLiteral("Processor Name:"));
    mac.processor = chip.value_or(QString());
    return mac;
}

MachineProfile machineProfileFor(const MachineDescription& description)
{
    const bool mac = description.machineClass == MachineClass::mac;
    const QString model = mac && description.model.isEmpty() ? QStringLiteral("Mac") : description.model;
    // Any other computer draws like the closest Mac: a laptop like the larger
    // notebook, a desktop with its screen like the all-in-one. One of unknown
    // build keeps the average.
    const QString like = mac                                                  ? model
                       : description.machineClass == MachineClass::laptop  ? QStringLiteral("MacBook Pro")
                       : description.machineClass == MachineClass::desktop ? QStringLiteral("iMac")
                                                                           : QString();
    MachineProfile machine;
    machine.machineClass = description.machineClass;
    for (const PowerRow& row : powerTable) {
        if (like.contains(QLatin1String(row.modelContains))) {
            machine.normalModeWatts = row.normalWatts;
            machine.forcedModeWatts = row.forcedWatts;
            break;
        }
    }
    const QString& chip = description.processor;
    if (model.isEmpty())
        machine.label = chip.isEmpty() ? QStringLiteral("PC") : chip;
    else
        machine.label = chip.isEmpty() ? model : model + QStringLiteral("（") + chip + QStringLiteral("）");
    return machine;
}

RegionalElectricityProfile electricityProfileFor(const QString& timeZoneId, const QString& regionCode,
                                                 AppLanguage language)
{
    const bool english = language == AppLanguage::english;
    for (const TimeZoneRow& row : timeZoneTable) {
        if (timeZoneId.contains(QLatin1String(row.key)))
            return profile(QString::fromUtf8(english ? row.en : row.zh), row.tariff);
    }

    const QString code = regionCode.isEmpty() ? QStringLiteral("US") : regionCode.toUpper();
    Tariff tariff = otherRegion;
    for (const RegionRow& row : regionTable) {
        if (code == QLatin1String(row.code)) {
            tariff = row.tariff;
            break;
        }
    }
    return profile(regionDisplayName(code, language), tariff);
}

QString formatEnergyAmount(double kWh)
{
    if (kWh < 0.01)
        return QString::asprintf("%.2f Wh", kWh * 1000);
    return QString::asprintf("%.3f kWh", kWh);
}

QString formatCurrencyAmount(double amount, const RegionalElectricityProfile& profile)
{
    if (auto text = localeCurrencyText(amount, profile))
        return *text;
    const QString& code = profile.currencyCode;
    if (code == QLatin1String("CNY"))
        return QString::asprintf("¥%.2f", amount);
    if (code == QLatin1String("HKD"))
        return QString::asprintf("HK$%.2f", amount);
    if (code == QLatin1String("SGD"))
        return QString::asprintf("S$%.2f", amount);
    if (code == QLatin1String("JPY"))
        return QString::asprintf("¥%.0f", amount);
    return QString::asprintf("$%.2f", amount);
}

EnergyDashboardSummary energySummary(const std::vector<HistorySession>& sessions, const MachineProfile& machine,
                                     const RegionalElectricityProfile& profile, AppLanguage language)
{
    const bool english = language == AppLanguage::english;
    double normalSeconds = 0;
    double forcedSeconds = 0;
    for (const HistorySession& session : sessions) {
        const double seconds = std::max(0.0, session.end - session.start);
        if (session.mode == AwakeMode::normal)
            normalSeconds += seconds;
        else if (session.mode == AwakeMode::forced)
            forcedSeconds += seconds;
    }
    const double totalKWh =
        kilowattHours(normalSeconds, machine.normalModeWatts) + kilowattHours(forcedSeconds, machine.forcedModeWatts);
    const double savedKWh =
        kilowattHours(forcedSeconds, std::max(0.0, machine.normalModeWatts - machine.forcedModeWatts));

    EnergyDashboardSummary summary;
    summary.machineLabel = machine.label;
    summary.locationLabel = profile.locationLabel;
    summary.rateLabel = formatCurrencyAmount(profile.ratePerKWh, profile) + QLatin1Char('/')
        + (english ? QStringLiteral("kWh") : QStringLiteral("度电"));
    summary.totalEnergyLabel = formatEnergyAmount(totalKWh);
    summary.totalSpentLabel = formatCurrencyAmount(profile.ratePerKWh * totalKWh, profile);
    summary.savedEnergyLabel = formatEnergyAmount(savedKWh);
    summary.savedMoneyLabel = formatCurrencyAmount(profile.ratePerKWh * savedKWh, profile);
    if (machine.machineClass == MachineClass::mac)
        summary.noteLabel = english ? QStringLiteral("Estimated from your Mac model power draw and your system time "
                                                     "zone's average residential rate.")
                                    : QStringLiteral("按设备机型功耗和系统时区推断的居民平均电价估算，结果仅供参考。");
    else
        summary.noteLabel = english ? QStringLiteral("Estimated from your computer's typical power draw and your "
                                                     "system time zone's average residential rate.")
                                    : QStringLiteral("按电脑的典型功耗和系统时区推断的居民平均电价估算，结果仅供参考。");
    return summary;
}

} // namespace launcher
