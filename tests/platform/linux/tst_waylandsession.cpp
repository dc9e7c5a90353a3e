#include "platform/linux/wayland/CompositorServices.h"

#include "support/FakeCompositor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>

using namespace launcher;
using namespace launcher::testing;
using Behaviour = FakeCompositor::Behaviour;

Q_DECLARE_METATYPE(FakeCompositor::Behaviour)
Q_DECLARE_METATYPE(std::vector<FakeCompositor::Global>)

namespace {

// Points the connection at a socket for the life of a test.
class WaylandDisplayAt {
public:
    explicit WaylandDisplayAt(const QString &path)
    {
        if (path.isNull())
            qunsetenv("WAYLAND_DISPLAY");
        else
            qputenv("WAYLAND_DISPLAY", path.toLocal8Bit());
        qunsetenv("WAYLAND_SOCKET");
    }
    ~WaylandDisplayAt() { qunsetenv("WAYLAND_DISPLAY"); }
};

const std::vector<FakeCompositor::Global> wlrootsGlobals{
    {"wl_compositor", 4},   {"wl_shm", 1},        {"wl_output", 3}, {"wl_output", 3},
    {"wl_seat", 7},         {"zwlr_layer_shell_v1", 4},
    {"ext_idle_notifier_v1", 1}, {"zwlr_output_power_manager_v1", 1},
};

const std::vector<FakeCompositor::Global> kdeGlobals{
    {"wl_compositor", 4}, {"wl_shm", 1}, {"wl_output", 3}, {"wl_output", 3},
    {"wl_seat", 7},       {"org_kde_kwin_dpms_manager", 1},
};

} // namespace

class WaylandSessionTest : public QObject {
    Q_OBJECT

private slots:
    void nothingToReachWithoutACompositor()
    {
        for (const QString& path : {QString(), QDir::temp().filePath(QStringLiteral("no-compositor-here"))}) {
            WaylandDisplayAt display{path};
            QVERIFY(!connectWaylandProtocols());
        }
    }

    void aCompositorThatHangsUpOrNeverAnswersIsNotWaitedFor_data()
    {
        QTest::addColumn<Behaviour>("behaviour");
        QTest::newRow("hangs up") << Behaviour::closeAtOnce;
        QTest::newRow("never answers") << Behaviour::neverAnswer;
    }

    void aCompositorThatHangsUpOrNeverAnswersIsNotWaitedFor()
    {
        QFETCH(Behaviour, behaviour);
        FakeCompositor compositor(wlrootsGlobals, behaviour);
        WaylandDisplayAt display{compositor.socketPath()};
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(!connectWaylandProtocols());
        QVERIFY2(elapsed.elapsed() < 5000, "the connection waited too long");
    }

    // Idle notification needs a seat as well as the notifier.
    void missingGlobalsAreNotOffered()
    {
        FakeCompositor compositor({{"wl_compositor", 4}, {"wl_output", 3}, {"ext_idle_notifier_v1", 1}});
        WaylandDisplayAt display{compositor.socketPath()};
        auto services = connectWaylandProtocols();
        QVERIFY(services);
        QVERIFY(!services->offersOverlayCovers());
        QVERIFY(!services->offersIdleNotification());
        QVERIFY(!services->offersOutputPower());
        QVERIFY(!services->createOverlayCovers([](WakeEventType) {}));
        QCOMPARE(services->outputsAsleep(), std::nullopt);
    }

    void powerFollowsWhatTheOutputsReport_data()
    {
        QTest::addColumn<std::vector<FakeCompositor::Global>>("globals");
        QTest::newRow("wlroots") << wlrootsGlobals;
        QTest::newRow("KDE") << kdeGlobals;
    }

    void powerFollowsWhatTheOutputsReport()
    {
        QFETCH(std::vector<FakeCompositor::Global>, globals);
        FakeCompositor compositor(globals);
        WaylandDisplayAt display{compositor.socketPath()};
        auto services = connectWaylandProtocols();
        QVERIFY(services);
        QVERIFY(services->offersOutputPower());
        QCOMPARE(services->outputsAsleep(), std::optional<bool>(false));
        services->setOutputsPowered(false);
        QTRY_COMPARE(services->outputsAsleep(), std::optional<bool>(true));
        QVERIFY(!compositor.outputsOn());
        // Asleep means every output: one that wakes by itself is enough to end it.
        compositor.switchOutput(0, true);
        QTRY_COMPARE(services->outputsAsleep(), std::optional<bool>(false));
        services->setOutputsPowered(true);
        QTRY_VERIFY(compositor.outputsOn());
    }

    // sway here offers KDE's idle protocol; ext-idle-notify only this fake.
    void idleCallsBackOnlyAtResumeAndOnlyWhileWatched()
    {
        FakeCompositor compositor(wlrootsGlobals);
        WaylandDisplayAt display{compositor.socketPath()};
        auto services = connectWaylandProtocols();
        QVERIFY(services);
        QVERIFY(services->offersIdleNotification());
        int resumed = 0;
        services->watchIdle([&] { ++resumed; });
        QTest::qWait(100);
        compositor.idleThenResume();
        QTRY_COMPARE(resumed, 1);

        services->watchIdle({});
        QTest::qWait(100);
        compositor.idleThenResume();
        QTest::qWait(200);
        QCOMPARE(resumed, 1);
    }

    // Layer, size and colour show on sway; outputs at another scale, and
    // outputs that vanish, only here.
    void coversFollowOutputsAndTheirScale()
    {
        FakeCompositor compositor(wlrootsGlobals);
        WaylandDisplayAt display{compositor.socketPath()};
        auto services = connectWaylandProtocols();
        QVERIFY(services);
        auto covers = services->createOverlayCovers([](WakeEventType) {});
        QVERIFY(covers);
        QTRY_COMPARE(compositor.layerSurfaces().size(), size_t(2));

        const uint32_t added = compositor.addGlobal({"wl_output", 3, 2});
        const auto onAdded = [&] {
            for (const auto &surface : compositor.layerSurfaces())
                if (surface.output == added)
                    return surface;
            return FakeCompositor::LayerSurface{};
        };
        QTRY_COMPARE(onAdded().bufferWidth, int(2 * FakeCompositor::outputWidth));
        QCOMPARE(onAdded().bufferHeight, int(2 * FakeCompositor::outputHeight));
        QCOMPARE(onAdded().bufferScale, 2);

        compositor.removeGlobal(added);
        QTRY_COMPARE(compositor.layerSurfaces().size(), size_t(2));
        QCOMPARE(onAdded().output, 0u);

        covers.reset();
        QTRY_COMPARE(compositor.layerSurfaces().size(), size_t(0));
        // Outputs that come later, without covers, get none.
        compositor.addGlobal({"wl_output", 3});
        QTest::qWait(200);
        QCOMPARE(compositor.layerSurfaces().size(), size_t(0));
    }

    void aCompositorThatGoesAwayLeavesNothingOfferedAndNothingBroken()
    {
        FakeCompositor compositor(wlrootsGlobals);
        WaylandDisplayAt display{compositor.socketPath()};
        auto services = connectWaylandProtocols();
        QVERIFY(services);
        auto covers = services->createOverlayCovers([](WakeEventType) {});
        QVERIFY(covers);
        services->watchIdle([] {});

        compositor.disconnect();
        QTRY_VERIFY(!services->offersOverlayCovers());
        QVERIFY(!services->offersIdleNotification());
        QVERIFY(!services->offersOutputPower());
        QCOMPARE(services->outputsAsleep(), std::nullopt);
        services->setOutputsPowered(true);
        services->watchIdle({});
        covers.reset();
        services.reset();
    }
};

QTEST_GUILESS_MAIN(WaylandSessionTest)
#include "tst_waylandsession.moc"
