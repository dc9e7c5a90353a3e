#include "platform/linux/LinuxScreens.h"
#include "support/ManualClock.h"

#include <QTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

// A display whose sleep the test flips; absent models a server without DPMS.
struct ScriptedDisplay {
    std::optional<bool> asleep = false;
    int readings = 0;
    LinuxScreenEvents::SleepReading reading()
    {
        return [this] {
            ++readings;
            return asleep;
        };
    }
};

struct Recorder {
    QStringList events;
    void observe(ScreenEvents& screenEvents)
    {
        screenEvents.addObserver(ScreenEvent::didSleep, [this] { events << QStringLiteral("sleep"); });
        screenEvents.addObserver(ScreenEvent::didWake, [this] { events << QStringLiteral("wake"); });
    }
};

} // namespace

class LinuxScreenEventsTest : public QObject {
    Q_OBJECT

private slots:
    void postsEachChangeOnce()
    {
        ManualClock clock;
        ScriptedDisplay display;
        LinuxScreenEvents screenEvents(clock, display.reading());
        Recorder recorder;
        recorder.observe(screenEvents);

        clock.advance(2.0);
        QVERIFY(recorder.events.isEmpty());

        display.asleep = true;
        clock.advance(LinuxScreenEvents::pollInterval);
        QCOMPARE(recorder.events, QStringList{QStringLiteral("sleep")});
        clock.advance(3.0);
        QCOMPARE(recorder.events, QStringList{QStringLiteral("sleep")});

        display.asleep = false;
        clock.advance(LinuxScreenEvents::pollInterval);
        QCOMPARE(recorder.events, QStringList({QStringLiteral("sleep"), QStringLiteral("wake")}));
    }

    void asleepAtStartIsNoNewSleep()
    {
        ManualClock clock;
        ScriptedDisplay display;
        display.asleep = true;
        LinuxScreenEvents screenEvents(clock, display.reading());
        Recorder recorder;
        recorder.observe(screenEvents);

        clock.advance(1.0);
        QVERIFY(recorder.events.isEmpty());
        display.asleep = false;
        clock.advance(LinuxScreenEvents::pollInterval);
        QCOMPARE(recorder.events, QStringList{QStringLiteral("wake")});
    }

    void aFailedReadingChangesNothing()
    {
        ManualClock clock;
        ScriptedDisplay display;
        LinuxScreenEvents screenEvents(clock, display.reading());
        Recorder recorder;
        recorder.observe(screenEvents);

        display.asleep = std::nullopt;
        clock.advance(1.0);
        display.asleep = false;
        clock.advance(1.0);
        QVERIFY(recorder.events.isEmpty());
    }

    void withoutDpmsNothingIsPolledOrPosted()
    {
        ManualClock clock;
        ScriptedDisplay display;
        display.asleep = std::nullopt;
        LinuxScreenEvents screenEvents(clock, display.reading());
        Recorder recorder;
        recorder.observe(screenEvents);

        QCOMPARE(clock.pendingTimers(), 0);
        clock.advance(10.0);
        QCOMPARE(display.readings, 1);
        QVERIFY(recorder.events.isEmpty());
    }

    void removedObserversHearNothing()
    {
        ManualClock clock;
        ScriptedDisplay display;
        LinuxScreenEvents screenEvents(clock, display.reading());
        int sleeps = 0;
        const auto token = screenEvents.addObserver(ScreenEvent::didSleep, [&] { ++sleeps; });
        // An observer that removes another while being called.
        screenEvents.addObserver(ScreenEvent::didSleep, [&] { screenEvents.removeObserver(token); });

        display.asleep = true;
        clock.advance(LinuxScreenEvents::pollInterval);
        QCOMPARE(sleeps, 1);
        display.asleep = false;
        clock.advance(LinuxScreenEvents::pollInterval);
        display.asleep = true;
        clock.advance(LinuxScreenEvents::pollInterval);
        QCOMPARE(sleeps, 1);
    }

    void destructionStopsPolling()
    {
        ManualClock clock;
        ScriptedDisplay display;
        {
            LinuxScreenEvents screenEvents(clock, display.reading());
            QCOMPARE(clock.pendingTimers(), 1);
        }
        QCOMPARE(clock.pendingTimers(), 0);
    }
};

QTEST_GUILESS_MAIN(LinuxScreenEventsTest)
#include "tst_linuxscreenevents.moc"
