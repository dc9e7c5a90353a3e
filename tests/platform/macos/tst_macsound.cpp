#include "platform/macos/MacSoundAndBrightness.h"
#include "support/FakePlatform.h"

#include <QTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

const QString osascript = QStringLiteral("/usr/bin/osascript -e ");
const QString readSound = osascript + QStringLiteral(
    "output volume of (get volume settings) & \"|\" & output muted of (get volume settings) "
    "& \"|\" & alert volume of (get volume settings)");
const QString brightness = QStringLiteral("/opt/homebrew/bin/brightness");
const QString keyboard = QStringLiteral("/opt/homebrew/bin/mac-brightnessctl");

} // namespace

class MacSoundTest : public QObject {
    Q_OBJECT

private slots:
    void commandLinesWordForWordAndInOrder()
    {
        CallLog log;
        FakeCommandRunner commands(log);
        MacSoundAndBrightness sound(commands);
        sound.readVolumeState();
        sound.muteAll();
        sound.setOutputVolume(42);
        sound.setAlertVolume(7);
        sound.setOutputMuted(true);
        sound.setOutputMuted(false);
        sound.driveBrightnessToZero();
        sound.readBrightness();
        sound.readKeyboardBrightness();
        sound.setBrightness(0.62);
        sound.setKeyboardBrightness(1.0);
        sound.setBrightness(std::numeric_limits<double>::quiet_NaN()); // no number, no command
        QCOMPARE(commands.commands,
                 QStringList({readSound, osascript + "set volume alert volume 0", osascript + "set volume output volume 0",
                              osascript + "set volume with output muted", osascript + "set volume output volume 42",
                              osascript + "set volume alert volume 7",
                              osascript + "set volume with output muted", osascript + "set volume without output muted",
                              brightness + " 0", brightness + " 0.0", brightness + " -v 0.0", keyboard + " -a 0",
                              keyboard + " 0.0", brightness + " -l", keyboard, brightness + " 0.62", keyboard + " 1.0"}));
        // Only the dimming runs on every tick of forced mode.
        std::vector<std::chrono::milliseconds> limits(17, defaultCommandTimeLimit);
        std::fill(limits.begin() + 8, limits.begin() + 13, perTickCommandTimeLimit);
        QCOMPARE(commands.timeLimits, limits);
    }

    void readsTheSoundReport()
    {
        // A null output: the script could not run.
        struct Case { const char* output; std::optional<int> volume; std::optional<bool> muted; std::optional<int> alert; };
        const Case cases[] = {
            {"35|true|50\n", 35, true, 50},
            {"35", 35, std::nullopt, std::nullopt},
            {"", std::nullopt, std::nullopt, std::nullopt},
            {nullptr, std::nullopt, std::nullopt, std::nullopt},
            {"80|TRUE|100", 80, true, 100},
            {"|true|", std::nullopt, true, std::nullopt}, // empty pieces are kept
            {"35|missing value|50", 35, false, 50},
        };
        for (const auto& each : cases) {
            CallLog log;
            FakeCommandRunner commands(log);
            if (each.output)
                commands.answers.insert(readSound, QString::fromUtf8(each.output));
            const VolumeState state = MacSoundAndBrightness(commands).readVolumeState();
            QVERIFY2(state.volume == each.volume && state.muted == each.muted && state.alert == each.alert,
                     each.output ? each.output : "no output");
        }
    }

    void readsBrightness()
    {
        struct Case { bool ofKeyboard; const char* output; std::optional<double> value; };
        const Case cases[] = {
            {false, "display 0: main, active, awake, online, built-in, ID 0x1\ndisplay 0: brightness 0.620000\n", 0.62},
            {false, "brightness 1", 1.0},
            {false, "brightness .5", 0.5},
            {false, "brightness 0.3\nbrightness 0.9", 0.3}, // the first display counts
            {false, "display 0: failed to get brightness of display 0x1 (error -536870201)", std::nullopt},
            {true, "Current brightness: 0.55\n", 0.55},
            {true, "Current brightness:0.25", 0.25},
            {true, "Current brightness: -1.000000", std::nullopt}, // negative means unknown
            {true, "No keyboard backlight found", std::nullopt},
        };
        for (const auto& each : cases) {
            CallLog log;
            FakeCommandRunner commands(log);
            commands.answers.insert(each.ofKeyboard ? keyboard : brightness + " -l", QString::fromUtf8(each.output));
            MacSoundAndBrightness sound(commands);
            QVERIFY2((each.ofKeyboard ? sound.readKeyboardBrightness() : sound.readBrightness()) == each.value, each.output);
        }
    }

    void brightnessTextReadsBackExactly()
    {
        const std::pair<double, const char*> cases[] = {
            {0.5, "0.5"}, {1.0, "1.0"}, {0.62, "0.62"}, {0.1 + 0.2, "0.30000000000000004"}, {0.00001, "0.00001"}};
        for (const auto& [value, text] : cases) {
            const std::optional<QString> written = brightnessArgument(value);
            QCOMPARE(written, std::optional<QString>(QLatin1String(text)));
            QCOMPARE(written->toDouble(), value);
        }
    }
};

QTEST_GUILESS_MAIN(MacSoundTest)
#include "tst_macsound.moc"
