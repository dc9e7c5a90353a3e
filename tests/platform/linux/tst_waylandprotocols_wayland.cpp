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
            return;
        }
        QVERIFY(services->offersOverlayCovers());
        QVERIFY(services->offersIdleNotification());
        QVERIFY(services->offersOutputPower());
        QCOMPARE(services->outputsAsleep(), std::optional<bool>(false));
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

    // Input on the covers reaches the handler with its type, a key is not
    // a modifier, and the pointer is not drawn over them.
    void inputOnCoversReachesTheHandlerUnderAHiddenPointer()
    {
        REQUIRE_SWAY();
        const QString first = swayOutputNames().value(0);
        QVERIFY(pointAt(640, 400));
        std::vector<WakeEventType> received;
        auto covers = services->createOverlayCovers([&](WakeEventType type) { received.push_back(type); });
        QTRY_VERIFY_WITH_TIMEOUT(imageIsBlack(screenshot(first)), 5000);
        const auto only = [&](const QString &command, WakeEventType expected) {
            QTest::qWait(100);
            received.clear();
            QVERIFY((*input)(command));
            QTRY_VERIFY(!received.empty());
            QTest::qWait(100);
            for (WakeEventType type : received)
                QCOMPARE(type, expected);
        };
        only(QStringLiteral("move 10 10"), WakeEventType::mouseMoved);
        QVERIFY(imageIsBlack(screenshot(first, true)));
        only(QStringLiteral("click middle"), WakeEventType::otherMouseDown);
        only(QStringLiteral("scroll 2"), WakeEventType::scrollWheel);
        only(QStringLiteral("key 57"), WakeEventType::keyDown);
        only(QStringLiteral("modifiers 1"), WakeEventType::flagsChanged);
        QVERIFY((*input)(QStringLiteral("modifiers 0")));

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
};

QTEST_MAIN(WaylandProtocolsTest)
#include "tst_waylandprotocols_wayland.moc"
