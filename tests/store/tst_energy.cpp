#include "engine/StateStore.h"
#include "store/Energy.h"
#include "support/FakePlatform.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

RegionalElectricityProfile tariff(const char* currency, const char* locale)
{
    return RegionalElectricityProfile{QString(), 0, QString::fromLatin1(currency), QString::fromLatin1(locale)};
}

void useEnglish(FakePlatform& fake)
{
    fake.environment.languages = {QStringLiteral("en-US")};
}

} // namespace

class EnergyTest : public QObject {
    Q_OBJECT
private slots:
    // --- machine profile

    void powerTableIsTestedInOrder_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<double>("normal");
        QTest::addColumn<double>("forced");
        QTest::newRow("air") << "MacBook Air" << 9.0 << 3.8;
        QTest::newRow("pro laptop is not Mac Pro") << "MacBook Pro" << 14.0 << 6.2;
        QTest::newRow("imac") << "iMac" << 34.0 << 17.0;
        QTest::newRow("mini") << "Mac mini" << 11.0 << 5.2;
        QTest::newRow("studio") << "Mac Studio" << 16.0 << 7.0;
        QTest::newRow("pro desktop") << "Mac Pro" << 42.0 << 24.0;
        QTest::newRow("contained in a longer name") << "Apple MacBook Air (M2, 2022)" << 9.0 << 3.8;
        QTest::newRow("case matters") << "macbook air" << 12.0 << 5.8;
        QTest::newRow("unknown") << "ThinkPad X1 Carbon" << 12.0 << 5.8;
    }

    void powerTableIsTestedInOrder()
    {
        QFETCH(QString, model);
        QFETCH(double, normal);
        QFETCH(double, forced);
        const MachineProfile machine = machineProfileFromOverview(QStringLiteral("  Model Name: ") + model + '\n');
        QCOMPARE(machine.label, model);
        QCOMPARE(machine.normalModeWatts, normal);
        QCOMPARE(machine.forcedModeWatts, forced);
    }

    void chipOrProcessorJoinsTheLabel()
    {
        const QString profiler = QStringLiteral(
            "Hardware:\n\n    Hardware Overview:\n\n      Model Name: MacBook Pro\n      Model Identifier: Mac14,7\n"
            "      Chip: Apple M2\n      Total Number of Cores: 8\n");
        QCOMPARE(machineProfileFromOverview(profiler).label, QStringLiteral("MacBook Pro（Apple M2）"));

        const QString intel = QStringLiteral("Model Name: iMac\nProcessor Name: Intel Core i5\n");
        const MachineProfile imac = machineProfileFromOverview(intel);
        QCOMPARE(imac.label, QStringLiteral("iMac（Intel Core i5）"));
        QCOMPARE(imac.normalModeWatts, 34.0);

        QCOMPARE(machineProfileFromOverview(QStringLiteral("Processor Name: X\nChip: Apple M1\nModel Name: Mac mini")).label,
                 QStringLiteral("Mac mini（Apple M1）"));
        QCOMPARE(machineProfileFromOverview(QStringLiteral("Model Name: Mac Studio\n")).label, QStringLiteral("Mac Studio"));
    }

    void unreadableOverviewGivesThePlainMac()
    {
        const MachineProfile expected{QStringLiteral("Mac"), 12.0, 5.8};
        QCOMPARE(machineProfileFromOverview(std::nullopt), expected);
        QCOMPARE(machineProfileFromOverview(QStringLiteral("system_profiler: command not found\n")), expected);
        QCOMPARE(machineProfileFromOverview(QStringLiteral("Processor Name: Intel Core i7\n")).label,
                 QStringLiteral("Mac（Intel Core i7）"));
    }

    void storeAsksTheHardwareOnceAndKeepsAFailure()
    {
        FakePlatform fake;
        StateStore store(fake.platform());
        QCOMPARE(fake.hardware.calls, 0); // nothing slow at start-up
        QCOMPARE(store.machineProfile().label, QStringLiteral("Mac"));
        fake.hardware.overview = QStringLiteral("Model Name: MacBook Air\n");
        QCOMPARE(store.machineProfile().label, QStringLiteral("Mac"));
        store.energyDashboardSummary({});
        QCOMPARE(fake.hardware.calls, 1);
    }

    // --- electricity profile

    void timeZoneRows_data()
    {
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("zh");
        QTest::addColumn<QString>("en");
        QTest::addColumn<double>("rate");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QString>("locale");
        QTest::newRow("LA") << "America/Los_Angeles" << "美国·加利福尼亚（太平洋时区）" << "California, USA (Pacific Time)"
                            << 0.31 << "USD" << "en_US";
        QTest::newRow("NY") << "America/New_York" << "美国·纽约州（东部时区）" << "New York, USA (Eastern Time)" << 0.27
                            << "USD" << "en_US";
        QTest::newRow("Chicago") << "America/Chicago" << "美国·中部地区（中部时区）" << "Central USA (Central Time)"
                                 << 0.18 << "USD" << "en_US";
        QTest::newRow("Denver") << "America/Denver" << "美国·山地地区（山地时区）" << "Mountain USA (Mountain Time)"
                                << 0.17 << "USD" << "en_US";
        QTest::newRow("Shanghai") << "Asia/Shanghai" << "中国·上海（北京时间）" << "Shanghai, China" << 0.62 << "CNY"
                                  << "zh_CN";
        QTest::newRow("HK") << "Asia/Hong_Kong" << "中国香港" << "Hong Kong" << 1.7 << "HKD" << "zh_HK";
        QTest::newRow("SG") << "Asia/Singapore" << "新加坡" << "Singapore" << 0.3 << "SGD" << "en_SG";
        QTest::newRow("Tokyo") << "Asia/Tokyo" << "日本·东京" << "Tokyo, Japan" << 31.0 << "JPY" << "ja_JP";
    }

    void timeZoneRows()
    {
        QFETCH(QString, zone);
        QFETCH(QString, zh);
        QFETCH(QString, en);
        QFETCH(double, rate);
        QFETCH(QString, currency);
        QFETCH(QString, locale);
        // The region must not matter when the zone matches.
        const auto english = electricityProfileFor(zone, QStringLiteral("DE"), AppLanguage::english);
        QCOMPARE(english, (RegionalElectricityProfile{en, rate, currency, locale}));
        QCOMPARE(electricityProfileFor(zone, QStringLiteral("DE"), AppLanguage::chinese).locationLabel, zh);
    }

    void regionDecidesWhenNoZoneMatches_data()
    {
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("region");
        QTest::addColumn<QString>("en");
        QTest::addColumn<QString>("zh");
        QTest::addColumn<double>("rate");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QString>("locale");
        QTest::newRow("Berlin") << "Europe/Berlin" << "DE" << "Germany" << "德国" << 0.18 << "USD" << "en_US";
        QTest::newRow("zone match is case-sensitive")
            << "asia/tokyo" << "FR" << "France" << "法国" << 0.18 << "USD" << "en_US";
        QTest::newRow("CN") << "Asia/Urumqi" << "CN" << "China" << "中国" << 0.62 << "CNY" << "zh_CN";
        QTest::newRow("HK") << "Etc/UTC" << "HK" << "Hong Kong" << "中国香港特别行政区" << 1.7 << "HKD" << "zh_HK";
        QTest::newRow("JP, lower case") << "Etc/UTC" << "jp" << "Japan" << "日本" << 31.0 << "JPY" << "ja_JP";
        QTest::newRow("SG") << "Etc/UTC" << "SG" << "Singapore" << "新加坡" << 0.3 << "SGD" << "en_SG";
        QTest::newRow("no region") << "Etc/UTC" << "" << "United States" << "美国" << 0.18 << "USD" << "en_US";
        QTest::newRow("unknown code") << "" << "XQ" << "XQ" << "XQ" << 0.18 << "USD" << "en_US";
    }

    void regionDecidesWhenNoZoneMatches()
    {
        QFETCH(QString, zone);
        QFETCH(QString, region);
        QFETCH(QString, en);
        QFETCH(QString, zh);
        QFETCH(double, rate);
        QFETCH(QString, currency);
        QFETCH(QString, locale);
        QCOMPARE(electricityProfileFor(zone, region, AppLanguage::english),
                 (RegionalElectricityProfile{en, rate, currency, locale}));
        QCOMPARE(electricityProfileFor(zone, region, AppLanguage::chinese).locationLabel, zh);
    }

    void storeProfileFollowsZoneAndLanguageOnEveryCall()
    {
        FakePlatform fake;
        StateStore store(fake.platform());
        QCOMPARE(store.inferredElectricityProfile().locationLabel, QStringLiteral("中国·上海（北京时间）"));
        fake.environment.timeZone = QStringLiteral("America/Denver");
        QCOMPARE(store.inferredElectricityProfile().ratePerKWh, 0.17);
        store.language = AppLanguage::english;
        QCOMPARE(store.inferredElectricityProfile().locationLabel, QStringLiteral("Mountain USA (Mountain Time)"));
        fake.environment.timeZone = QStringLiteral("Europe/Paris");
        fake.environment.region = QStringLiteral("FR");
        QCOMPARE(store.inferredElectricityProfile().locationLabel, QStringLiteral("France"));
    }

    // --- formatting

    void energySwitchesToKilowattHoursAtOneHundredth()
    {
        QCOMPARE(StateStore::formatEnergy(0), QStringLiteral("0.00 Wh"));
        QCOMPARE(StateStore::formatEnergy(0.0019), QStringLiteral("1.90 Wh"));
        QCOMPARE(StateStore::formatEnergy(0.009994), QStringLiteral("9.99 Wh"));
        QCOMPARE(StateStore::formatEnergy(0.01), QStringLiteral("0.010 kWh"));
        QCOMPARE(StateStore::formatEnergy(1234.5678), QStringLiteral("1234.568 kWh"));
    }

    void currencyFractionDigits_data()
    {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "$0.00";
        QTest::newRow("third digit zero") << 0.5 << "$0.50";
        QTest::newRow("three digits below one") << 0.123 << "$0.123";
        QTest::newRow("rounded to three") << 0.01116 << "$0.011";
        QTest::newRow("rounds up to one") << 0.9999 << "$1.00";
        QTest::newRow("two digits from one") << 1.234 << "$1.23";
        QTest::newRow("grouping") << 12345.678 << "$12,345.68";
    }

    void currencyFractionDigits()
    {
        QFETCH(double, amount);
        QFETCH(QString, text);
        QCOMPARE(StateStore::formatCurrency(amount, tariff("USD", "en_US")), text);
    }

    void currencyFollowsTheLocale()
    {
        QCOMPARE(StateStore::formatCurrency(0.62, tariff("CNY", "zh_CN")), QStringLiteral("¥0.62"));
        QCOMPARE(StateStore::formatCurrency(1.7, tariff("HKD", "zh_HK")), QStringLiteral("HK$1.70"));
        const QString yen = StateStore::formatCurrency(31, tariff("JPY", "ja_JP"));
        QVERIFY2(yen.endsWith(QStringLiteral("31.00")) && yen.size() > 5, qPrintable(yen));
    }

    void currencyFallsBackWhenTheLocaleCannotFormat_data()
    {
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QString>("text");
        QTest::newRow("CNY") << "CNY" << "¥2.46";
        QTest::newRow("HKD") << "HKD" << "HK$2.46";
        QTest::newRow("SGD") << "SGD" << "S$2.46";
        QTest::newRow("JPY") << "JPY" << "¥2";
        QTest::newRow("other") << "EUR" << "$2.46";
    }

    void currencyFallsBackWhenTheLocaleCannotFormat()
    {
        QFETCH(QString, currency);
        QFETCH(QString, text);
        for (const QString& locale : {QStringLiteral("xx_YY"), QString()}) {
            const RegionalElectricityProfile profile{QString(), 0, currency, locale};
            QCOMPARE(StateStore::formatCurrency(2.456, profile), text);
        }
    }

    // --- the estimate panel

    void summaryWithoutSessions()
    {
        FakePlatform fake;
        fake.hardware.overview = QStringLiteral("Model Name: MacBook Air\nChip: Apple M2\n");
        StateStore store(fake.platform());
        const EnergyDashboardSummary summary = store.energyDashboardSummary({});
        QCOMPARE(summary, (EnergyDashboardSummary{
                              QStringLiteral("MacBook Air（Apple M2）"), QStringLiteral("中国·上海（北京时间）"),
                              QStringLiteral("¥0.62/度电"), QStringLiteral("0.00 Wh"), QStringLiteral("¥0.00"),
                              QStringLiteral("0.00 Wh"), QStringLiteral("¥0.00"),
                              QStringLiteral("按设备机型功耗和系统时区推断的居民平均电价估算，结果仅供参考。")}));
    }

    void summaryOfNormalAndForcedTimeOnAnAir()
    {
        FakePlatform fake;
        useEnglish(fake);
        fake.hardware.overview = QStringLiteral("Model Name: MacBook Air\n");
        StateStore store(fake.platform());

        const EnergyDashboardSummary twoHours = store.energyDashboardSummary({{1000, 8200, AwakeMode::normal}});
        QCOMPARE(twoHours.totalEnergyLabel, QStringLiteral("0.018 kWh"));
        QCOMPARE(twoHours.totalSpentLabel, QStringLiteral("¥0.011"));
        QCOMPARE(twoHours.savedEnergyLabel, QStringLiteral("0.00 Wh"));
        QCOMPARE(twoHours.rateLabel, QStringLiteral("¥0.62/kWh"));
        QCOMPARE(twoHours.locationLabel, QStringLiteral("Shanghai, China"));
        QCOMPARE(twoHours.noteLabel, QStringLiteral("Estimated from your Mac model power draw and your system time "
                                                    "zone's average residential rate."));

        // Two forced quarters; an "off" session and a backwards one add nothing.
        const EnergyDashboardSummary halfHour = store.energyDashboardSummary(
            {{0, 900, AwakeMode::forced}, {5000, 5900, AwakeMode::forced}, {0, 99999, AwakeMode::off},
             {9000, 100, AwakeMode::normal}});
        QCOMPARE(halfHour.totalEnergyLabel, QStringLiteral("1.90 Wh"));
        QCOMPARE(halfHour.savedEnergyLabel, QStringLiteral("2.60 Wh"));
        QCOMPARE(halfHour.savedMoneyLabel, QStringLiteral("¥0.002"));
    }

    void savingIsNeverNegative()
    {
        const MachineProfile odd{QStringLiteral("Odd"), 5.0, 8.0};
        const auto summary = energySummary({{0, 3600, AwakeMode::forced}}, odd,
                                           electricityProfileFor(QStringLiteral("America/New_York"), {},
                                                                 AppLanguage::english),
                                           AppLanguage::english);
        QCOMPARE(summary.savedEnergyLabel, QStringLiteral("0.00 Wh"));
        QCOMPARE(summary.savedMoneyLabel, QStringLiteral("$0.00"));
        QCOMPARE(summary.totalEnergyLabel, QStringLiteral("8.00 Wh"));
    }
};

QTEST_GUILESS_MAIN(EnergyTest)
#include "tst_energy.moc"
