#include "platform/linux/LinuxScreens.h"
#include "support/ManualClock.h"

#include <QTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

// Screen events over a display whose sleep the test scripts; an absent
// reading stands for a failed one, or for a server without DPMS.
struct ScriptedDisplay {
    explicit ScriptedDisplay(std::optional<bool> atStart) : asleep(atStart)
    {
        screenEvents.setWatching(true);
        screenEvents.addObserver(ScreenEvent::didSleep, [this] { events << QStringLiteral("sleep"); });
        screenEvents.addObserver(ScreenEvent::didWake, [this] { events << QStringLiteral("wake"); });
    }
    void readNext(std::optional<bool> value)
    {
        asleep = value;
        clock.advance(LinuxScreenEvents::pollInterval);
    }

    ManualClock clock;
    std::optional<bool> asleep;
    int readings = 0;
    QStringList events;
    LinuxScreenEvents screenEvents{clock, [this] {
                                       ++readings;
                                       return asleep;
                                   }};
};

} // namespace

class LinuxScreenEventsTest : public QObject {
    Q_OBJECT

private slots:
    void postsEachChangeOnce()
    {
        ScriptedDisplay display(false);
        display.clock.advance(2.0);
        display.readNext(std::nullopt); // a failed reading is no change
        display.readNext(false);
        QVERIFY(display.events.isEmpty());

        display.readNext(true);
        display.clock.advance(3.0);
        QCOMPARE(display.events, QStringList{QStringLiteral("sleep")});
        display.readNext(std::nullopt);
        display.readNext(true);
        QCOMPARE(display.events, QStringList{QStringLiteral("sleep")});

        display.readNext(false);
        QCOMPARE(display.events, QStringList({QStringLiteral("sleep"), QStringLiteral("wake")}));

        ScriptedDisplay asleepAtStart(true); // is no new sleep
        asleepAtStart.clock.advance(1.0);
        asleepAtStart.readNext(false);
        QCOMPARE(asleepAtStart.events, QStringList{QStringLiteral("wake")});
    }

    void removedObserversHearNothing()
    {
        ScriptedDisplay display(false);
        int sleeps = 0;
        const auto token = display.screenEvents.addObserver(ScreenEvent::didSleep, [&] { ++sleeps; });
        // An observer that removes another while being called.
        display.screenEvents.addObserver(ScreenEvent::didSleep, [&] { display.screenEvents.removeObserver(token); });

        display.readNext(true);
        QCOMPARE(sleeps, 1);
        display.readNext(false);
        display.readNext(true);
        QCOMPARE(sleeps, 1);
    }

    void pollsOnlyWithDpmsAndWhileAlive()
    {
        ScriptedDisplay withoutDpms(std::nullopt);
        QCOMPARE(withoutDpms.clock.pendingTimers(), 0);
        withoutDpms.readNext(true);
        withoutDpms.clock.advance(10.0);
        QCOMPARE(withoutDpms.readings, 1);
        QVERIFY(withoutDpms.events.isEmpty());

        ManualClock clock;
        {
            LinuxScreenEvents screenEvents(clock, [] { return std::optional<bool>(false); });
            QCOMPARE(clock.pendingTimers(), 0); // not before forced mode asks
            screenEvents.setWatching(true);
            screenEvents.setWatching(true);
            QCOMPARE(clock.pendingTimers(), 1);
            screenEvents.setWatching(false);
            QCOMPARE(clock.pendingTimers(), 0);
            screenEvents.setWatching(true);
        }
        QCOMPARE(clock.pendingTimers(), 0);
    }

    // DPMS is switched on only to force the sleep, and back off afterwards.
    void displaySleepLeavesTheDpmsSettingAsFound()
    {
        struct ScriptedDpms final : Dpms {
            std::optional<bool> on;
            QStringList calls;
            std::optional<bool> enabled() override { return on; }
            void setEnabled(bool value) override { on = value; calls << (value ? "enable" : "disable"); }
            void forceOff() override { calls << "off"; }
        };
        ScriptedDpms dpms;
        DisplaySleepSwitch sleepSwitch(dpms);

        dpms.on = false; // the user's "never blank"
        sleepSwitch.sleepNow();
        sleepSwitch.sleepNow();
        QCOMPARE(dpms.calls, QStringList({"enable", "off", "off"}));
        sleepSwitch.restore();
        sleepSwitch.restore();
        QCOMPARE(dpms.on, std::optional<bool>(false));
        QCOMPARE(dpms.calls.size(), 4);

        dpms.calls.clear();
        dpms.on = true; // already on: nothing to put back
        sleepSwitch.sleepNow();
        sleepSwitch.restore();
        QCOMPARE(dpms.calls, QStringList{"off"});
        QCOMPARE(dpms.on, std::optional<bool>(true));

        dpms.calls.clear();
        dpms.on.reset(); // no DPMS at all
        sleepSwitch.sleepNow();
        sleepSwitch.restore();
        QVERIFY(dpms.calls.isEmpty());
    }
};

QTEST_GUILESS_MAIN(LinuxScreenEventsTest)
#include "tst_linuxscreenevents.moc"
