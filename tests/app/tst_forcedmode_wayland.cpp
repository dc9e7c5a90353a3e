// Forced mode on a real headless Wayland compositor: the covers, and the real
// program ended by input injected through the compositor.

#include "platform/SystemPlatform.h"
#include "support/Files.h"
#include "support/ProgramUnderTest.h"
#include "support/WaylandTesting.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <QtTest>


using namespace launcher;
using namespace launcher::testing;

namespace {

QDBusMessage callMutter(const QString& service, const QString& path, const QString& interface,
                        const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
}

// DisplayConfig's power-save mode as the compositor reports it; -2 when unread.
int powerSaveMode()
{
    const QDBusMessage reply = callMutter("org.gnome.Mutter.DisplayConfig", "/org/gnome/Mutter/DisplayConfig",
                                          "org.freedesktop.DBus.Properties", "Get",
                                          {"org.gnome.Mutter.DisplayConfig", "PowerSaveMode"});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return -2;
    return reply.arguments().first().value<QDBusVariant>().variant().toInt();
}

// Input through mutter's remote-desktop service: it needs no portal, and
// reaches the focused window and the idle monitor like a real device. The
// session lives as long as the bus connection that made it.
class MutterInput {
public:
    MutterInput()
    {
        const QDBusMessage created = callMutter(service, "/org/gnome/Mutter/RemoteDesktop",
                                                "org.gnome.Mutter.RemoteDesktop", "CreateSession");
        if (created.type() != QDBusMessage::ReplyMessage || created.arguments().isEmpty())
            return;
        path_ = created.arguments().first().value<QDBusObjectPath>().path();
        if (session("Start").type() != QDBusMessage::ReplyMessage)
            path_.clear();
    }
    ~MutterInput()
    {
        if (!path_.isEmpty())
            session("Stop");
    }
    bool ready() const { return !path_.isEmpty(); }
    bool movePointer(double dx, double dy)
    {
        return session("NotifyPointerMotionRelative", {dx, dy}).type() == QDBusMessage::ReplyMessage;
    }

private:
    QDBusMessage session(const QString& method, const QVariantList& arguments = {})
    {
        return callMutter(service, path_, "org.gnome.Mutter.RemoteDesktop.Session", method, arguments);
    }
    const QString service = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
    QString path_;
};

// Input the compositor believes: mutter's remote desktop, or wlroots'
// virtual pointer and keyboard.
class CompositorInput {
public:
    bool ready() const { return testCompositor() == "mutter" ? mutter_->ready() : wlroots_->ready(); }
    bool movePointer(int dx, int dy)
    {
        return testCompositor() == "mutter" ? mutter_->movePointer(dx, dy)
                                        : (*wlroots_)(QStringLiteral("move %1 %2").arg(dx).arg(dy));
    }

private:
    std::unique_ptr<MutterInput> mutter_ = testCompositor() == "mutter" ? std::make_unique<MutterInput>() : nullptr;
    std::unique_ptr<VirtualInput> wlroots_ = testCompositor() == "mutter" ? nullptr : std::make_unique<VirtualInput>();
};

// The program's mode, as its command line reports it.
QString modeOf(ProgramUnderTest& launcher)
{
    const QString status = launcher.run({"status"}).out;
    return status.startsWith("mode: ") ? status.section('\n', 0, 0).mid(6) : QString();
}

// The real program on this compositor and its bus, changing what it would
// change on a desktop (no test mode), answering once normal mode runs.
bool startProgram(ProgramUnderTest& launcher)
{
    launcher.environment.remove("PELVANE_TEST_MODE");
    if (!launcher.startInSession())
        return false;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        if (modeOf(launcher) == "normal")
            return true;
        QTest::qWait(100);
    }
    return false;
}

} // namespace

class ForcedModeWaylandTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QString("wayland"));
        QVERIFY(!testCompositor().isEmpty());
    }

    // Where layer shell is offered the covers are overlay surfaces, and a
    // screenshot shows them black over everything, the panel included;
    // elsewhere they are full-screen windows, sized by the compositor's own
    // configure to the output, not to a tile of it.
    void coversFillTheOutput()
    {
        qunsetenv("PELVANE_TEST_MODE");
        SystemPlatform machine;
        auto covers = machine.platform().screens.createBlackoutWindows();
        QCOMPARE(covers.size(), size_t(1));
        if (testCompositor() == "sway") {
            const QString output = swayOutputNames().value(0);
            QVERIFY(!output.isEmpty());
            QVERIFY(!imageIsBlack(screenshot(output))); // the blue background and red bar, before they show
            QTRY_VERIFY_WITH_TIMEOUT(imageIsBlack(screenshot(output)), 3000);
            const QImage picture = screenshot(output);
            QCOMPARE(picture.size(), QSize(1280, 800));
            const QString shots = qEnvironmentVariable("LAUNCHER_TEST_SHOTS");
            if (!shots.isEmpty())
                picture.save(QDir(shots).filePath("covers-sway.png"));
            return;
        }
        QList<QWindow*> shown;
        for (QWindow* window : QGuiApplication::topLevelWindows())
            if (window->isVisible())
                shown << window;
        QCOMPARE(shown.size(), QGuiApplication::screens().size());
        QWindow* window = shown.first();
        QVERIFY(QTest::qWaitForWindowExposed(window, 5000));
        QCOMPARE(window->screen()->size(), QSize(1280, 800));
        QTRY_COMPARE_WITH_TIMEOUT(window->size(), QSize(1280, 800), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(window->windowStates() & Qt::WindowFullScreen, 3000);
    }

    // The real program: forced mode turns the outputs off (power-save mode 3
    // on mutter); input within the grace period does not end it, input after
    // it does, and the outputs come back on.
    void programEndsForcedModeOnInputAfterTheGrace()
    {
        ProgramUnderTest launcher;
        QVERIFY(startProgram(launcher));
        CompositorInput input;
        QVERIFY(input.ready());

        QElapsedTimer sinceStart;
        launcher.run({"forced"});
        sinceStart.start();
        QCOMPARE(modeOf(launcher), QString("forced"));
        QVERIFY(launcher.helperIn("forced"));
        // The headless outputs of wlroots 0.15 cannot be switched off (sway
        // refuses the commit); mutter's can.
        const bool outputsGoOff = testCompositor() == "mutter";
        if (outputsGoOff)
            QTRY_COMPARE_WITH_TIMEOUT(powerSaveMode(), 3, 3000);

        QTest::qWait(qMax<qint64>(0, 1500 - sinceStart.elapsed()));
        QVERIFY(input.movePointer(8, 8));
        QTest::qWait(qMax<qint64>(0, 4800 - sinceStart.elapsed()));
        QCOMPARE(modeOf(launcher), QString("forced"));
        if (outputsGoOff) // back asleep after that input
            QTRY_COMPARE_WITH_TIMEOUT(powerSaveMode(), 3, 2000);

        QVERIFY(input.movePointer(8, 8));
        QElapsedTimer sinceInput;
        sinceInput.start();
        QTRY_COMPARE_WITH_TIMEOUT(modeOf(launcher), QString("off"), 3000);
        qInfo() << "forced mode ended" << sinceInput.elapsed() << "ms after the input";
        if (outputsGoOff)
            QTRY_COMPARE_WITH_TIMEOUT(powerSaveMode(), 0, 3000);
        const auto history = historyEntries(launcher.support() + "/history.jsonl");
        QVERIFY(!history.empty());
        QVERIFY(history.back().note.startsWith(QString("检测到鼠标/键盘，自动恢复正常模式；")));
    }
};

QTEST_MAIN(ForcedModeWaylandTest)
#include "tst_forcedmode_wayland.moc"
