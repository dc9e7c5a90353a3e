// The macOS adapters' command lines and the parsing of what the tools say.

#include "platform/LaunchAgentLabel.h"
#include "platform/macos/MacDisplaySleep.h"
#include "platform/macos/MacKeyCodes.h"
#include "platform/macos/MacLaunchAgent.h"
#include "platform/macos/MacPower.h"
#include "platform/macos/MacSoundAndBrightness.h"
#include "support/FakePlatform.h"
#include "support/Files.h"

#include <QFileInfo>
#include <QtTest>

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

class MacAdaptersTest : public QObject {
    Q_OBJECT
private slots:
    void powerReportGivesSourceAndPercent()
    {
        struct Case { const char* output; PowerSourceKind source; std::optional<int> percent; };
        const Case cases[] = {
            {"Now drawing from 'AC Power'\n -InternalBattery-0 (id=4653155)\t100%; charged; 0:00 remaining present: true\n",
             PowerSourceKind::ac, 100},
            {"Now drawing from 'Battery Power'\n -InternalBattery-0 (id=4653155)\t5%; discharging; 0:12 remaining",
             PowerSourceKind::battery, 5},
            {"InternalBattery-0 charged", PowerSourceKind::ac, std::nullopt},
            {"No batteries here", PowerSourceKind::unknown, std::nullopt},
        };
        for (const auto& each : cases) {
            const PowerSnapshot snapshot = parsePowerReport(QString::fromUtf8(each.output));
            QVERIFY2(snapshot.source == each.source && snapshot.batteryPercent == each.percent, each.output);
        }
    }

    void assertionsShowVideo_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("video");
        QTest::newRow("display held") << "PreventUserIdleDisplaySleep 1" << true;
        QTest::newRow("decoder") << "pid 391(VTDecoderXPCService): [0x1] NoDisplaySleepAssertion" << true;
        QTest::newRow("nothing") << "" << false;
    }
    void assertionsShowVideo()
    {
        QFETCH(QString, output);
        QFETCH(bool, video);
        QCOMPARE(launcher::assertionsShowVideo(output), video);
    }

    // Qt's Meta is the Control key on macOS.
    void combinationsAsCarbonNamesThem()
    {
        QCOMPARE(carbonKeyCombination(Qt::Key_L, Qt::MetaModifier | Qt::AltModifier),
                 (CarbonKeyCombination{0x25, 0x1800}));
        QCOMPARE(carbonKeyCombination(Qt::Key_0, Qt::ControlModifier | Qt::ShiftModifier),
                 (CarbonKeyCombination{0x1D, 0x0300}));
        QCOMPARE(carbonKeyCombination(Qt::Key_Space, Qt::MetaModifier), std::nullopt);
    }

    void pmsetAskedAnewEachTime()
    {
        CallLog log;
        FakeCommandRunner commands(log);
        MacPower power(commands);
        QCOMPARE(power.currentPowerSnapshot().source, PowerSourceKind::unknown); // the tool could not run
        commands.answers.insert(QStringLiteral("/usr/bin/pmset -g batt"), QStringLiteral("'AC Power'\n -Battery-0\t97%; charging"));
        commands.answers.insert(QStringLiteral("/usr/bin/pmset -g assertions"), QStringLiteral("PreventUserIdleDisplaySleep 1"));
        QCOMPARE(power.currentPowerSnapshot().batteryPercent, std::optional<int>(97));
        QVERIFY(power.isVideoPlaying());
        runDisplaySleepCommand(commands);
        QCOMPARE(commands.commands.last(), QStringLiteral("/usr/bin/pmset displaysleepnow"));
        // The snapshot is read every second and display sleep is a timer's work; the movie test runs at a start.
        QCOMPARE(commands.timeLimits,
                 (std::vector{perTickCommandTimeLimit, perTickCommandTimeLimit, defaultCommandTimeLimit, perTickCommandTimeLimit}));
    }

    void soundAndBrightnessCommandLinesInOrder()
    {
        CallLog log;
        FakeCommandRunner commands(log);
        MacSoundAndBrightness sound(commands);
        sound.readVolumeState();
        sound.muteAll();
        sound.setOutputVolume(42);
        sound.setAlertVolume(7);
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
                              osascript + "set volume alert volume 7", osascript + "set volume without output muted",
                              brightness + " 0", brightness + " 0.0", brightness + " -v 0.0", keyboard + " -a 0",
                              keyboard + " 0.0", brightness + " -l", keyboard, brightness + " 0.62", keyboard + " 1.0"}));
        // Only the dimming runs on every tick of forced mode.
        std::vector<std::chrono::milliseconds> limits(16, defaultCommandTimeLimit);
        std::fill(limits.begin() + 7, limits.begin() + 12, perTickCommandTimeLimit);
        QCOMPARE(commands.timeLimits, limits);
    }

    void soundReportKeepsItsEmptyPieces()
    {
        struct Case { const char* output; std::optional<int> volume; std::optional<bool> muted; std::optional<int> alert; };
        const Case cases[] = {
            {"35|true|50\n", 35, true, 50},
            {"|true|", std::nullopt, true, std::nullopt},
            {"35|missing value|50", 35, false, 50},
        };
        for (const auto& each : cases) {
            const VolumeState state = parseVolumeReport(QString::fromUtf8(each.output));
            QVERIFY2(state.volume == each.volume && state.muted == each.muted && state.alert == each.alert, each.output);
        }
    }

    void brightnessReadFromEitherTool()
    {
        struct Case { bool ofKeyboard; const char* output; std::optional<double> value; };
        const Case cases[] = {
            {false, "display 0: main, active, awake, online, built-in, ID 0x1\ndisplay 0: brightness 0.620000\n", 0.62},
            {true, "Current brightness: 0.55\n", 0.55},
            {true, "Current brightness: -1.000000", std::nullopt}, // negative means unknown
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
        for (const auto& [value, text] : {std::pair(1.0, "1.0"), {0.1 + 0.2, "0.30000000000000004"}, {0.00001, "0.00001"}}) {
            const std::optional<QString> written = brightnessArgument(value);
            QCOMPARE(written, std::optional<QString>(QLatin1String(text)));
            QCOMPARE(written->toDouble(), value);
        }
    }

    void launchAgentInstalledTwiceThenRemoved()
    {
        FakePlatform fake;
        fake.environment.uid = 2042;
        MacLaunchAgent agent(fake.environment, fake.commands);
        const QString plist = fake.homeDir.path() + QStringLiteral("/Library/LaunchAgents/") + launchAgentLabel
            + QStringLiteral(".plist");
        const QString bootout = QStringLiteral("/bin/launchctl bootout gui/2042 ") + plist;
        const QString bootstrap = QStringLiteral("/bin/launchctl bootstrap gui/2042 ") + plist;
        agent.uninstall(); // nothing installed: only the bootout
        // Each install rewrites the file and reloads the agent.
        agent.install(QStringLiteral("/Applications/a.app/a"));
        // Markup in the path stays text.
        agent.install(QStringLiteral("/Applications/Tom & Jerry's <1>.app/launcher"));
        QVERIFY(readFile(plist).contains("<array>\n    <string>/Applications/Tom &amp; Jerry's &lt;1&gt;.app/launcher</string>\n"));
        QVERIFY(readFile(plist).contains("<key>Label</key><string>" + launchAgentLabel.toUtf8() + "</string>"));
        QVERIFY(readFile(plist).contains("<key>RunAtLoad</key><true/>"));
        agent.uninstall();
        QVERIFY(!QFileInfo::exists(plist));
        QCOMPARE(fake.commands.commands, (QStringList{bootout, bootout, bootstrap, bootout, bootstrap, bootout}));
    }

    // launchd ends the processes of a job it unloads: the copy it started
    // must not unload its own job, whichever way the item is switched.
    void copyStartedByTheAgentNeverUnloadsItsOwnJob()
    {
        FakePlatform fake;
        fake.environment.uid = 501;
        fake.environment.variables.insert(QStringLiteral("XPC_SERVICE_NAME"), launchAgentLabel);
        QVERIFY(startedByLaunchAgent(fake.environment));
        MacLaunchAgent agent(fake.environment, fake.commands);
        const QString plist = agent.itemPath();
        agent.install(QStringLiteral("/Applications/launcher.app/Contents/MacOS/launcher"));
        QVERIFY(QFileInfo::exists(plist));
        agent.uninstall();
        QVERIFY(!QFileInfo::exists(plist));
        QCOMPARE(fake.commands.commands, QStringList{QStringLiteral("/bin/launchctl bootstrap gui/501 ") + plist});

        // Another job's name, or a prefix of ours, is not ours.
        for (const QString& other : {QStringLiteral("com.apple.Terminal"), QStringLiteral("org.pelvanewakehold")}) {
            fake.environment.variables.insert(QStringLiteral("XPC_SERVICE_NAME"), other);
            QVERIFY(!startedByLaunchAgent(fake.environment));
        }
        fake.commands.commands.clear();
        agent.uninstall();
        QCOMPARE(fake.commands.commands, QStringList{QStringLiteral("/bin/launchctl bootout gui/501 ") + plist});
    }
};

QTEST_GUILESS_MAIN(MacAdaptersTest)
#include "tst_macadapters.moc"
