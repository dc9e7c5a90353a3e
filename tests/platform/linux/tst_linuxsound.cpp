#include "platform/linux/LinuxSoundAndBrightness.h"
#include "support/FakePlatform.h"

#include <QTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

const QString pactl = QStringLiteral("/usr/bin/env LC_ALL=C /usr/bin/pactl ");
const QString getVolume = pactl + QStringLiteral("get-sink-volume @DEFAULT_SINK@");
const QString getMute = pactl + QStringLiteral("get-sink-mute @DEFAULT_SINK@");
const QString brightnessctl = QStringLiteral("/usr/bin/brightnessctl");
const QString listBacklights = brightnessctl + QStringLiteral(" -m -l");

// Unusable lines come before the real devices, so that taking one of them shows.
const QString laptopBacklights = QStringLiteral(
    "input3::capslock,leds,0,0%,1\n"
    "zero,backlight,0,0%,0\n"
    "bad,backlight,x,0%,1\n"
    "broken line\n"
    "intel_backlight,backlight,9600,50%,19200\n"
    "tpacpi::kbd_backlight,leds,1,50%,2\n"
    "acpi_video0,backlight,7,70%,10\n");

// Tools found under /usr/bin, except those named in `missing`.
struct Machine {
    explicit Machine(QStringList missing = {})
        : sound(commands, [missing](const QString& name) {
              return missing.contains(name) ? QString() : QStringLiteral("/usr/bin/") + name;
          })
    {
    }
    CallLog log;
    FakeCommandRunner commands{log};
    LinuxSoundAndBrightness sound;
};

} // namespace

class LinuxSoundTest : public QObject {
    Q_OBJECT

private slots:
    void readsDefaultSinkVolumeAndMute()
    {
        struct Case { const char *volumeOutput, *muteOutput; std::optional<int> volume; std::optional<bool> muted; };
        const Case cases[] = {
            {"Volume: front-left: 42598 /  65% / -11.23 dB,   front-right: 39321 /  60% / -13.31 dB\n        balance -0.08\n",
             "Mute: yes\n", 65, true},
            {"Volume: mono: 6554 /  10% / -60.00 dB", "Mute: no", 10, false},
            {"Connection failure: Connection refused\n", "Connection failure: Connection refused\n", {}, {}},
        };
        for (const auto& each : cases) {
            Machine machine;
            machine.commands.answers.insert(getVolume, QString::fromUtf8(each.volumeOutput));
            machine.commands.answers.insert(getMute, QString::fromUtf8(each.muteOutput));
            const VolumeState state = machine.sound.readVolumeState();
            QVERIFY2(state.volume == each.volume && state.muted == each.muted && !state.alert, each.volumeOutput);
            QCOMPARE(machine.commands.commands, QStringList({getVolume, getMute}));
        }
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

        Machine withoutEnv({QStringLiteral("env")});
        withoutEnv.sound.setOutputMuted(true);
        QCOMPARE(withoutEnv.commands.commands, QStringList{QStringLiteral("/usr/bin/pactl set-sink-mute @DEFAULT_SINK@ 1")});
    }

    void backlightsReadAndWrittenInTheirOwnSteps()
    {
        Machine machine;
        machine.commands.answers.insert(listBacklights, laptopBacklights);
        QCOMPARE(machine.sound.readBrightness(), std::optional<double>(0.5));
        QCOMPARE(machine.sound.readKeyboardBrightness(), std::optional<double>(0.5));
        machine.sound.setBrightness(0.62);
        machine.sound.setKeyboardBrightness(1.0);
        machine.sound.driveBrightnessToZero(); // from one listing
        const QString set = brightnessctl + QStringLiteral(" -d %1 set %2");
        const QString screen = QStringLiteral("intel_backlight"), keyboard = QStringLiteral("tpacpi::kbd_backlight");
        QCOMPARE(machine.commands.commands,
                 QStringList({listBacklights, listBacklights, listBacklights, set.arg(screen, "11904"), listBacklights,
                              set.arg(keyboard, "2"), listBacklights,
                              set.arg(screen, "0"), set.arg(keyboard, "0")}));
        // Only the dimming runs on every tick of forced mode.
        std::vector<std::chrono::milliseconds> limits(9, defaultCommandTimeLimit);
        std::fill(limits.begin() + 6, limits.end(), perTickCommandTimeLimit);
        QCOMPARE(machine.commands.timeLimits, limits);
    }

    void withoutToolOrDeviceNothingIsSet()
    {
        Machine noDevice;
        noDevice.commands.answers.insert(listBacklights, QStringLiteral("input3::capslock,leds,0,0%,1\n"));
        Machine noTools({QStringLiteral("pactl"), QStringLiteral("brightnessctl")});
        for (Machine* machine : {&noDevice, &noTools}) {
            QVERIFY(!machine->sound.readBrightness());
            QVERIFY(!machine->sound.readKeyboardBrightness());
            machine->sound.setBrightness(0.5);
            machine->sound.setKeyboardBrightness(0.5);
            machine->sound.driveBrightnessToZero();
        }
        QCOMPARE(noDevice.commands.commands, QStringList(5, listBacklights));

        const VolumeState state = noTools.sound.readVolumeState();
        QVERIFY(!state.volume && !state.muted && !state.alert);
        noTools.sound.muteAll();
        noTools.sound.setOutputVolume(50);
        noTools.sound.setOutputMuted(false);
        QVERIFY(noTools.commands.commands.isEmpty());
    }
};

QTEST_GUILESS_MAIN(LinuxSoundTest)
#include "tst_linuxsound.moc"
