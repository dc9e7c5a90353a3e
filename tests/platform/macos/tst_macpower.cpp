#include "platform/macos/MacDisplaySleep.h"
#include "platform/macos/MacPower.h"
#include "support/FakePlatform.h"

#include <QTest>

using namespace launcher;
using namespace launcher::testing;

class MacPowerTest : public QObject {
    Q_OBJECT

private slots:
    void parsesSourceAndPercent()
    {
        struct Case { const char* output; PowerSourceKind source; std::optional<int> percent; };
        const Case cases[] = {
            {"Now drawing from 'AC Power'\n -InternalBattery-0 (id=4653155)\t100%; charged; 0:00 remaining present: true\n",
             PowerSourceKind::ac, 100},
            {"Now drawing from 'Battery Power'\n -InternalBattery-0 (id=4653155)\t5%; discharging; 0:12 remaining",
             PowerSourceKind::battery, 5},
            {"Now drawing from 'Battery Power' (was AC Power)", PowerSourceKind::battery, std::nullopt},
            {"InternalBattery-0 charged", PowerSourceKind::ac, std::nullopt},
            {"NOW DRAWING FROM 'AC POWER'", PowerSourceKind::ac, std::nullopt},
            {"No batteries here", PowerSourceKind::unknown, std::nullopt},
            {"Battery Power 250%", PowerSourceKind::battery, 250}, // not clamped
            {"Battery Power 5 %", PowerSourceKind::battery, std::nullopt},
        };
        for (const auto& each : cases) {
            const PowerSnapshot snapshot = parsePowerReport(QString::fromUtf8(each.output));
            QVERIFY2(snapshot.source == each.source && snapshot.batteryPercent == each.percent, each.output);
        }
    }

    void runsPmsetAsTheToolsExpect()
    {
        CallLog log;
        FakeCommandRunner commands(log);
        MacPower power(commands);
        const QString batt = QStringLiteral("/usr/bin/pmset -g batt");
        const QString assertions = QStringLiteral("/usr/bin/pmset -g assertions");

        // Nothing answers: the tool could not run.
        const PowerSnapshot missing = power.currentPowerSnapshot();
        QVERIFY(missing.source == PowerSourceKind::unknown && !missing.batteryPercent && missing.rawText.isEmpty());
        QVERIFY(power.powerAssertionsText().isEmpty());

        const QString assertionsText = QStringLiteral("Assertion status system-wide:\n   PreventUserIdleDisplaySleep    1\n");
        commands.answers.insert(batt, QStringLiteral("\n  Now drawing from 'AC Power'\n -Battery-0\t97%; charging\n\n"));
        commands.answers.insert(assertions, assertionsText);
        const PowerSnapshot snapshot = power.currentPowerSnapshot(); // not cached: asks again
        QCOMPARE(snapshot.rawText, QStringLiteral("Now drawing from 'AC Power'\n -Battery-0\t97%; charging"));
        QCOMPARE(snapshot.source, PowerSourceKind::ac);
        QCOMPARE(snapshot.batteryPercent, std::optional<int>(97));
        QCOMPARE(power.powerAssertionsText(), assertionsText);

        runDisplaySleepCommand(commands);
        QCOMPARE(commands.commands,
                 QStringList({batt, assertions, batt, assertions, QStringLiteral("/usr/bin/pmset displaysleepnow")}));
        // The snapshot is read every second and display sleep is a timer's work; the movie test runs at a start.
        QCOMPARE(commands.timeLimits, (std::vector{perTickCommandTimeLimit, defaultCommandTimeLimit, perTickCommandTimeLimit,
                                                   defaultCommandTimeLimit, perTickCommandTimeLimit}));
    }
};

QTEST_GUILESS_MAIN(MacPowerTest)
#include "tst_macpower.moc"
