#include "platform/macos/MacDisplaySleep.h"
#include "platform/macos/MacPower.h"
#include "support/FakePlatform.h"

#include <QTest>

using namespace launcher;
using namespace launcher::testing;

Q_DECLARE_METATYPE(launcher::PowerSourceKind)

class MacPowerTest : public QObject {
    Q_OBJECT

private slots:
    void parsesSourceAndPercent_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<PowerSourceKind>("source");
        QTest::addColumn<int>("percent"); // -1: absent

        QTest::newRow("ac, full battery")
            << "Now drawing from 'AC Power'\n -InternalBattery-0 (id=4653155)\t100%; charged; 0:00 remaining present: true\n"
            << PowerSourceKind::ac << 100;
        QTest::newRow("battery, nearly empty")
            << "Now drawing from 'Battery Power'\n -InternalBattery-0 (id=4653155)\t5%; discharging; 0:12 remaining present: true"
            << PowerSourceKind::battery << 5;
        QTest::newRow("battery wins over ac words later on")
            << "Now drawing from 'Battery Power' (was AC Power)" << PowerSourceKind::battery << -1;
        QTest::newRow("charged alone means ac") << "InternalBattery-0 charged" << PowerSourceKind::ac << -1;
        QTest::newRow("upper case phrase") << "NOW DRAWING FROM 'AC POWER'" << PowerSourceKind::ac << -1;
        QTest::newRow("nothing known") << "No batteries here" << PowerSourceKind::unknown << -1;
        QTest::newRow("empty") << "" << PowerSourceKind::unknown << -1;
        QTest::newRow("percent not clamped") << "Battery Power 250%" << PowerSourceKind::battery << 250;
        QTest::newRow("first of several percentages") << "AC Power 80% then 20%" << PowerSourceKind::ac << 80;
        QTest::newRow("space before the sign is no percentage") << "Battery Power 5 %" << PowerSourceKind::battery << -1;
    }

    void parsesSourceAndPercent()
    {
        QFETCH(QString, output);
        QFETCH(PowerSourceKind, source);
        QFETCH(int, percent);

        const PowerSnapshot snapshot = parsePowerReport(output);
        QCOMPARE(snapshot.source, source);
        QCOMPARE(snapshot.batteryPercent, percent < 0 ? std::nullopt : std::optional<int>(percent));
    }

    void snapshotRunsPmsetAndTrimsItsText()
    {
        CallLog log;
        FakeCommandRunner commands(log);
        commands.answers.insert(QStringLiteral("/usr/bin/pmset -g batt"),
                                QStringLiteral("\n  Now drawing from 'AC Power'\n -InternalBattery-0\t97%; charging\n\n"));
        MacPower power(commands);

        const PowerSnapshot snapshot = power.currentPowerSnapshot();
        QCOMPARE(commands.commands, QStringList{QStringLiteral("/usr/bin/pmset -g batt")});
        QCOMPARE(snapshot.rawText, QStringLiteral("Now drawing from 'AC Power'\n -InternalBattery-0\t97%; charging"));
        QCOMPARE(snapshot.source, PowerSourceKind::ac);
        QCOMPARE(snapshot.batteryPercent, std::optional<int>(97));

        // Not cached: every snapshot asks again.
        power.currentPowerSnapshot();
        QCOMPARE(commands.commands.size(), 2);
    }

    void missingPmsetGivesAnUnknownSnapshot()
    {
        CallLog log;
        FakeCommandRunner commands(log);
        MacPower power(commands);

        const PowerSnapshot snapshot = power.currentPowerSnapshot();
        QCOMPARE(snapshot.source, PowerSourceKind::unknown);
        QVERIFY(!snapshot.batteryPercent);
        QVERIFY(snapshot.rawText.isEmpty());
        QVERIFY(power.powerAssertionsText().isEmpty());
    }

    void assertionsAreTheToolsTextAsPrinted()
    {
        CallLog log;
        FakeCommandRunner commands(log);
        const QString text = QStringLiteral("Assertion status system-wide:\n   PreventUserIdleDisplaySleep    1\n");
        commands.answers.insert(QStringLiteral("/usr/bin/pmset -g assertions"), text);
        MacPower power(commands);

        QCOMPARE(power.powerAssertionsText(), text);
        QCOMPARE(commands.commands, QStringList{QStringLiteral("/usr/bin/pmset -g assertions")});
    }

    void displaySleepIsOnePmsetCommand()
    {
        CallLog log;
        FakeCommandRunner commands(log);
        runDisplaySleepCommand(commands);
        QCOMPARE(commands.commands, QStringList{QStringLiteral("/usr/bin/pmset displaysleepnow")});
    }
};

QTEST_GUILESS_MAIN(MacPowerTest)
#include "tst_macpower.moc"
