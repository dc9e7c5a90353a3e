// The Wayland screens, input ages and screen events, on a fake compositor and
// in virtual time, under the engine's own wake-input watch.

#include "engine/StateStore.h"
#include "platform/linux/wayland/WaylandParts.h"
#include "support/FakeCompositorServices.h"
#include "support/FakePlatform.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

// A store whose screens, input and screen events are the Wayland ones, on a
// fake compositor; everything else is the usual fake machine.
struct WaylandStore {
    explicit WaylandStore(std::function<void(FakeCompositorServices&)> offer)
    {
        auto services = std::make_unique<FakeCompositorServices>();
        offer(*services);
        compositor = services.get();
        parts = std::make_unique<WaylandParts>(fake.clock, std::move(services), [this] { return fake.clock.now(); });
        store = std::make_unique<StateStore>(Platform{fake.clock, fake.keepAwake, fake.environment, parts->screenEvents,
                                                      fake.beep, parts->input, parts->screens, fake.applications,
                                                      fake.power, fake.sound, fake.hardware, fake.loginItem});
        store->setOnNotice([this](const QString& text) { notices << text; });
        store->changePreferences([](Preferences& p) { p.language = AppLanguage::english; });
    }
    void advanceTo(double secondsSinceArmed)
    {
        fake.clock.advance(secondsSinceArmed - (fake.clock.now() - armedAt));
    }
    void startForced()
    {
        store->enable(AwakeMode::forced);
        armedAt = fake.clock.now();
    }

    FakePlatform fake;
    FakeCompositorServices* compositor = nullptr;
    std::unique_ptr<WaylandParts> parts;
    std::unique_ptr<StateStore> store;
    QStringList notices;
    double armedAt = 0;
};

void offerAll(FakeCompositorServices& c)
{
    c.overlay = c.idle = c.power = true;
}

QList<QWindow*> visibleWindows()
{
    QList<QWindow*> shown;
    for (QWindow* window : QGuiApplication::topLevelWindows())
        if (window->isVisible())
            shown << window;
    return shown;
}

} // namespace

class WaylandPartsTest : public QObject {
    Q_OBJECT
private slots:
    void servicesOfTheProtocolsComeFirst()
    {
        int asked = 0;
        const auto mutter = [&asked] {
            ++asked;
            auto services = std::make_unique<FakeCompositorServices>();
            services->power = true;
            return std::unique_ptr<CompositorServices>(std::move(services));
        };
        auto protocols = std::make_unique<FakeCompositorServices>();
        protocols->idle = true;
        CompositorServices* offered = protocols.get();
        QCOMPARE(chooseCompositorServices(std::move(protocols), mutter).get(), offered);
        QCOMPARE(asked, 0);

        // Reached, but offering nothing: as if absent.
        std::unique_ptr<CompositorServices> chosen
            = chooseCompositorServices(std::make_unique<FakeCompositorServices>(), mutter);
        QVERIFY(chosen && chosen->offersOutputPower());
        QVERIFY(chooseCompositorServices(nullptr, mutter));
        QCOMPARE(asked, 2);
        QVERIFY(!chooseCompositorServices(nullptr, [] { return std::make_unique<FakeCompositorServices>(); }));
        QVERIFY(!chooseCompositorServices(nullptr, [] { return std::unique_ptr<CompositorServices>(); }));
    }

    // Ages of types never seen grow and never drop; a reported event resets
    // only its own type.
    void agesFollowReportedInput()
    {
        double now = 100;
        WaylandInputIdle input([&now] { return now; });
        const double unseen = input.secondsSinceLastEvent(WakeEventType::keyDown);
        QVERIFY(unseen > 3600);
        now = 101;
        QCOMPARE(input.secondsSinceLastEvent(WakeEventType::keyDown), unseen + 1);
        input.noteInput(WakeEventType::keyDown);
        now = 101.5;
        QCOMPARE(input.secondsSinceLastEvent(WakeEventType::keyDown), 0.5);
        QCOMPARE(input.secondsSinceLastEvent(WakeEventType::mouseMoved), unseen + 1.5);
    }

    // The outputs go off through the compositor and, once seen off, the
    // poll rests. Input on the covers within the grace changes nothing;
    // input elsewhere after it wakes the outputs as an X server would, and
    // their waking ends forced mode with the compositor's watch.
    void outputsOffThenInputWakesThemAndEndsTheMode()
    {
        WaylandStore w(offerAll);
        w.compositor->inputElsewhere(); // no watch yet: nothing to report to
        w.startForced();
        QVERIFY(w.notices.isEmpty());
        QCOMPARE(w.compositor->overlaysOpen, 1);
        w.advanceTo(1.1); // the screen events' poll sees them off
        QVERIFY(w.store->forcedMachinery().hasObservedDisplaySleep());
        w.compositor->overlayInput(WakeEventType::keyDown);
        w.advanceTo(5.0);
        QCOMPARE(w.store->mode(), AwakeMode::forced);
        // Woken by that input, put back to sleep, and then left alone.
        QCOMPARE(w.compositor->requests, (QStringList{"watchIdle", "powerOff", "powerOn", "powerOff"}));

        w.compositor->inputElsewhere();
        w.advanceTo(5.6);
        QCOMPARE(w.store->mode(), AwakeMode::off);
        QVERIFY(historyEntries(w.store->historyFile()).back().note.startsWith("检测到鼠标/键盘"));
        w.advanceTo(6.0);
        QCOMPARE(w.compositor->requests.filter("Idle").last(), QString("stopIdle"));
        QCOMPARE(w.compositor->requests.last(), QString("powerOn"));
        QCOMPARE(w.compositor->overlaysOpen, 0);
    }

    // A compositor that offers nothing: full-screen covers, no power
    // requests, and one notice.
    void withoutOutputPowerTheUserIsTold()
    {
        WaylandStore w([](FakeCompositorServices& c) { c.idle = true; });
        QVERIFY(!w.parts->screens.canSleepDisplays());
        w.startForced();
        QCOMPARE(w.notices, QStringList{"This desktop does not let Pelvane turn the displays off"});
        QCOMPARE(visibleWindows().size(), QGuiApplication::screens().size());
        w.store->disable(DisableReason::manual, false);
        w.advanceTo(1.0);
        QVERIFY(visibleWindows().isEmpty());
        QVERIFY(w.compositor->requests.filter("power").isEmpty());
    }

    // The covers themselves: one black full-screen window per screen with
    // the pointer hidden, whose own input is reported with its type.
    void fullScreenCoversReportTheirInput()
    {
        QList<WakeEventType> seen;
        auto covers = createFullScreenCovers([&seen](WakeEventType type) { seen << type; });
        const QList<QWindow*> windows = visibleWindows();
        QCOMPARE(windows.size(), QGuiApplication::screens().size());
        QWindow* window = windows.first();
        QCOMPARE(window->geometry(), window->screen()->geometry());
        QCOMPARE(window->cursor().shape(), Qt::BlankCursor);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QImage picture = window->screen()->grabWindow(0).toImage();
        QCOMPARE(picture.pixelColor(picture.width() / 2, picture.height() / 2), QColor(Qt::black));

        // Where the pointer rests when the cover appears is no movement.
        QEnterEvent enter(QPointF(50, 50), QPointF(50, 50), QPointF(50, 50));
        QCoreApplication::sendEvent(window, &enter);
        QTest::mouseMove(window, QPoint(50, 50));
        QVERIFY(seen.isEmpty());
        QTest::mouseMove(window, QPoint(60, 52));
        QCOMPARE(seen, QList<WakeEventType>{WakeEventType::mouseMoved});
        seen.clear();
        QTest::mouseClick(window, Qt::MiddleButton, {}, QPoint(60, 52));
        QTest::keyClick(window, Qt::Key_A);
        QTest::keyClick(window, Qt::Key_Shift);
        QCOMPARE(seen, (QList<WakeEventType>{WakeEventType::otherMouseDown,
                                             WakeEventType::keyDown, WakeEventType::flagsChanged}));
        covers.reset();
        QVERIFY(visibleWindows().isEmpty());
    }

    // Where layer shell is offered the covers are its overlay; the
    // full-screen windows are for everywhere else.
    void overlayWhereOfferedWindowsElsewhere()
    {
        FakeCompositorServices overlay;
        overlay.overlay = true;
        WaylandScreens onOverlay(&overlay, [](WakeEventType) {});
        auto covers = onOverlay.createBlackoutWindows();
        QCOMPARE(covers.size(), size_t(1));
        QCOMPARE(overlay.overlaysOpen, 1);
        QVERIFY(visibleWindows().isEmpty());
        covers.clear();
        QCOMPARE(overlay.overlaysOpen, 0);

        WaylandScreens bare(nullptr, [](WakeEventType) {});
        bare.sleepDisplaysNow(); // nothing to do it with: no crash
        bare.restoreDisplaySleepSettings();
        bare.inputArrived();
    }

    // Powered back on only when this program turned them off.
    void restoreOnlyWhatWasChanged()
    {
        FakeCompositorServices power;
        power.power = true;
        WaylandScreens screens(&power, [](WakeEventType) {});
        screens.restoreDisplaySleepSettings();
        screens.inputArrived();
        QVERIFY(power.requests.isEmpty());
        screens.sleepDisplaysNow();
        screens.restoreDisplaySleepSettings();
        screens.restoreDisplaySleepSettings();
        QCOMPARE(power.requests, (QStringList{"powerOff", "powerOn"}));
    }
};

QTEST_MAIN(WaylandPartsTest)
#include "tst_waylandparts.moc"
