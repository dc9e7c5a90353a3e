#include "engine/StateStore.h"
#include "store/Energy.h"
#include "store/Labels.h"
#include "support/FakePlatform.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

namespace {
constexpr double now = 1'800'000'000.0;
}

// Texts of durations, energy and money.
class LabelsTest : public QObject {
    Q_OBJECT
private slots:
    void labels_data()
    {
        QTest::addColumn<double>("seconds"); // since the start, or left until a timed stop
        QTest::addColumn<bool>("timed");
        QTest::addColumn<QString>("bar");
        QTest::addColumn<QString>("full"); // the time awake, or the time remaining
        QTest::addColumn<QString>("minutes"); // in English
        QTest::newRow("3599.9 s") << 3599.9 << false << "59:59" << "00:59:59" << "59 min";
        QTest::newRow("3h 5m 7s") << 11107.0 << false << "03:05" << "03:05:07" << "3 h 5 min";
        QTest::newRow("started in the future") << -30.0 << false << "00:00" << "00:00:00" << "0 min";
        QTest::newRow("3599.5 s left") << 3599.5 << true << "T-59:59" << "59:59 remaining" << "1 h 0 min left";
        QTest::newRow("an hour left") << 3600.0 << true << "T-01:00:00" << "01:00:00 remaining" << "1 h 0 min left";
        QTest::newRow("a second left") << 1.0 << true << "T-00:01" << "00:01 remaining" << "1 min left";
        QTest::newRow("past due") << -2.0 << true << "T-00:00" << "00:00 remaining" << "0 min left";
    }
    void labels()
    {
        QFETCH(double, seconds);
        QFETCH(bool, timed);
        QFETCH(QString, bar);
        QFETCH(QString, full);
        QFETCH(QString, minutes);
        if (timed) {
            QCOMPARE(durationLabelForStatusBar(AwakeMode::forced, now - 10, now + seconds, now), bar);
            QCOMPARE(remainingTimeLabel(AwakeMode::forced, now + seconds, now, true), full);
            QCOMPARE(durationLabelInMinutes(AwakeMode::forced, now - 10, now + seconds, now, true), minutes);
        } else {
            QCOMPARE(durationLabelForStatusBar(AwakeMode::normal, now - seconds, std::nullopt, now), bar);
            QCOMPARE(durationLabel(AwakeMode::normal, now - seconds, now), full);
            QCOMPARE(durationLabelInMinutes(AwakeMode::normal, now - seconds, std::nullopt, now, true), minutes);
        }
        QCOMPARE(durationLabelForStatusBar(AwakeMode::off, now - 100, now + 100, now), QString());
    }

    // --- energy and cost estimate

    void machineProfile()
    {
        const auto from = [](const char* text) {
            return machineProfileFor(macDescriptionFromOverview(QString::fromUtf8(text)));
        };
        const auto mac = [](const char* label, double normal, double forced) {
            return MachineProfile{QString::fromUtf8(label), normal, forced};
        };
        QCOMPARE(from("Hardware:\n\n    Hardware Overview:\n\n      Model Name: MacBook Pro\n"
                      "      Model Identifier: Mac14,7\n      Chip: Apple M2\n      Total Number of Cores: 8\n"),
                 mac("MacBook Pro（Apple M2）", 14.0, 6.2)); // not "Mac Pro"
        // The chip before the processor; the first matching line, trimmed of blanks.
        QCOMPARE(from("Processor Name: X\n\tChip:\tApple M1 \t\nChip: M2\nModel Name: Mac Pro"),
                 mac("Mac Pro（Apple M1）", 42.0, 24.0));
        QCOMPARE(from(""), mac("Mac", 12.0, 5.8));
    }

    // Any other computer: its own name, watts by class, and never a Mac.
    void otherComputersByClass()
    {
        const auto profile = [](const char* model, const char* cpu, MachineClass kind) {
            return machineProfileFor({QString::fromUtf8(model), QString::fromUtf8(cpu), kind});
        };
        QCOMPARE(profile("LENOVO ThinkPad X1", "Intel Core i7", MachineClass::laptop),
                 (MachineProfile{"LENOVO ThinkPad X1（Intel Core i7）", 14.0, 6.2, MachineClass::laptop}));
        QCOMPARE(profile("Dell Inc. OptiPlex 7010", "", MachineClass::desktop),
                 (MachineProfile{"Dell Inc. OptiPlex 7010", 34.0, 17.0, MachineClass::desktop}));
        // A name that happens to hold a Mac model's text does not choose the watts.
        QCOMPARE(profile("iMac-like Tower", "", MachineClass::unknown),
                 (MachineProfile{"iMac-like Tower", 12.0, 5.8, MachineClass::unknown}));
        QCOMPARE(profile("", "", MachineClass::laptop).label, QStringLiteral("PC"));

        const MachineProfile laptop = profile("HP EliteBook 840", "", MachineClass::laptop);
        for (AppLanguage language : {AppLanguage::chinese, AppLanguage::english}) {
            const EnergyDashboardSummary summary = energySummary({}, laptop, {}, language);
            QVERIFY2(!summary.noteLabel.contains(QLatin1String("Mac")) && !summary.machineLabel.contains(QLatin1String("Mac")),
                     qPrintable(summary.noteLabel));
        }
    }

    // The hardware query is slow and runs on the main thread.
    void storeAsksTheHardwareOnceAndKeepsAFailure()
    {
        FakePlatform fake;
        StateStore store(fake.platform());
        QCOMPARE(store.machineProfile(), (MachineProfile{QStringLiteral("Mac"), 12.0, 5.8}));
        fake.hardware.description.model = QStringLiteral("MacBook Air");
        QCOMPARE(store.machineProfile().label, QStringLiteral("Mac"));
        store.energyDashboardSummary({});
        QCOMPARE(fake.hardware.calls, 1);
    }

    void electricityProfile_data()
    {
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("region");
        QTest::addColumn<QString>("english"); // label, rate, currency and locale
        QTest::addColumn<QString>("chinese"); // label
        QTest::newRow("zone wins over region") << "Asia/Tokyo" << "DE" << "Tokyo, Japan 31 JPY ja_JP" << "日本·东京";
        QTest::newRow("zone is case-sensitive") << "asia/tokyo" << "FR" << "France 0.18 USD en_US" << "法国";
        QTest::newRow("unknown code") << "" << "XQ" << "XQ 0.18 USD en_US" << "XQ";
    }
    void electricityProfile()
    {
        QFETCH(QString, zone);
        QFETCH(QString, region);
        QFETCH(QString, english);
        QFETCH(QString, chinese);
        const RegionalElectricityProfile profile = electricityProfileFor(zone, region, AppLanguage::english);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                     .arg(profile.locationLabel)
                     .arg(profile.ratePerKWh)
                     .arg(profile.currencyCode, profile.localeIdentifier),
                 english);
        QCOMPARE(electricityProfileFor(zone, region, AppLanguage::chinese).locationLabel, chinese);
    }

    void energyAndMoneyTexts()
    {
        QCOMPARE(formatEnergyAmount(0.009994), QStringLiteral("9.99 Wh"));
        QCOMPARE(formatEnergyAmount(0.01), QStringLiteral("0.010 kWh"));
        const auto money = [](double amount, const char* currency, const char* locale = "en_US") {
            return StateStore::formatCurrency(amount, RegionalElectricityProfile{QString(), 0, currency, locale});
        };
        // A third fraction digit only below 1.0, and only when it is not zero.
        QCOMPARE(money(0.5, "USD"), QStringLiteral("$0.50"));
        QCOMPARE(money(0.123, "USD"), QStringLiteral("$0.123"));
        QCOMPARE(money(0.9999, "USD"), QStringLiteral("$1.00"));
        // Locales that cannot format fall back by currency.
        QCOMPARE(money(2.456, "CNY", "xx_YY"), QStringLiteral("¥2.46"));
    }

    // Two hours of normal and two quarters of forced time on an Air; an "off"
    // session and a backwards one add nothing.
    void summaryOfNormalAndForcedTime()
    {
        FakePlatform fake;
        fake.hardware.description = {QStringLiteral("MacBook Air"), QStringLiteral("Apple M2")};
        StateStore store(fake.platform());
        QCOMPARE(store.energyDashboardSummary({{1000, 8200, AwakeMode::normal}, {0, 900, AwakeMode::forced},
                                               {5000, 5900, AwakeMode::forced}, {0, 99999, AwakeMode::off},
                                               {9000, 100, AwakeMode::normal}}),
                 (EnergyDashboardSummary{QStringLiteral("MacBook Air（Apple M2）"), QStringLiteral("中国·上海（北京时间）"),
                                         QStringLiteral("¥0.62/度电"), QStringLiteral("0.020 kWh"),
                                         QStringLiteral("¥0.012"), QStringLiteral("2.60 Wh"), QStringLiteral("¥0.002"),
                                         QStringLiteral("按设备机型功耗和系统时区推断的居民平均电价估算，结果仅供参考。")}));
        // The zone is read anew on every call.
        fake.environment.timeZone = QStringLiteral("Europe/Paris");
        fake.environment.region = QStringLiteral("FR");
        QCOMPARE(store.inferredElectricityProfile().locationLabel, QStringLiteral("法国"));
    }
};

QTEST_GUILESS_MAIN(LabelsTest)
#include "tst_labels.moc"
