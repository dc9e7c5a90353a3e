// The delegate's launch, shutdown, timers, forced activation with its
// checks, hot keys and the pushing of glyph frames, in virtual time.

#include "support/AppFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

Q_DECLARE_METATYPE(launcher::AwakeMode)

namespace {

const QString quitNote = QStringLiteral("应用退出，恢复正常模式");

} // namespace

class AppDelegateTest : public QObject {
    Q_OBJECT
private slots:
    void launchWithoutStateStartsNormalMode()
    {
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        QCOMPARE(f.state().mode, AwakeMode::normal);
        QVERIFY(f.state().isActive());
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(1));
        QCOMPARE(f.history().size(), size_t(1));
        QCOMPARE(f.history()[0].note, QString("进入挂机"));

        QCOMPARE(f.desktop.desktop.accessoryPolicies, 1);
        QVERIFY(f.desktop.statusItem.menu);
        QCOMPARE(f.desktop.statusItem.menu, f.delegate->menu());
        QCOMPARE(f.desktop.statusItem.imageSets, 1);
        QCOMPARE(f.desktop.statusItem.title, QString("00:00"));
        QVERIFY(f.delegate->monitorTimer && f.delegate->pulseTimer);
        QCOMPARE(f.fake.clock.intervalOf(*f.delegate->pulseTimer), 0.05);

        f.fake.clock.advance(2.0);
        QCOMPARE(f.delegate->pulsePhase, 2.0);
        QCOMPARE(f.desktop.statusItem.title, QString("00:02"));
        QCOMPARE(f.item(elapsedLineTag)->text(), QString("已挂机：00:00:02"));
    }

    void launchAdoptsARecordedForcedModeAndStartsNothing()
    {
        AppFixture f;
        f.fake.keepAwake.alive.insert(4242);
        writeFile(f.state().stateFile, R"({"mode":"forced","pid":4242,"startedAt":1799999000})");
        f.delegate->applicationDidFinishLaunching();
        QCOMPARE(f.state().mode, AwakeMode::forced);
        QCOMPARE(f.state().pid, std::optional<qint32>(4242));
        QVERIFY(f.fake.keepAwake.launches.empty());
        QVERIFY(f.history().empty());
        QCOMPARE(f.desktop.statusItem.title, QString("16:40"));
    }

    void quitStopsTheModeAndLogsTwoQuitStops()
    {
        AppFixture f;
        f.launchInMode(AwakeMode::forced);
        const qint32 child = *f.state().pid;
        const TimerId monitor = *f.delegate->monitorTimer;
        const TimerId pulse = *f.delegate->pulseTimer;
        f.fake.clock.advance(0.5);

        f.delegate->quitApp();
        QCOMPARE(f.desktop.desktop.terminations, 1);
        QCOMPARE(f.state().mode, AwakeMode::off);
        QCOMPARE(f.fake.keepAwake.alive.count(child), size_t(0));

        // What the entry point does once the event loop has ended.
        f.delegate->applicationWillTerminate();
        QVERIFY(!f.fake.clock.isPending(monitor) && !f.fake.clock.isPending(pulse));
        QCOMPARE(f.fake.callsStartingWith("hotKeys.").mid(4),
                 QStringList({"hotKeys.unregisterAll", "hotKeys.removeHandler"}));
        QVERIFY(!f.desktop.hotKeys.handler);

        const auto history = f.history();
        QCOMPARE(history.size(), size_t(4)); // normal start, forced start, two stops
        for (size_t i : {size_t(2), size_t(3)}) {
            QCOMPARE(history[i].action, QString("disable"));
            QCOMPARE(history[i].note, quitNote);
        }
    }

    void monitorAppliesPoliciesAndRefreshesAnOpenDashboard()
    {
        AppFixture f;
        f.refuseOnBattery();
        f.delegate->applicationDidFinishLaunching();
        QCOMPARE(f.state().mode, AwakeMode::normal); // launching does not ask the conditions
        f.fake.clock.advance(1.0);
        QCOMPARE(f.state().mode, AwakeMode::off);
        QVERIFY(f.desktop.desktop.toast.shown);
        QCOMPARE(f.desktop.desktop.toast.text, QString("已切回正常：当前为电池供电，设置禁止继续挂机"));
        QCOMPARE(f.dashboard->updates, 0);

        f.delegate->openHistoryFile();
        QCOMPARE(f.dashboard->opens, 1);
        QCOMPARE(f.desktop.desktop.activations, 1);
        f.fake.clock.advance(3.0);
        QCOMPARE(f.dashboard->updates, 3);
        QCOMPARE(f.dashboard->lastSessionCount, size_t(1));

        f.delegate->openHistoryFile(); // a fresh window replaces the old one
        QCOMPARE(f.dashboard->closes, 1);
        QCOMPARE(f.dashboard->opens, 2);
    }

    void timersAndDelayedStepsDieWithTheDelegate()
    {
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        f.delegate->toggleAwake();
        f.desktop.hotKeys.deliver(3);
        f.delegate.reset();
        f.desktop.hotKeys.deliver(1);
        f.fake.clock.advance(2.0); // nothing left may reach the gone delegate
        QCOMPARE(f.fake.clock.pendingTimers(), 0);
    }

    // --- forced activation

    void startForcedModeFromTheMenu_data()
    {
        QTest::addColumn<AwakeMode>("from");
        QTest::addColumn<bool>("reinforced");
        QTest::newRow("from off") << AwakeMode::off << true;
        QTest::newRow("from normal") << AwakeMode::normal << false;
    }
    void startForcedModeFromTheMenu()
    {
        QFETCH(AwakeMode, from);
        QFETCH(bool, reinforced);
        AppFixture f;
        f.launchInMode(from);
        f.delegate->enableForcedAwake();
        f.fake.clock.advance(0.17);
        QCOMPARE(f.state().mode, from); // the menu closes first
        f.fake.clock.advance(0.01);
        const double started = f.fake.clock.now();
        QCOMPARE(f.state().mode, AwakeMode::forced);
        QCOMPARE(f.desktop.statusItem.menuCloses, 1);
        QVERIFY(f.state().scheduledStopAt);
        QVERIFY(qAbs(*f.state().scheduledStopAt - (started + 10800)) < 1e-3);

        // Forced mode begins again at each check only when it started from off.
        const auto stabilizer = [&f] { return f.state().forcedStabilizerTimer; };
        f.fake.clock.advance(0.39);
        const auto first = stabilizer();
        QVERIFY(first);
        f.fake.clock.advance(0.02);
        QCOMPARE(stabilizer() != first, reinforced);
        const auto second = stabilizer();
        f.fake.clock.advance(0.56);
        QCOMPARE(bool(stabilizer()), reinforced);
        if (reinforced)
            QVERIFY(stabilizer() != second && f.fake.clock.isPending(*stabilizer()));

        QCOMPARE(f.state().mode, AwakeMode::forced);
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(2));
        QVERIFY(f.desktop.statusItem.title.startsWith("T-02:59:"));
    }

    void aStopBeforeTheLastCheckIsUndone()
    {
        AppFixture f;
        f.launchInMode(AwakeMode::off);
        f.delegate->activateForcedModeWithRetry();
        QCOMPARE(f.state().mode, AwakeMode::forced);
        QVERIFY(!f.state().scheduledStopAt); // only the menu item adds a timed stop
        f.fake.clock.advance(0.5);
        f.delegate->disableAwake();
        QCOMPARE(f.state().mode, AwakeMode::off);
        f.fake.clock.advance(0.44);
        QCOMPARE(f.state().mode, AwakeMode::off);
        f.fake.clock.advance(0.02);
        QCOMPARE(f.state().mode, AwakeMode::forced);
        QVERIFY(f.state().isActive());
        f.fake.clock.advance(2.0); // no check is left
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(3));
    }

    void aDeadKeepAwakeProcessIsRestartedByEachCheck()
    {
        AppFixture f;
        f.launchInMode(AwakeMode::off);
        f.delegate->activateForcedModeWithRetry();
        for (double until : {0.41, 0.96}) {
            f.fake.keepAwake.alive.clear();
            f.fake.clock.advance(until - (f.fake.clock.now() - 1'800'000'000.0));
            QCOMPARE(f.state().mode, AwakeMode::forced);
            QVERIFY(f.state().isActive());
        }
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(4));
    }

    // --- hot keys

    void unknownHotKeyIdsAreIgnored()
    {
        AppFixture f;
        f.launchInMode(AwakeMode::normal);
        const size_t entries = f.history().size();
        for (int id : {0, 4, -1, 0x50454c56})
            f.desktop.hotKeys.deliver(id);
        f.fake.clock.advance(0.5);
        QCOMPARE(f.state().mode, AwakeMode::normal);
        QCOMPARE(f.history().size(), entries);
    }

    void aRefusedCombinationLeavesTheOthersWorking()
    {
        AppFixture f;
        f.desktop.hotKeys.refused.insert({3, hotKeyControlOption});
        f.launchInMode(AwakeMode::normal);
        QCOMPARE(f.delegate->hotKeyRefs,
                 (std::vector<std::optional<HotKeyAction>>{HotKeyAction::toggleNormal, std::nullopt, HotKeyAction::disable}));
        QVERIFY(!f.desktop.hotKeys.press(3, hotKeyControlOption));
        QVERIFY(f.desktop.hotKeys.press(29, hotKeyControlOption));
        f.fake.clock.advance(0);
        QCOMPARE(f.state().mode, AwakeMode::off);
    }

    // --- the glyph on the tray

    void theTrayGetsAnImageOnlyWhenTheFrameChanges()
    {
        AppFixture f;
        f.launchInMode(AwakeMode::normal);
        FakeStatusItem& tray = f.desktop.statusItem;
        f.fake.clock.advance(5.0); // a whole breath
        QVERIFY2(tray.imageSets > 10, qPrintable(QString::number(tray.imageSets)));
        QVERIFY(tray.imageSets <= 101);
        for (size_t i = 1; i < tray.imageKeys.size(); ++i)
            QVERIFY(tray.imageKeys[i] != tray.imageKeys[i - 1]);
        QVERIFY(tray.titleSets <= 6); // one per second, not per pulse

        f.state().enable(AwakeMode::forced);
        f.delegate->updateUI();
        const int forcedSets = tray.imageSets;
        f.fake.clock.advance(5.0); // forced mode stands still
        QCOMPARE(tray.imageSets, forcedSets);

        f.delegate->applyColorPreset(QStringLiteral("forced|#73DDF3"));
        QCOMPARE(tray.imageSets, forcedSets + 1);
        f.fake.clock.advance(1.0);
        QCOMPARE(tray.imageSets, forcedSets + 1);
    }
};

QTEST_MAIN(AppDelegateTest)
#include "tst_appdelegate.moc"
