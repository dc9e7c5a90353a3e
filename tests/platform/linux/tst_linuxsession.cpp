// The Linux session adapters without an X server: the autostart entry, hot
// key names, and screen sleep seen through a scripted DPMS.

#include "platform/LaunchAgentLabel.h"
#include "platform/linux/LinuxAutostart.h"
#include "platform/linux/LinuxHotKeys.h"
#include "platform/linux/LinuxScreens.h"
#include "support/FakePlatform.h"
#include "support/Files.h"
#include "support/ManualClock.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QtTest>

#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace launcher;
using namespace launcher::testing;

Q_DECLARE_METATYPE(std::optional<X11KeyCombination>)

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
    LinuxScreenEvents screenEvents{clock, [this] { ++readings; return asleep; }};
};

} // namespace

class LinuxSessionTest : public QObject {
    Q_OBJECT
private slots:
    void autostartEntryForAPathWithSpaces()
    {
        QCOMPARE(autostartDesktopEntry(QStringLiteral("/home/ann/My Apps/launcher")),
                 QStringLiteral("[Desktop Entry]\nType=Application\nName=launcher\n"
                                "Exec=\"/home/ann/My Apps/launcher\"\n"
                                "Terminal=false\nX-GNOME-Autostart-enabled=true\n"));
    }

    // Inside the quotes ", `, $ and \ take a backslash; then the value is an
    // entry string, where each backslash is doubled and % is written %%.
    void awkwardPathsAreQuotedThenEscaped_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("quote, backtick, dollar") << "/opt/\"q\"/`b`/$HOME" << R"("/opt/\\"q\\"/\\`b\\`/\\$HOME")";
        QTest::newRow("backslash") << "/opt/a\\b" << R"("/opt/a\\\\b")";
        QTest::newRow("percent and field codes") << "/opt/50%/%f/%%" << "\"/opt/50%%/%%f/%%%%\"";
        QTest::newRow("line breaks and tabs") << "/opt/a\nb\tc\rd" << R"("/opt/a\nb\tc\rd")";
    }

    void awkwardPathsAreQuotedThenEscaped()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(desktopExecValue(path), exec);
    }

    void autostartEntryInTheConfiguredFolder()
    {
        FakePlatform fake;
        LinuxAutostart autostart(fake.environment);
        const QString file = QStringLiteral("/autostart/") + launchAgentLabel + QStringLiteral(".desktop");
        fake.environment.variables.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/etc/xdg-user"));
        QCOMPARE(autostart.itemPath(), QStringLiteral("/etc/xdg-user") + file);
        // A relative value does not count.
        fake.environment.variables.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("relative/config"));
        QCOMPARE(autostart.itemPath(), fake.homeDir.path() + QStringLiteral("/.config") + file);

        autostart.uninstall(); // nothing there: no harm
        for (const QString& program : {QStringLiteral("/usr/bin/launcher"), QStringLiteral("/opt/new place/launcher")}) {
            autostart.install(program);
            QCOMPARE(readFile(autostart.itemPath()), autostartDesktopEntry(program).toUtf8());
        }
        autostart.uninstall();
        QVERIFY(!QFileInfo::exists(autostart.itemPath()));
    }

    void carbonCombinationsNameXKeys_data()
    {
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<std::optional<X11KeyCombination>>("expected");
        const unsigned controlAlt = ControlMask | Mod1Mask;
        QTest::newRow("control-option-L") << 37u << hotKeyControlOption << std::optional(X11KeyCombination{XK_l, controlAlt});
        QTest::newRow("A is key code zero") << 0u << 0x1000u << std::optional(X11KeyCombination{XK_a, ControlMask});
        QTest::newRow("command-shift-9") << 0x19u << 0x0300u << std::optional(X11KeyCombination{XK_9, Mod4Mask | ShiftMask});
        QTest::newRow("return is not a letter or digit") << 0x24u << hotKeyControlOption << std::optional<X11KeyCombination>();
        QTest::newRow("caps lock as a modifier") << 37u << 0x1C00u << std::optional<X11KeyCombination>();
    }

    void carbonCombinationsNameXKeys()
    {
        QFETCH(quint32, keyCode);
        QFETCH(quint32, modifiers);
        QFETCH(std::optional<X11KeyCombination>, expected);
        QCOMPARE(x11KeyCombination(keyCode, modifiers), expected);
    }

    void withoutX11NoHotKeyRegisters()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
        LinuxHotKeys keys;
        keys.installHandler([](int) {});
        QVERIFY(!keys.registerHotKey(37, hotKeyControlOption, 1));
        keys.unregisterAll();
    }

    void screenEventsPostEachChangeOnce()
    {
        ScriptedDisplay display(false);
        int sleeps = 0;
        const auto token = display.screenEvents.addObserver(ScreenEvent::didSleep, [&] { ++sleeps; });
        // An observer that removes another while being called.
        display.screenEvents.addObserver(ScreenEvent::didSleep, [&] { display.screenEvents.removeObserver(token); });
        // A failed reading (absent) is no change.
        for (std::optional<bool> reading : {std::optional<bool>(), {false}, {true}, {}, {true}, {false}, {true}})
            display.readNext(reading);
        QCOMPARE(display.events, QStringList({"sleep", "wake", "sleep"}));
        QCOMPARE(sleeps, 1);

        ScriptedDisplay asleepAtStart(true); // is no new sleep
        asleepAtStart.readNext(false);
        QCOMPARE(asleepAtStart.events, QStringList{"wake"});
    }

    void screenEventsPollOnlyWithDpmsAndWhileWatched()
    {
        ScriptedDisplay withoutDpms(std::nullopt);
        QCOMPARE(withoutDpms.clock.pendingTimers(), 0);
        withoutDpms.readNext(true);
        QCOMPARE(withoutDpms.readings, 1);

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
        } dpms;
        DisplaySleepSwitch sleepSwitch(dpms);
        for (std::optional<bool> found : {std::optional(false), std::optional(true), std::optional<bool>()}) {
            dpms.on = found;
            dpms.calls.clear();
            sleepSwitch.sleepNow();
            sleepSwitch.sleepNow();
            sleepSwitch.restore();
            sleepSwitch.restore();
            QCOMPARE(dpms.on, found);
            const QStringList expected = !found ? QStringList() : *found ? QStringList{"off", "off"}
                                                                           : QStringList{"enable", "off", "off", "disable"};
            QCOMPARE(dpms.calls, expected);
        }
    }
};

QTEST_MAIN(LinuxSessionTest)
#include "tst_linuxsession.moc"
