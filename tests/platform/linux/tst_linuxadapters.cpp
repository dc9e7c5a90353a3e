// The Linux adapters that need no X server: power supplies, processes,
// hardware, sound and backlights through their tools, the autostart entry,
// and screen sleep seen through a scripted DPMS.

#include "app/StatusGlyph.h"
#include "platform/LaunchAgentLabel.h"
#include "platform/linux/LinuxAutostart.h"
#include "platform/linux/LinuxHardware.h"
#include "platform/linux/LinuxHotKeys.h"
#include "platform/linux/PortalHotKeys.h"
#include "platform/linux/LinuxPower.h"
#include "platform/linux/LinuxRunningApplications.h"
#include "platform/linux/LinuxScreens.h"
#include "platform/linux/LinuxSoundAndBrightness.h"
#include "platform/linux/LinuxStatusItem.h"
#include "support/FakePlatform.h"
#include "support/Files.h"
#include "support/ManualClock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <X11/X.h>
#include <X11/keysym.h>

using namespace launcher;
using namespace launcher::testing;

namespace {

// Writes "name/attribute" files under root, as the kernel lays them out.
void writeAttributes(const QString& root, const QString& name, const QMap<QString, QByteArray>& attributes)
{
    QDir(root).mkpath(name);
    for (auto it = attributes.begin(); it != attributes.end(); ++it)
        writeFile(root + QLatin1Char('/') + name + QLatin1Char('/') + it.key(), it.value() + "\n");
}

void writeBattery(const QString& root, const QString& name, const char* status, const char* capacity)
{
    writeAttributes(root, name, {{"type", "Battery"}, {"status", status}, {"capacity", capacity}});
}

const QString pactl = QStringLiteral("/usr/bin/env LC_ALL=C /usr/bin/pactl ");
const QString getVolume = pactl + QStringLiteral("get-sink-volume @DEFAULT_SINK@");
const QString getMute = pactl + QStringLiteral("get-sink-mute @DEFAULT_SINK@");
const QString listBacklights = QStringLiteral("/usr/bin/brightnessctl -m -l");

// Every tool found under /usr/bin.
struct Machine {
    Machine() : sound(commands, [](const QString& name) { return QStringLiteral("/usr/bin/") + name; }) {}
    CallLog log;
    FakeCommandRunner commands{log};
    LinuxSoundAndBrightness sound;
};

} // namespace

class LinuxAdaptersTest : public QObject {
    Q_OBJECT

private slots:
    void powerSnapshotFromWhatTheSuppliesSay()
    {
        // No charger type: no charger; no status: no battery.
        struct Case { const char *chargerType, *online, *status, *capacity; PowerSourceKind source; std::optional<int> percent; };
        const Case cases[] = {
            {"Mains", "1", "Charging", "87", PowerSourceKind::ac, 87},
            {"Mains", "0", "Discharging", "5", PowerSourceKind::battery, 5},
            {nullptr, nullptr, nullptr, "", PowerSourceKind::unknown, std::nullopt},
            {"USB", "1", "Discharging", "60", PowerSourceKind::ac, 60},
            {nullptr, nullptr, "Full", "100", PowerSourceKind::ac, 100},
        };
        for (const auto& each : cases) {
            QTemporaryDir root;
            if (each.chargerType)
                writeAttributes(root.path(), QStringLiteral("AC"), {{"type", each.chargerType}, {"online", each.online}});
            if (each.status)
                writeBattery(root.path(), QStringLiteral("BAT0"), each.status, each.capacity);
            const PowerSnapshot snapshot = LinuxPower(root.path()).currentPowerSnapshot();
            QVERIFY2(snapshot.source == each.source && snapshot.batteryPercent == each.percent, each.capacity);
        }
    }

    void onlyTheMachinesOwnBatteriesCount()
    {
        QTemporaryDir root;
        // Mice and phones report their batteries too.
        writeAttributes(root.path(), QStringLiteral("hidpp_battery_0"),
                        {{"type", "Battery"}, {"scope", "Device"}, {"status", "Discharging"}, {"capacity", "15"}});
        LinuxPower power(root.path());
        const PowerSnapshot snapshot = power.currentPowerSnapshot();
        QVERIFY(snapshot.source == PowerSourceKind::unknown && !snapshot.batteryPercent);

        writeBattery(root.path(), QStringLiteral("BAT1"), "Discharging", "30");
        writeBattery(root.path(), QStringLiteral("BAT0"), "Discharging", "70");
        QCOMPARE(power.currentPowerSnapshot().batteryPercent, std::optional<int>(70));
        writeAttributes(root.path(), QStringLiteral("BAT0"), {{"capacity", "69"}}); // read anew every time
        QCOMPARE(power.currentPowerSnapshot().batteryPercent, std::optional<int>(69));
    }

    void idleInhibitorOfAPlayerIsVideo()
    {
        const Inhibitor player{"idle", "mpv", "Playing video"};
        const Inhibitor updates{"sleep:shutdown", "PackageKit", "Installing updates"};
        QVERIFY(inhibitorsShowVideo({updates, player}));
        QVERIFY(!inhibitorsShowVideo({updates}));
        // Only a lock on idling: a player that merely holds off sleep may be playing sound.
        QVERIFY(!inhibitorsShowVideo({{"sleep", "vlc", "Playing"}}));
        QVERIFY(inhibitorsShowVideo({{"sleep:idle", "Firefox", "Video playback"}}));
        QVERIFY(!inhibitorsShowVideo({{"idle", "gnome-shell", "Presentation"}}));
    }

    void noSystemBusMeansNoAssertionsAndNoWait()
    {
        // No system bus here, and none should be looked for elsewhere.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/launcher-test-bus");
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!LinuxPower().isVideoPlaying());
        QVERIFY2(timer.elapsed() < 2000, "looking for a missing bus must not wait");
    }

    void runningApplicationsIncludeThisTest()
    {
        // This machine's list holds this test; the kernel cuts names to 15 bytes.
        QVERIFY(LinuxRunningApplications().displayedNames().contains(QCoreApplication::applicationName().left(15)));
    }

    void machineFromDmiAndCpuinfo()
    {
        QTemporaryDir root;
        const QDir dmi(root.filePath(QStringLiteral("sys/class/dmi/id")));
        dmi.mkpath(QStringLiteral("."));
        QDir(root.path()).mkpath(QStringLiteral("proc"));
        const auto write = [&](const char* name, const char* value) { writeFile(dmi.filePath(QLatin1String(name)), value); };
        writeFile(root.filePath(QStringLiteral("proc/cpuinfo")), "processor\t: 0\nvendor_id\t: GenuineIntel\n"
                                                                 "model name\t: Intel(R) Core(TM) i7-8550U CPU @ 1.80GHz\n\n"
                                                                 "processor\t: 1\nmodel name\t: Some Other Core\n");
        const auto machine = [&] { return LinuxHardware(root.path()).machineDescription(); };
        const QString cpu = QStringLiteral("Intel(R) Core(TM) i7-8550U CPU @ 1.80GHz");
        write("sys_vendor", "LENOVO\n");
        write("product_name", "ThinkPad X1 Carbon 6th\n");
        write("chassis_type", "10\n");
        QCOMPARE(machine(), (MachineDescription{QStringLiteral("LENOVO ThinkPad X1 Carbon 6th"), cpu, MachineClass::laptop}));

        // A maker repeated in the product, and no product name but a family.
        write("sys_vendor", "HP\n");
        write("product_name", "HP EliteDesk 800 G4 TWR\n");
        write("chassis_type", "7\n");
        QCOMPARE(machine().model, QStringLiteral("HP EliteDesk 800 G4 TWR"));
        QCOMPARE(machine().machineClass, MachineClass::desktop);
        write("product_name", "\n");
        write("product_family", "EliteDesk\n");
        QCOMPARE(machine().model, QStringLiteral("HP EliteDesk"));

        // Placeholders the board left in and a server chassis; an unreadable type.
        write("sys_vendor", "To Be Filled By O.E.M.\n");
        write("product_name", "System Product Name\n");
        write("product_family", "To be filled by O.E.M.\n");
        write("chassis_type", "17\n");
        QCOMPARE(machine(), (MachineDescription{QString(), cpu, MachineClass::unknown}));
        write("chassis_type", "laptop\n");
        QCOMPARE(machine().machineClass, MachineClass::unknown);
        QCOMPARE(machineClassOfChassis(31), MachineClass::laptop);

        // /proc reports files of size 0, which a reader that trusts the size misses.
        QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
        if (!cpuinfo.open(QIODevice::ReadOnly) || !cpuinfo.readAll().contains("model name"))
            QSKIP("this machine names no processor model");
        QVERIFY(!LinuxHardware().machineDescription().processor.isEmpty());
    }

    void readsDefaultSinkVolumeAndMute()
    {
        Machine stereo, failing;
        stereo.commands.answers.insert(getVolume, QStringLiteral("Volume: front-left: 42598 /  65% / -11.23 dB,   "
                                                                 "front-right: 39321 /  60% / -13.31 dB\n"));
        stereo.commands.answers.insert(getMute, QStringLiteral("Mute: yes\n"));
        const VolumeState state = stereo.sound.readVolumeState();
        QVERIFY(state.volume == 65 && state.muted == true && !state.alert);
        // An error is no reading, not a volume of 0 to put back later.
        for (const QString& command : {getVolume, getMute})
            failing.commands.answers.insert(command, QStringLiteral("Connection failure: Connection refused\n"));
        const VolumeState failed = failing.sound.readVolumeState();
        QVERIFY(!failed.volume && !failed.muted);
    }

    void muteAndRestoreCommandsInOrder()
    {
        Machine machine;
        machine.sound.muteAll();
        machine.sound.setAlertVolume(50); // no alert volume here
        machine.sound.setOutputVolume(35);
        machine.sound.setOutputMuted(false);
        const QString volume = pactl + QStringLiteral("set-sink-volume @DEFAULT_SINK@ %1%");
        const QString mute = pactl + QStringLiteral("set-sink-mute @DEFAULT_SINK@ %1");
        QCOMPARE(machine.commands.commands, QStringList({volume.arg(0), mute.arg(1), volume.arg(35), mute.arg(0)}));
    }

    void backlightsReadAndWrittenInTheirOwnSteps()
    {
        Machine machine;
        // Unusable lines come before the real devices, so that taking one of them shows.
        machine.commands.answers.insert(listBacklights, QStringLiteral("input3::capslock,leds,0,0%,1\n"
                                                                       "zero,backlight,0,0%,0\n"
                                                                       "bad,backlight,x,0%,1\n"
                                                                       "broken line\n"
                                                                       "intel_backlight,backlight,9600,50%,19200\n"
                                                                       "tpacpi::kbd_backlight,leds,1,50%,2\n"
                                                                       "acpi_video0,backlight,7,70%,10\n"));
        QCOMPARE(machine.sound.readBrightness(), std::optional<double>(0.5));
        QCOMPARE(machine.sound.readKeyboardBrightness(), std::optional<double>(0.5));
        machine.sound.setBrightness(0.62);
        machine.sound.setKeyboardBrightness(1.0);
        machine.sound.driveBrightnessToZero(); // from one listing
        const QString set = QStringLiteral("/usr/bin/brightnessctl -d %1 set %2");
        const QString screen = QStringLiteral("intel_backlight"), keyboard = QStringLiteral("tpacpi::kbd_backlight");
        QCOMPARE(machine.commands.commands,
                 QStringList({listBacklights, listBacklights, listBacklights, set.arg(screen, "11904"), listBacklights,
                              set.arg(keyboard, "2"), listBacklights, set.arg(screen, "0"), set.arg(keyboard, "0")}));
        // Only the dimming runs on every tick of forced mode.
        std::vector<std::chrono::milliseconds> limits(9, defaultCommandTimeLimit);
        std::fill(limits.begin() + 6, limits.end(), perTickCommandTimeLimit);
        QCOMPARE(machine.commands.timeLimits, limits);
    }

    // Inside the quotes ", `, $ and \ take a backslash; then the value is an
    // entry string, where each backslash is doubled and % is written %%.
    void awkwardPathsAreQuotedThenEscaped()
    {
        QCOMPARE(desktopExecValue("/opt/\"q\"/`b`/$HOME"), R"("/opt/\\"q\\"/\\`b\\`/\\$HOME")");
        QCOMPARE(desktopExecValue("/opt/a\\b"), R"("/opt/a\\\\b")");
        QCOMPARE(desktopExecValue("/opt/50%/%f/%%"), "\"/opt/50%%/%%f/%%%%\"");
        QCOMPARE(desktopExecValue("/opt/a\nb\tc\rd"), R"("/opt/a\nb\tc\rd")");
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
            QVERIFY(readFile(autostart.itemPath()).contains("\nExec=" + desktopExecValue(program).toUtf8() + '\n'));
        }
        // The icon installed with the program, named by theme, not by path.
        QVERIFY(readFile(autostart.itemPath()).contains("\nIcon=" + launchAgentLabel.toUtf8() + '\n'));
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (!validator.isEmpty()) {
            autostart.install(QStringLiteral("/opt/it's \"new\" $place/100%/launcher"));
            QProcess check;
            check.start(validator, {autostart.itemPath()});
            QVERIFY(check.waitForFinished());
            QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
        }
        autostart.uninstall();
        QVERIFY(!QFileInfo::exists(autostart.itemPath()));
    }

    void combinationsAsTheXServerNamesThem()
    {
        QCOMPARE(x11KeyCombination(Qt::Key_L, Qt::ControlModifier | Qt::AltModifier),
                 (X11KeyCombination{XK_l, ControlMask | Mod1Mask}));
        QCOMPARE(x11KeyCombination(Qt::Key_0, Qt::ShiftModifier | Qt::MetaModifier),
                 (X11KeyCombination{XK_0, ShiftMask | Mod4Mask}));
        QCOMPARE(x11KeyCombination(Qt::Key_F1, Qt::ControlModifier), std::nullopt);
        QCOMPARE(x11KeyCombination(Qt::Key_L, Qt::KeypadModifier), std::nullopt);
    }

    // The portal's triggers name the unshifted symbol, modifiers first.
    void portalTriggers()
    {
        QCOMPARE(portalTrigger(Qt::Key_L, hotKeyControlOption), QStringLiteral("CTRL+ALT+l"));
        QCOMPARE(portalTrigger(Qt::Key_0, hotKeyControlOption), QStringLiteral("CTRL+ALT+0"));
        QCOMPARE(portalTrigger(Qt::Key_Z, Qt::MetaModifier | Qt::ShiftModifier), QStringLiteral("SHIFT+LOGO+z"));
        QCOMPARE(portalTrigger(Qt::Key_9, Qt::NoModifier), QStringLiteral("9"));
        QCOMPARE(portalTrigger(Qt::Key_F1, Qt::ControlModifier), std::nullopt);
        QCOMPARE(portalTrigger(Qt::Key_L, Qt::KeypadModifier | Qt::ControlModifier), std::nullopt);
    }

    void withoutX11NoHotKeyRegisters()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
        LinuxHotKeys keys;
        keys.installHandler([](int) {});
        QVERIFY(!keys.registerHotKey(Qt::Key_L, hotKeyControlOption, 1, {}));
        // Not that another program holds it: nothing here can hold any.
        QCOMPARE(keys.refusal(), HotKeyRefusal::notOffered);
        keys.unregisterAll();
    }

    void screenEventsPostEachChangeOnceWhileWatched()
    {
        ManualClock clock;
        std::optional<bool> asleep = true; // at the start: no new sleep
        QStringList events;
        int removable = 0;
        {
            LinuxScreenEvents screenEvents(clock, [&] { return asleep; });
            screenEvents.addObserver(ScreenEvent::didSleep, [&] { events << QStringLiteral("sleep"); });
            screenEvents.addObserver(ScreenEvent::didWake, [&] { events << QStringLiteral("wake"); });
            const auto token = screenEvents.addObserver(ScreenEvent::didSleep, [&] { ++removable; });
            // An observer that removes another while being called.
            screenEvents.addObserver(ScreenEvent::didSleep, [&] { screenEvents.removeObserver(token); });
            QCOMPARE(clock.pendingTimers(), 0); // not before forced mode asks
            screenEvents.setWatching(true);
            screenEvents.setWatching(true);
            QCOMPARE(clock.pendingTimers(), 1);
            // A failed reading (absent) is no change.
            for (std::optional<bool> reading : {std::optional<bool>(), {false}, {false}, {true}, {}, {true}, {false}, {true}}) {
                asleep = reading;
                clock.advance(LinuxScreenEvents::pollInterval);
            }
            QCOMPARE(events, QStringList({"wake", "sleep", "wake", "sleep"}));
            QCOMPARE(removable, 1);
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

    // --- the tray item

    // A StatusNotifier host takes pixels as they come: a picture at ratio 2
    // ends up in a quarter of its slot.
    void statusNotifierPicturesFillTheirSlotAtRatioOne()
    {
        const QImage glyph = drawStatusGlyph(glyphLook(AwakeMode::forced, Qt::red, Qt::green, 0), 2.0);
        const std::vector<QImage> pictures = statusNotifierPictures(glyph);
        QCOMPARE(pictures.size(), size_t(4));
        for (const QImage& picture : pictures) {
            QCOMPARE(picture.devicePixelRatio(), 1.0);
            QRect painted;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    if (qAlpha(picture.pixel(x, y)) > 64)
                        painted |= QRect(x, y, 1, 1);
            // Claw to claw the glyph spans two thirds of its 30 points; at ratio 2
            // it would span a third.
            QVERIFY2(painted.width() >= picture.width() * 0.6, qPrintable(QStringLiteral("%1 of %2").arg(painted.width()).arg(picture.width())));
        }
    }
};

QTEST_MAIN(LinuxAdaptersTest)
#include "tst_linuxadapters.moc"
