// The program itself, started as a user would, on this test's own X server
// and session bus, on Xfce's panel, whose tray draws the item over D-Bus as a
// StatusNotifier host.

#include "platform/linux/LinuxStatusItem.h"
#include "support/ProgramUnderTest.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

using namespace launcher;
using namespace launcher::testing;

namespace {
const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Names of the viewable windows of pid, notices (tooltip windows) left out.
QStringList windowsBesideNotices(qint64 pid)
{
    QStringList names;
    for (const QString& id : run(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--pid", QString::number(pid)})
                                 .split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (!run(QStringLiteral("xprop"), {"-id", id, "_NET_WM_WINDOW_TYPE"}).contains(QStringLiteral("TOOLTIP")))
            names << run(QStringLiteral("xdotool"), {"getwindowname", id}).trimmed();
    return names;
}

QVariant busProperty(const QString& service, const QString& path, const QString& interface, const QString& name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << interface << name;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QVariant();
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

// The rectangle around the pixels that pass.
template <typename Test>
QRect boundsOf(const QImage& image, const QRect& area, Test test)
{
    QRect found;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.valid(x, y) && test(image.pixel(x, y)))
                found |= QRect(x, y, 1, 1);
    return found;
}

bool isGreen(QRgb pixel)
{
    return qGreen(pixel) > 120 && qGreen(pixel) > qRed(pixel) + 50 && qGreen(pixel) > qBlue(pixel) + 50;
}

QImage screenshot()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

void click(const QPoint& at, const char* button)
{
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), {"mousemove", QString::number(at.x()), QString::number(at.y()),
                                                           "click", button}),
             0);
}

} // namespace

class TrayHostsTest : public QObject {
    Q_OBJECT
private slots:
    void xfcePanelShowsTheItemAtFullSize()
    {
        const QString panelProgram = QStandardPaths::findExecutable(QStringLiteral("xfce4-panel"));
        if (panelProgram.isEmpty())
            QSKIP("xfce4-panel is not installed (scripts/deps installs it)");
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "needs a session bus of its own");

        // The panel and its settings daemon, which the bus starts, read this configuration.
        QTemporaryDir config;
        const QString channels = config.filePath(QStringLiteral("xfce4/xfconf/xfce-perchannel-xml"));
        QVERIFY(QDir().mkpath(channels));
        QVERIFY(QFile::copy(QStringLiteral(LAUNCHER_SOURCE_DIR "/tests/app/xfce4-panel.xml"),
                            channels + QStringLiteral("/xfce4-panel.xml")));
        const QMap<QString, QString> variables{{"XDG_CONFIG_HOME", config.path()},
                                               {"XDG_CACHE_HOME", config.filePath(QStringLiteral("cache"))},
                                               {"XDG_DATA_HOME", config.filePath(QStringLiteral("data"))},
                                               {"DISPLAY", qEnvironmentVariable("DISPLAY")},
                                               {"NO_AT_BRIDGE", "1"}};
        qDBusRegisterMetaType<QMap<QString, QString>>();
        QDBusMessage update = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("UpdateActivationEnvironment"));
        update << QVariant::fromValue(variables);
        QCOMPARE(QDBusConnection::sessionBus().call(update).type(), QDBusMessage::ReplyMessage);

        QProcess panel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (auto it = variables.begin(); it != variables.end(); ++it)
            env.insert(it.key(), it.value());
        panel.setProcessEnvironment(env);
        panel.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        panel.start(panelProgram, {"--disable-wm-check"});
        QVERIFY(panel.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(statusNotifierHostRegistered(), 20000);

        ProgramUnderTest program;
        program.environment.insert("LC_ALL", "en_US.UTF-8");
        QVERIFY(program.startInSession());
        // The watcher lists the item as "connection/path"; nothing else on this bus has one.
        const auto registered = [] {
            return busProperty(watcherService, "/StatusNotifierWatcher", watcherService, "RegisteredStatusNotifierItems")
                .toStringList();
        };
        QTRY_COMPARE_WITH_TIMEOUT(registered().size(), 1, 20000);
        const QString entry = registered().constFirst();
        const QString item = entry.section(QLatin1Char('/'), 0, 0);
        const qint64 pid = program.program.processId();
        QCOMPARE(qint64(QDBusConnection::sessionBus().interface()->servicePid(item).value()), pid);

        // On screen: the panel runs along the top, 32 px high.
        const QRect strip(0, 0, QGuiApplication::primaryScreen()->geometry().width(), 32);
        // In its 22 px slot the glyph is 14 px claw to claw, as in trayer; at half size, 7.
        QTRY_VERIFY_WITH_TIMEOUT(boundsOf(screenshot(), strip, isGreen).width() >= 12, 10000);
        const QRect icon = boundsOf(screenshot(), strip, isGreen);
        QVERIFY2(icon.width() <= 32, qPrintable(QStringLiteral("%1 px").arg(icon.width())));

        // The panel draws the menu itself on a right click: no window of ours.
        const QRect belowPanel(0, strip.bottom() + 1, strip.width(), 300);
        const QImage before = screenshot().copy(belowPanel);
        click(icon.center(), "3");
        QTRY_VERIFY_WITH_TIMEOUT(screenshot().copy(belowPanel) != before, 10000);
        QCOMPARE(windowsBesideNotices(pid), QStringList());
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), {"key", "Escape"}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(screenshot().copy(belowPanel) == before, 10000);

        // A left click opens the dashboard, and pops no menu window of ours.
        click(icon.center(), "1");
        QTRY_COMPARE_WITH_TIMEOUT(windowsBesideNotices(pid), QStringList{"Pelvane Awake Dashboard"}, 10000);
        QTest::qWait(500);
        QCOMPARE(windowsBesideNotices(pid), QStringList{"Pelvane Awake Dashboard"});

        program.stop();
        QCOMPARE(program.program.exitStatus(), QProcess::NormalExit);
        panel.terminate();
        QVERIFY(panel.waitForFinished(10000));
    }
};

QTEST_MAIN(TrayHostsTest)
#include "tst_trayhosts_x11_dbus.moc"
