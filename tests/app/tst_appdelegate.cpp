// The delegate's launch, shutdown, timers, forced activation with its
// checks, hot keys and the pushing of glyph frames, in virtual time.

#include "support/AppFixture.h"

#include "engine/Constants.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class AppDelegateTest : public QObject {
    Q_OBJECT
private slots:
    void launchStartsNormalModeAndTheMonitorTicks()
    {
        AppFixture f;
        f.refuseOnBattery();
        f.delegate->applicationDidFinishLaunching();
        QCOMPARE(f.state().mode(), AwakeMode::normal); // launching does not ask the conditions
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(1));
        QVERIFY(f.delegate->menu());
        QCOMPARE(f.desktop.statusItem.menu, f.delegate->menu());
        f.fake.clock.advance(1.0);
        QCOMPARE(f.state().mode(), AwakeMode::off); // the running policies apply at each tick
        QCOMPARE(f.dashboard->updates, 0);

        f.delegate->openHistoryFile();
        f.fake.clock.advance(1.0);
        QCOMPARE(f.dashboard->updates, 1);
        f.delegate->openHistoryFile(); // a fresh window replaces the old one
        QCOMPARE(f.dashboard->closes, 1);
        QCOMPARE(f.dashboard->opens, 2);
    }

    void launchAdoptsARecordedForcedModeAndStartsNothing()
    {
        AppFixture f;
        f.fake.keepAwake.alive.insert(4242);
        writeFile(f.state().stateFile(), R"({"mode":"forced","pid":4242,"startedAt":1799999000})");
        f.delegate->applicationDidFinishLaunching();
        QCOMPARE(f.state().mode(), AwakeMode::forced);
        QVERIFY(f.fake.keepAwake.launches.empty());
    }

    void quitAndTerminationEndTheMode()
    {
        AppFixture f;
        f.launchInMode(AwakeMode::forced);
        f.delegate->quitApp();
        QCOMPARE(f.state().mode(), AwakeMode::off);
        QCOMPARE(f.desktop.desktop.terminations, 1);

        // Ended by the system (a log-out) without the quit item.
        f.state().enable(AwakeMode::forced);
        const qint32 child = *f.state().pid();
        const TimerId monitor = *f.delegate->monitorTimer, pulse = *f.delegate->pulseTimer;
        f.delegate->applicationWillTerminate();
        QCOMPARE(f.state().mode(), AwakeMode::off);
        QCOMPARE(f.fake.keepAwake.alive.count(child), size_t(0));
        QVERIFY(!f.fake.clock.isPending(monitor) && !f.fake.clock.isPending(pulse));
        QVERIFY(f.desktop.hotKeys.registered.empty() && !f.desktop.hotKeys.handler);
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

    // Another program may end the helper meanwhile: the checks start it again.
    void startForcedModeFromTheMenu()
    {
        AppFixture f; // not launched: no monitor tick restarts the helper in between
        f.delegate->enableForcedAwake();
        f.fake.clock.advance(0.17);
        QCOMPARE(f.state().mode(), AwakeMode::off); // the menu closes first
        f.fake.clock.advance(0.01);
        QCOMPARE(f.state().mode(), AwakeMode::forced);
        QCOMPARE(f.desktop.statusItem.menuCloses, 1);
        QCOMPARE(f.state().scheduledStopAt(), std::optional(f.fake.clock.now() + forcedQuickDuration));

        const auto stabilizer = f.state().forcedMachinery().stabilizerTimer();
        f.fake.clock.advance(0.4);
        QVERIFY(f.state().forcedMachinery().stabilizerTimer() != stabilizer); // started from off: begun again
        f.fake.keepAwake.alive.clear();
        f.fake.clock.advance(0.55);
        QVERIFY(f.state().isActive());
        f.delegate->disableAwake();
        f.fake.clock.advance(2.0); // no check is left to undo this one
        QCOMPARE(f.state().mode(), AwakeMode::off);
    }

    // --- hot keys

    void aRefusedCombinationLeavesTheOthersWorking()
    {
        AppFixture f;
        f.desktop.hotKeys.refused.insert({Qt::Key_F, hotKeyControlOption.toInt()});
        f.launchInMode(AwakeMode::normal);
        QVERIFY(!f.desktop.hotKeys.press(Qt::Key_F, hotKeyControlOption));
        for (int unknownId : {0, 4, -1})
            f.desktop.hotKeys.deliver(unknownId);
        f.fake.clock.advance(0);
        QCOMPARE(f.state().mode(), AwakeMode::normal);
        QVERIFY(f.desktop.hotKeys.press(Qt::Key_0, hotKeyControlOption));
        f.fake.clock.advance(0);
        QCOMPARE(f.state().mode(), AwakeMode::off);
    }

    // A tray that keeps the menu for the other button hands its primary click
    // over: the dashboard opens, as the menu's own item opens it.
    void thePrimaryClickOpensTheDashboard()
    {
        AppFixture f;
        QVERIFY(!f.desktop.statusItem.primaryAction);
        f.launchInMode(AwakeMode::normal);
        QVERIFY(f.desktop.statusItem.primaryAction);
        f.desktop.statusItem.primaryAction();
        QCOMPARE(f.dashboard->opens, 1);
        QCOMPARE(f.desktop.desktop.activations, 1);
        const auto click = f.desktop.statusItem.primaryAction;
        f.delegate.reset();
        click(); // a click that arrives after the program has gone does nothing
    }

    // --- the glyph on the tray

    void theTrayGetsAnImageOnlyWhenTheFrameChanges()
    {
        AppFixture f;
        f.launchInMode(AwakeMode::normal);
        FakeStatusItem& tray = f.desktop.statusItem;
        f.fake.clock.advance(5.0); // a whole breath
        QVERIFY2(tray.imageSets > 10, qPrintable(QString::number(tray.imageSets)));
        QCOMPARE(tray.title, QString("00:05"));
        QVERIFY(tray.titleSets <= 6); // one per second, not per pulse

        f.state().enable(AwakeMode::forced);
        f.delegate->updateUI();
        const int forcedSets = tray.imageSets;
        f.fake.clock.advance(5.0); // forced mode stands still
        QCOMPARE(tray.imageSets, forcedSets);
        f.delegate->applyColorPreset(QStringLiteral("forced|#73DDF3"));
        QCOMPARE(tray.imageSets, forcedSets + 1);
    }

    void theToolTipNamesTheProgramTheModeAndTheTime()
    {
        AppFixture f;
        f.state().changePreferences([&](Preferences& p) { p.language = AppLanguage::english; });
        f.launchInMode(AwakeMode::off);
        FakeStatusItem& tray = f.desktop.statusItem;
        f.delegate->updateUI();
        QCOMPARE(tray.toolTip, QStringLiteral("Pelvane\nStatus: idle"));

        f.state().enable(AwakeMode::normal);
        f.fake.clock.advance(5.0);
        QCOMPARE(tray.toolTip, QStringLiteral("Pelvane 00:05\nStatus: awake mode active"));
        const int sets = tray.toolTipSets;
        f.fake.clock.advance(3.0); // it ticks with the seconds, not with the pulse
        QCOMPARE(tray.toolTip, QStringLiteral("Pelvane 00:08\nStatus: awake mode active"));
        QCOMPARE(tray.toolTipSets, sets + 3);
        f.state().scheduleAutoDisable(90);
        f.delegate->updateUI();
        QCOMPARE(tray.toolTip, QStringLiteral("Pelvane T-01:30\nStatus: awake mode active"));
    }

    // A StatusNotifier host fetches every picture and tooltip over the bus.
    void aTrayOverTheBusGetsAStillGlyphAndMinutes()
    {
        AppFixture f;
        FakeStatusItem& tray = f.desktop.statusItem;
        tray.overTheBus = true;
        f.state().changePreferences([&](Preferences& p) { p.language = AppLanguage::english; });
        f.delegate->applicationDidFinishLaunching();
        f.fake.clock.advance(59.0);
        QCOMPARE(tray.imageSets, 1);
        QCOMPARE(tray.image, drawStatusGlyph(glyphLook(AwakeMode::normal, f.state().preferences().hangPelvaneColor,
                                                        f.state().preferences().forcedPelvaneColor, 2.5)));
        QCOMPARE(tray.toolTip, QStringLiteral("Pelvane 0 min\nStatus: awake mode active"));
        QCOMPARE(tray.toolTipSets, 1);
        f.fake.clock.advance(1.0);
        QCOMPARE(tray.toolTip, QStringLiteral("Pelvane 1 min\nStatus: awake mode active"));
        QCOMPARE(tray.toolTipSets, 2);

        f.state().disable(DisableReason::manual, true);
        f.fake.clock.advance(5.0);
        QCOMPARE(tray.imageSets, 2); // one still white glyph, no breathing
        QCOMPARE(tray.toolTip, QStringLiteral("Pelvane\nStatus: idle"));
        // The closed menu's texts are sent over the bus too: they follow the tooltip.
        QCOMPARE(f.item(statusLineTag)->text(), QStringLiteral("Status: idle"));

        // The open menu's elapsed time ticks; a closed one is left alone.
        f.state().enable(AwakeMode::normal);
        emit f.delegate->menu()->aboutToShow();
        f.fake.clock.advance(3.0);
        QCOMPARE(f.item(elapsedLineTag)->text(), QStringLiteral("Elapsed：00:00:03"));
        emit f.delegate->menu()->aboutToHide();
        f.fake.clock.advance(3.0);
        QCOMPARE(f.item(elapsedLineTag)->text(), QStringLiteral("Elapsed：00:00:03"));
    }

    void withoutATrayTheDashboardStandsIn()
    {
        AppFixture f;
        QStringList problems;
        f.delegate->onStartupProblem = [&](const QString& problem) { problems << problem; };
        f.desktop.statusItem.shown = false;
        f.delegate->applicationDidFinishLaunching();
        f.fake.clock.advance(trayWaitInterval - 0.1);
        QCOMPARE(f.dashboard->opens, 0); // a tray may still come with the session
        f.fake.clock.advance(0.2);
        QCOMPARE(f.dashboard->opens, 1);
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems.constFirst().contains(QStringLiteral("no system tray")), qPrintable(problems.constFirst()));
        QCOMPARE(f.state().mode(), AwakeMode::normal); // still kept awake, and now stoppable
        f.fake.clock.advance(30.0);
        QCOMPARE(f.dashboard->opens, 1);

        AppFixture late;
        late.delegate->onStartupProblem = [&](const QString& problem) { problems << problem; };
        late.desktop.statusItem.shown = false;
        late.delegate->applicationDidFinishLaunching();
        late.fake.clock.advance(2.0);
        late.desktop.statusItem.shown = true; // the panel came up
        late.fake.clock.advance(10.0);
        QCOMPARE(late.dashboard->opens, 0);
        QCOMPARE(problems.size(), 1);
    }
};

QTEST_MAIN(AppDelegateTest)
#include "tst_appdelegate.moc"
