#include "platform/linux/LinuxSoundAndBrightness.h"
#include "support/FakePlatform.h"

#include <QTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

const QString pactl = QStringLiteral("/usr/bin/env LC_ALL=C /usr/bin/pactl ");
const QString brightnessctl = QStringLiteral("/usr/bin/brightnessctl");
const QString listBacklights = brightnessctl + QStringLiteral(" -m -l");

const QString laptopBacklights = QStringLiteral(
    "input3::capslock,leds,0,0%,1\n"
    "intel_backlight,backlight,9600,50%,19200\n"
    "tpacpi::kbd_backlight,leds,1,50%,2\n"
    "acpi_video0,backlight,7,70%,10\n");

// Tools found under /usr/bin, except those named in `missing`.
ToolLookup toolsExcept(QStringList missing = {})
{
    return [missing](const QString& name) {
        return missing.contains(name) ? QString() : QStringLiteral("/usr/bin/") + name;
    };
}

struct Machine {
    CallLog log;
    FakeCommandRunner commands{log};
};

} // namespace

class LinuxSoundTest : public QObject {
    Q_OBJECT

private slots:
    void readsDefaultSinkVolumeAndMute()
    {
        Machine machine;
        machine.commands.answers.insert(pactl + QStringLiteral("get-sink-volume @DEFAULT_SINK@"),
                                        QStringLiteral("Volume: front-left: 42598 /  65% / -11.23 dB,   front-right: 39321 /  60% / -13.31 dB\n"
                                                       "        balance -0.08\n"));
        machine.commands.answers.insert(pactl + QStringLiteral("get-sink-mute @DEFAULT_SINK@"), QStringLiteral("Mute: yes\n"));
        LinuxSoundAndBrightness sound(machine.commands, toolsExcept());

        const VolumeState state = sound.readVolumeState();
        QCOMPARE(state.volume, std::optional<int>(65));
        QCOMPARE(state.muted, std::optional<bool>(true));
        QVERIFY(!state.alert);
        QCOMPARE(machine.commands.commands, QStringList({pactl + QStringLiteral("get-sink-volume @DEFAULT_SINK@"),
                                                         pactl + QStringLiteral("get-sink-mute @DEFAULT_SINK@")}));
    }

    void unusableSoundServerReadsAbsent()
    {
        Machine machine;
        machine.commands.answers.insert(pactl + QStringLiteral("get-sink-volume @DEFAULT_SINK@"),
                                        QStringLiteral("Connection failure: Connection refused\n"));
        machine.commands.answers.insert(pactl + QStringLiteral("get-sink-mute @DEFAULT_SINK@"),
                                        QStringLiteral("Connection failure: Connection refused\n"));
        LinuxSoundAndBrightness sound(machine.commands, toolsExcept());

        const VolumeState state = sound.readVolumeState();
        QVERIFY(!state.volume);
        QVERIFY(!state.muted);
        QVERIFY(!state.alert);
    }

    void notMuted()
    {
        Machine machine;
        machine.commands.answers.insert(pactl + QStringLiteral("get-sink-mute @DEFAULT_SINK@"), QStringLiteral("Mute: no"));
        LinuxSoundAndBrightness sound(machine.commands, toolsExcept());
        QCOMPARE(sound.readVolumeState().muted, std::optional<bool>(false));
    }

    void missingPactlRunsNothing()
    {
        Machine machine;
        LinuxSoundAndBrightness sound(machine.commands, toolsExcept({QStringLiteral("pactl")}));
        const VolumeState state = sound.readVolumeState();
        QVERIFY(!state.volume && !state.muted && !state.alert);
        sound.muteAll();
        sound.setOutputVolume(50);
        sound.setOutputMuted(false);
        QVERIFY(machine.commands.commands.isEmpty());
    }

    void withoutEnvPactlRunsDirectly()
    {
        Machine machine;
        LinuxSoundAndBrightness sound(machine.commands, toolsExcept({QStringLiteral("env")}));
        sound.setOutputMuted(true);
        QCOMPARE(machine.commands.commands, QStringList{QStringLiteral("/usr/bin/pactl set-sink-mute @DEFAULT_SINK@ 1")});
    }

    void muteAndRestoreCommandsInOrder()
    {
        Machine machine;
        LinuxSoundAndBrightness sound(machine.commands, toolsExcept());
        sound.muteAll();
        sound.setAlertVolume(50); // no alert volume here
        sound.setOutputVolume(150);
        sound.setOutputVolume(-5);
        sound.setOutputVolume(35);
        sound.setOutputMuted(false);
        QCOMPARE(machine.commands.commands, QStringList({
                                                pactl + QStringLiteral("set-sink-volume @DEFAULT_SINK@ 0%"),
                                                pactl + QStringLiteral("set-sink-mute @DEFAULT_SINK@ 1"),
                                                pactl + QStringLiteral("set-sink-volume @DEFAULT_SINK@ 100%"),
                                                pactl + QStringLiteral("set-sink-volume @DEFAULT_SINK@ 0%"),
                                                pactl + QStringLiteral("set-sink-volume @DEFAULT_SINK@ 35%"),
                                                pactl + QStringLiteral("set-sink-mute @DEFAULT_SINK@ 0"),
                                            }));
    }

    void parsesBacklightListing()
    {
        const auto devices = parseBacklightList(laptopBacklights + QStringLiteral("broken line\nbad,leds,x,0%,1\nzero,backlight,0,0%,0\n"));
        QCOMPARE(devices.size(), size_t(4));
        QCOMPARE(devices[1].name, QStringLiteral("intel_backlight"));
        QCOMPARE(devices[1].deviceClass, QStringLiteral("backlight"));
        QCOMPARE(devices[1].current, 9600);
        QCOMPARE(devices[1].maximum, 19200);
    }

    void readsScreenAndKeyboardBacklightAsFractions()
    {
        Machine machine;
        machine.commands.answers.insert(listBacklights, laptopBacklights);
        LinuxSoundAndBrightness sound(machine.commands, toolsExcept());

        QCOMPARE(sound.readBrightness(), std::optional<double>(0.5));
        QCOMPARE(sound.readKeyboardBrightness(), std::optional<double>(0.5));
        QCOMPARE(machine.commands.commands, QStringList({listBacklights, listBacklights}));
    }

    void writesInTheDevicesOwnSteps()
    {
        Machine machine;
        machine.commands.answers.insert(listBacklights, laptopBacklights);
        LinuxSoundAndBrightness sound(machine.commands, toolsExcept());

        sound.setBrightness(0.62);
        sound.setKeyboardBrightness(1.0);
        sound.setBrightness(7.0); // from an edited state file
        QCOMPARE(machine.commands.commands, QStringList({
                                                listBacklights,
                                                brightnessctl + QStringLiteral(" -d intel_backlight set 11904"),
                                                listBacklights,
                                                brightnessctl + QStringLiteral(" -d tpacpi::kbd_backlight set 2"),
                                                listBacklights,
                                                brightnessctl + QStringLiteral(" -d intel_backlight set 19200"),
                                            }));
    }

    void zeroBrightnessDarkensBothFromOneListing()
    {
        Machine machine;
        machine.commands.answers.insert(listBacklights, laptopBacklights);
        LinuxSoundAndBrightness sound(machine.commands, toolsExcept());

        sound.driveBrightnessToZero();
        QCOMPARE(machine.commands.commands, QStringList({
                                                listBacklights,
                                                brightnessctl + QStringLiteral(" -d intel_backlight set 0"),
                                                brightnessctl + QStringLiteral(" -d tpacpi::kbd_backlight set 0"),
                                            }));
    }

    void machineWithoutBacklights()
    {
        Machine machine;
        machine.commands.answers.insert(listBacklights, QStringLiteral("input3::capslock,leds,0,0%,1\n"));
        LinuxSoundAndBrightness sound(machine.commands, toolsExcept());

        QVERIFY(!sound.readBrightness());
        QVERIFY(!sound.readKeyboardBrightness());
        sound.driveBrightnessToZero();
        sound.setBrightness(0.5);
        QVERIFY(machine.commands.commands.filter(QStringLiteral(" set ")).isEmpty());
        QVERIFY(machine.commands.commands.contains(listBacklights));
    }

    void missingBrightnessctlRunsNothing()
    {
        Machine machine;
        LinuxSoundAndBrightness sound(machine.commands, toolsExcept({QStringLiteral("brightnessctl")}));
        QVERIFY(!sound.readBrightness());
        QVERIFY(!sound.readKeyboardBrightness());
        sound.setBrightness(0.5);
        sound.setKeyboardBrightness(0.5);
        sound.driveBrightnessToZero();
        QVERIFY(machine.commands.commands.isEmpty());
    }
};

QTEST_GUILESS_MAIN(LinuxSoundTest)
#include "tst_linuxsound.moc"
