#include "platform/linux/wayland/CompositorServices.h"

#include "support/WaylandTesting.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

// QSKIP returns from the test function, so it cannot live in a helper.
#define REQUIRE_SWAY()                                                                                                \
    if (!onSway)                                                                                                      \
    QSKIP("layer shell, idle notification and output power are wlroots protocols; this compositor offers none of them")

using namespace launcher;
using namespace launcher::testing;

Q_DECLARE_METATYPE(WakeEventType)

namespace {

bool hasWhiteNear(const QImage &image, QPoint point)
{
    for (int y = point.y(); y < point.y() + 20 && y < image.height(); ++y)
        for (int x = point.x(); x < point.x() + 20 && x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) > 200)
                return true;
    return false;
}

// Another client's window, which counts the clicks it gets.
class ClickTarget : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

} // namespace

class WaylandProtocolsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CompositorServices> services;
    bool onSway = false;
    std::unique_ptr<VirtualInput> input;

    // A point on the first output, wherever the others are.
    bool pointAt(int x, int y)
    {
        return (*input)(QStringLiteral("move -100000 -100000")) && (*input)(QStringLiteral("move %1 %2").arg(x).arg(y));
    }

private slots:
    void initTestCase()
    {
        if (testCompositor().isEmpty())
            QSKIP("needs a compositor: run through tests/wayland/with-compositor.sh");
        onSway = testCompositor() == QLatin1String("sway");
        // Both compositors are reachable; what they offer differs.
        services = connectWaylandProtocols();
        QVERIFY(services);
        if (onSway) {
            input = std::make_unique<VirtualInput>();
            QVERIFY(input->ready());
        }
    }

    void offersWhatTheCompositorHas()
    {
        if (!onSway) {
            // mutter: none of these protocols.
            QVERIFY(!services->offersOverlayCovers());
            QVERIFY(!services->offersIdleNotification());
            QVERIFY(!services->offersOutputPower());
            QVERIFY(!services->createOverlayCovers([](WakeEventType) {}));
            services->setOutputsPowered(false);
            QCOMPARE(services->outputsAsleep(), std::nullopt);
            services->watchIdle([] {});
            QTest::qWait(200);
            services->watchIdle({});
            return;
        }
        QVERIFY(services->offersOverlayCovers());
        QVERIFY(services->offersIdleNotification());
        QVERIFY(services->offersOutputPower());
        QCOMPARE(services->outputsAsleep(), std::optional<bool>(false));
    }

    void coversBlackenEveryOutputAndTheBar()
    {
        REQUIRE_SWAY();
        const QString first = swayOutputNames().value(0);
        QVERIFY(!first.isEmpty());
        // The desktop and its bar are coloured, so black means covered.
        QVERIFY(!imageIsBlack(screenshot(first)));

        auto covers = services->createOverlayCovers([](WakeEventType) {});
        QVERIFY(covers);
        QTRY_VERIFY_WITH_TIMEOUT(imageIsBlack(screenshot(first)), 5000);

        covers.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!imageIsBlack(screenshot(first)), 5000);
    }

    void coversFollowOutputsThatComeAndGo()
    {
        REQUIRE_SWAY();
        auto covers = services->createOverlayCovers([](WakeEventType) {});
        const QStringList before = swayOutputNames();
        QVERIFY(swaymsg({QStringLiteral("create_output")}));
        QTRY_COMPARE_WITH_TIMEOUT(swayOutputNames().size(), before.size() + 1, 5000);
        QString added;
        for (const QString &name : swayOutputNames())
            if (!before.contains(name))
                added = name;
        QTRY_VERIFY_WITH_TIMEOUT(imageIsBlack(screenshot(added)), 5000);
        for (const QString &name : before)
            QVERIFY(imageIsBlack(screenshot(name)));

        // Outputs that go away are left to the protocol test against the fake
        // compositor: sway 1.7's headless outputs cannot be disabled.
    }

    void inputOnCoversReachesTheHandler_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<WakeEventType>("expected");
        QTest::newRow("motion") << "move 7 5" << WakeEventType::mouseMoved;
        QTest::newRow("left button") << "click left" << WakeEventType::leftMouseDown;
        QTest::newRow("right button") << "click right" << WakeEventType::rightMouseDown;
        QTest::newRow("middle button") << "click middle" << WakeEventType::otherMouseDown;
        QTest::newRow("wheel") << "scroll 2" << WakeEventType::scrollWheel;
        QTest::newRow("key") << "key 57" << WakeEventType::keyDown;
        QTest::newRow("modifier alone") << "modifiers 1"
                                        << WakeEventType::flagsChanged;
    }

    void inputOnCoversReachesTheHandler()
    {
        REQUIRE_SWAY();
        QFETCH(QString, command);
        QFETCH(WakeEventType, expected);
        std::vector<WakeEventType> received;
        auto covers = services->createOverlayCovers([&](WakeEventType type) { received.push_back(type); });
        const QString first = swayOutputNames().value(0);
        QTRY_VERIFY_WITH_TIMEOUT(imageIsBlack(screenshot(first)), 5000);
        // The pointer over the covers first, so that it has entered them.
        QVERIFY(pointAt(600, 400));
        QTRY_VERIFY(!received.empty());
        QTest::qWait(100);
        received.clear();

        QVERIFY((*input)(command));
        QTRY_VERIFY(std::find(received.begin(), received.end(), expected) != received.end());
        if (!command.startsWith(QLatin1String("key")) && !command.startsWith(QLatin1String("modifiers"))) {
            for (WakeEventType type : received)
                QCOMPARE(type, expected);
        } else {
            // A key is not a modifier, and a modifier is not a key.
            const WakeEventType other =
                expected == WakeEventType::keyDown ? WakeEventType::flagsChanged : WakeEventType::keyDown;
            QTest::qWait(100);
            QVERIFY(std::find(received.begin(), received.end(), other) == received.end());
            QVERIFY((*input)(QStringLiteral("modifiers 0")));
        }
    }

    void pointerIsHiddenOverCovers()
    {
        REQUIRE_SWAY();
        const QString first = swayOutputNames().value(0);
        QVERIFY(pointAt(640, 400));
        auto covers = services->createOverlayCovers([](WakeEventType) {});
        QTRY_VERIFY_WITH_TIMEOUT(imageIsBlack(screenshot(first)), 5000);
        QVERIFY((*input)("move 10 10"));
        QTest::qWait(200);
        QVERIFY(imageIsBlack(screenshot(first, true)));
        covers.reset();
        // Without covers sway draws the arrow there (white inside), which
        // the check above would have seen.
        QVERIFY((*input)(QStringLiteral("move -10 -10")));
        QTRY_VERIFY_WITH_TIMEOUT(hasWhiteNear(screenshot(first, true), QPoint(640, 400)), 5000);
    }

    void inputOnAnotherWindowEndsIdle()
    {
        REQUIRE_SWAY();
        ClickTarget target;
        target.resize(400, 300);
        target.show();
        QVERIFY(QTest::qWaitForWindowExposed(&target));
        int resumed = 0;
        services->watchIdle([&] { ++resumed; });

        // Idle, but no input: nothing to report.
        QTest::qWait(1600);
        QCOMPARE(resumed, 0);
        // sway tiles the only window over the whole output (below the bar).
        QVERIFY(pointAt(640, 400));
        QVERIFY((*input)("click left"));
        QTRY_COMPARE(target.presses, 1);
        QTRY_COMPARE(resumed, 1);

        services->watchIdle({});
        QTest::qWait(1600);
        QVERIFY((*input)("click left"));
        QTRY_COMPARE(target.presses, 2);
        QTest::qWait(300);
        QCOMPARE(resumed, 1);
    }

    void outputPowerIsReportedAsTheCompositorSeesIt()
    {
        REQUIRE_SWAY();
        services->setOutputsPowered(false);
        QTest::qWait(500);
        // What is reported is what sway itself says, whether or not it could
        // switch the outputs off (the headless outputs of wlroots 0.15 cannot
        // be, and sway logs "Failed to commit output").
        const std::optional<bool> anyLit = swayOutputsPowered(false);
        QVERIFY(anyLit);
        QCOMPARE(services->outputsAsleep(), std::optional<bool>(!*anyLit));
        if (*anyLit) {
            services->setOutputsPowered(true);
            QSKIP("this sway cannot switch its outputs off; the switching is checked against the fake compositor");
        }
        QCOMPARE(swayOutputsPowered(true), std::optional<bool>(false));

        // wlroots does not wake outputs on input: putting them back is ours.
        QVERIFY((*input)(QStringLiteral("move 30 30")));
        QTest::qWait(300);
        QCOMPARE(services->outputsAsleep(), std::optional<bool>(true));

        services->setOutputsPowered(true);
        QTRY_COMPARE(services->outputsAsleep(), std::optional<bool>(false));
        QCOMPARE(swayOutputsPowered(true), std::optional<bool>(true));
    }
};

QTEST_MAIN(WaylandProtocolsTest)
#include "tst_waylandprotocols_wayland.moc"
