#include "platform/macos/MacSoundAndBrightness.h"
#include "support/FakePlatform.h"

#include <QTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

const QString readSoundCommand = QStringLiteral(
    "/usr/bin/osascript -e output volume of (get volume settings) & \"|\" & output muted of (get volume settings) "
    "& \"|\" & alert volume of (get volume settings)");

QString script(const char* text)
{
    return QStringLiteral("/usr/bin/osascript -e ") + QLatin1String(text);
}

std::optional<int> maybe(int value)
{
    return value < 0 ? std::nullopt : std::optional<int>(value);
}

} // namespace

class MacSoundTest : public QObject {
    Q_OBJECT

private slots:
    void readsTheSoundReport_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("volume"); // -1: absent
        QTest::addColumn<int>("muted");  // -1: absent, 0 false, 1 true
        QTest::addColumn<int>("alert");

        QTest::newRow("all three") << "35|true|50\n" << 35 << 1 << 50;
        QTest::newRow("not muted") << "80|false|100" << 80 << 0 << 100;
        QTest::newRow("muted in capitals") << "80|TRUE|100" << 80 << 1 << 100;
        QTest::newRow("volume only") << "35" << 35 << -1 << -1;
        QTest::newRow("empty output") << "" << -1 << -1 << -1;
        QTest::newRow("empty pieces are kept") << "|true|" << -1 << 1 << -1;
        QTest::newRow("missing value for the mute flag") << "35|missing value|50" << 35 << 0 << 50;
        QTest::newRow("words are no volume") << "loud|false|quiet" << -1 << 0 << -1;
        QTest::newRow("error text") << "execution error: not allowed (-1743)" << -1 << -1 << -1;
    }

    void readsTheSoundReport()
    {
        QFETCH(QString, output);
        QFETCH(int, volume);
        QFETCH(int, muted);
        QFETCH(int, alert);

        CallLog log;
        FakeCommandRunner commands(log);
        commands.answers.insert(readSoundCommand, output);
        MacSoundAndBrightness sound(commands);

        const VolumeState state = sound.readVolumeState();
        QCOMPARE(commands.commands, QStringList{readSoundCommand});
        QCOMPARE(state.volume, maybe(volume));
        QCOMPARE(state.muted, muted < 0 ? std::nullopt : std::optional<bool>(muted == 1));
        QCOMPARE(state.alert, maybe(alert));
    }

    void unreadableSoundIsAllAbsent()
    {
        CallLog log;
        FakeCommandRunner commands(log);
        MacSoundAndBrightness sound(commands);
        const VolumeState state = sound.readVolumeState();
        QVERIFY(!state.volume && !state.muted && !state.alert);
    }

    void mutesAlertThenOutputThenMuteFlag()
    {
        CallLog log;
        FakeCommandRunner commands(log);
        MacSoundAndBrightness sound(commands);
        sound.muteAll();
        QCOMPARE(commands.commands,
                 QStringList({script("set volume alert volume 0"), script("set volume output volume 0"),
                              script("set volume with output muted")}));
    }

    void restoresVolumesClampedAndTheMuteFlag()
    {
        CallLog log;
        FakeCommandRunner commands(log);
        MacSoundAndBrightness sound(commands);
        sound.setOutputVolume(42);
        sound.setOutputVolume(150);
        sound.setAlertVolume(-5);
        sound.setOutputMuted(true);
        sound.setOutputMuted(false);
        QCOMPARE(commands.commands,
                 QStringList({script("set volume output volume 42"), script("set volume output volume 100"),
                              script("set volume alert volume 0"), script("set volume with output muted"),
                              script("set volume without output muted")}));
    }

    void readsScreenBrightness_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<double>("expected"); // negative: absent

        QTest::newRow("tool listing") << "display 0: main, active, awake, online, built-in, ID 0x1\n"
                                         "display 0: brightness 0.620000\n" << 0.62;
        QTest::newRow("short form") << "brightness 0.62" << 0.62;
        QTest::newRow("whole number") << "brightness 1" << 1.0;
        QTest::newRow("leading point") << "brightness .5" << 0.5;
        QTest::newRow("first display counts") << "brightness 0.3\nbrightness 0.9" << 0.3;
        QTest::newRow("no number") << "brightness unknown" << -1.0;
        QTest::newRow("failed to get brightness") << "display 0: failed to get brightness of display 0x1 (error -536870201)" << -1.0;
        QTest::newRow("nothing printed") << "" << -1.0;
    }

    void readsScreenBrightness()
    {
        QFETCH(QString, output);
        QFETCH(double, expected);

        CallLog log;
        FakeCommandRunner commands(log);
        commands.answers.insert(QStringLiteral("/opt/homebrew/bin/brightness -l"), output);
        MacSoundAndBrightness sound(commands);

        const std::optional<double> value = sound.readBrightness();
        QCOMPARE(commands.commands, QStringList{QStringLiteral("/opt/homebrew/bin/brightness -l")});
        QCOMPARE(value, expected < 0 ? std::nullopt : std::optional<double>(expected));
    }

    void readsKeyboardBrightness_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<double>("expected"); // negative: absent

        QTest::newRow("plain") << "Current brightness: 0.55\n" << 0.55;
        QTest::newRow("no space after the colon") << "Current brightness:0.25" << 0.25;
        QTest::newRow("negative is unknown") << "Current brightness: -1.000000" << -1.0;
        QTest::newRow("other text") << "No keyboard backlight found" << -1.0;
        QTest::newRow("nothing printed") << "" << -1.0;
    }

    void readsKeyboardBrightness()
    {
        QFETCH(QString, output);
        QFETCH(double, expected);

        CallLog log;
        FakeCommandRunner commands(log);
        commands.answers.insert(QStringLiteral("/opt/homebrew/bin/mac-brightnessctl"), output);
        MacSoundAndBrightness sound(commands);

        const std::optional<double> value = sound.readKeyboardBrightness();
        QCOMPARE(commands.commands, QStringList{QStringLiteral("/opt/homebrew/bin/mac-brightnessctl")});
        QCOMPARE(value, expected < 0 ? std::nullopt : std::optional<double>(expected));
    }

    void brightnessTextReadsBackExactly_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");

        QTest::newRow("half") << 0.5 << "0.5";
        QTest::newRow("one") << 1.0 << "1.0";
        QTest::newRow("zero") << 0.0 << "0.0";
        QTest::newRow("two digits") << 0.62 << "0.62";
        QTest::newRow("sum with a rounding error") << 0.1 + 0.2 << "0.30000000000000004";
        QTest::newRow("third") << 1.0 / 3.0 << "0.3333333333333333";
        QTest::newRow("tiny, no exponent") << 0.00001 << "0.00001";
    }

    void brightnessTextReadsBackExactly()
    {
        QFETCH(double, value);
        QFETCH(QString, text);

        const std::optional<QString> written = brightnessArgument(value);
        QCOMPARE(written, std::optional<QString>(text));
        QCOMPARE(written->toDouble(), value);
    }

    void brightnessTextRefusesWhatIsNoNumber()
    {
        QVERIFY(!brightnessArgument(std::numeric_limits<double>::quiet_NaN()));
        QVERIFY(!brightnessArgument(std::numeric_limits<double>::infinity()));
    }

    void writesBrightnessAsTheOnlyArgument()
    {
        CallLog log;
        FakeCommandRunner commands(log);
        MacSoundAndBrightness sound(commands);
        sound.setBrightness(0.62);
        sound.setKeyboardBrightness(1.0);
        sound.setBrightness(std::numeric_limits<double>::quiet_NaN());
        QCOMPARE(commands.commands, QStringList({QStringLiteral("/opt/homebrew/bin/brightness 0.62"),
                                                 QStringLiteral("/opt/homebrew/bin/mac-brightnessctl 1.0")}));
    }

    void zeroBrightnessRunsTheFiveCommandsInOrder()
    {
        CallLog log;
        FakeCommandRunner commands(log);
        MacSoundAndBrightness sound(commands);
        sound.driveBrightnessToZero();
        QCOMPARE(commands.commands, QStringList({
                                        QStringLiteral("/opt/homebrew/bin/brightness 0"),
                                        QStringLiteral("/opt/homebrew/bin/brightness 0.0"),
                                        QStringLiteral("/opt/homebrew/bin/brightness -v 0.0"),
                                        QStringLiteral("/opt/homebrew/bin/mac-brightnessctl -a 0"),
                                        QStringLiteral("/opt/homebrew/bin/mac-brightnessctl 0.0"),
                                    }));
    }
};

QTEST_GUILESS_MAIN(MacSoundTest)
#include "tst_macsound.moc"
