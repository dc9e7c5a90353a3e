// The status menu and the hot keys: the texts that follow the mode and the
// language, every hand-made mode change, the timed presets and the mascot
// colours.

#include "support/AppFixture.h"

#include "app/MascotColors.h"
#include "engine/Constants.h"
#include "store/Color.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

Q_DECLARE_METATYPE(launcher::AwakeMode)
Q_DECLARE_METATYPE(launcher::AppLanguage)

namespace {

const QString batteryRefusal = QStringLiteral("当前是电池供电，已禁止进入挂机");

} // namespace

class StatusMenuTest : public QObject {
    Q_OBJECT
private slots:
    void textsFollowModeAndLanguage_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<AwakeMode>("mode");
        QTest::addColumn<QStringList>("texts"); // status, mode, elapsed, toggle
        QTest::newRow("english, off") << AppLanguage::english << AwakeMode::off
                                      << QStringList{"Status: idle", "Mode: white breathing light, normal use",
                                                     "Elapsed：00:00", "Enable awake mode"};
        QTest::newRow("english, normal") << AppLanguage::english << AwakeMode::normal
                                         << QStringList{"Status: awake mode active", "Mode: green breathing light, keep awake",
                                                        "Elapsed：01:02:05", "Disable awake mode"};
        QTest::newRow("chinese, forced")
            << AppLanguage::chinese << AwakeMode::forced
            << QStringList{"状态：强制挂机中，全黑遮罩 + 静音 + 保持唤醒",
                           "模式说明：全绿Pelvane，压暗屏幕/键盘灯，鼠标或键盘会自动恢复", "已挂机：01:02:05", "关闭挂机模式"};
    }
    void textsFollowModeAndLanguage()
    {
        QFETCH(AppLanguage, language);
        QFETCH(AwakeMode, mode);
        QFETCH(QStringList, texts);
        AppFixture f;
        f.state().language = language;
        if (mode != AwakeMode::off)
            f.state().enable(mode);
        f.fake.clock.advance(3725);
        f.delegate->configureMenu();
        f.delegate->updateUI();
        QStringList shown;
        for (int tag : {statusLineTag, modeLineTag, elapsedLineTag, toggleTag})
            shown << f.item(tag)->text();
        QCOMPARE(shown, texts);
        for (int tag : {statusLineTag, modeLineTag, elapsedLineTag, timerLineTag, versionTag, cancelTimerTag})
            QVERIFY2(!f.item(tag)->isEnabled(), qPrintable(QString::number(tag)));
    }

    void aLanguageChangeRetitlesAtOnceAndRebuildsOnRefresh()
    {
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        QCOMPARE(f.item(toggleTag)->text(), QString("关闭挂机模式"));
        f.state().language = AppLanguage::english;
        f.delegate->updateUI();
        QCOMPARE(f.item(toggleTag)->text(), QString("Disable awake mode"));
        QCOMPARE(f.item(timerLineTag)->text(), QString("Timer：Not set"));
        QVERIFY(f.find({"打开历史看板"})); // untagged items wait for the rebuild

        QMenu* before = f.delegate->menu();
        f.delegate->openHistoryFile();
        f.dashboard->actions.onRefreshRequested();
        QVERIFY(f.delegate->menu() != before);
        QCOMPARE(f.desktop.statusItem.menu, f.delegate->menu());
        QVERIFY(f.find({"Open dashboard"}));
        QVERIFY(f.find({"Timed forced mode", "Unlimited"}));
        QVERIFY(f.find({"Pelvane palette", "强制颜色", "湖蓝"}));
        QCOMPARE(f.item(toggleTag)->text(), QString("Disable awake mode")); // retitled right away
        QCOMPARE(f.dashboard->updates, 1);
    }

    void aClosedMenuIsCurrentWhenItOpens()
    {
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        f.state().language = AppLanguage::english;
        f.fake.clock.advance(0.5); // pulse steps only, no monitor tick
        QCOMPARE(f.item(toggleTag)->text(), QString("关闭挂机模式"));
        emit f.delegate->menu()->aboutToShow();
        QCOMPARE(f.item(toggleTag)->text(), QString("Disable awake mode"));
        f.state().language = AppLanguage::chinese;
        f.fake.clock.advance(0.5);
        QCOMPARE(f.item(toggleTag)->text(), QString("关闭挂机模式")); // the monitor tick
    }

    void cancelTimerIsEnabledOnlyWithAStop()
    {
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        QAction* cancel = f.item(cancelTimerTag);
        QVERIFY(!cancel->isEnabled());
        f.state().scheduleAutoDisable(600);
        f.delegate->updateUI();
        QVERIFY(cancel->isEnabled());
        QCOMPARE(f.item(timerLineTag)->text(), QString("定时：剩余 10:00"));
        cancel->trigger();
        QVERIFY(!cancel->isEnabled());
        QVERIFY(!f.state().scheduledStopAt);
        QCOMPARE(f.state().mode, AwakeMode::normal);
        QCOMPARE(f.desktop.desktop.toast.text, QString("已取消定时关闭"));
    }

    void actionsOfTheMenu()
    {
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();

        f.find({"打开状态文件夹"})->trigger();
        QCOMPARE(f.desktop.desktop.opened, std::vector<QUrl>{QUrl::fromLocalFile(f.state().supportDirectory)});

        QAction* mute = f.item(muteInForcedTag);
        QVERIFY(mute->isChecked());
        mute->trigger();
        QVERIFY(!f.state().muteInForced);
        QVERIFY(!mute->isChecked());
        QVERIFY(readFile(f.state().prefsFile).contains(R"("muteInForced": false)"));

        f.item(launchAtLoginTag)->trigger();
        QVERIFY(f.state().launchAtLoginInstalled());
        QCOMPARE(f.item(launchAtLoginTag)->text(), QString("关闭开机自动启动"));
        QFile::remove(f.state().launchAgentPath); // removed behind the program's back
        f.delegate->updateUI();
        QCOMPARE(f.item(launchAtLoginTag)->text(), QString("开启开机自动启动"));

        QCOMPARE(f.find({"退出"})->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        f.find({"关闭挂机"})->trigger();
        QCOMPARE(f.state().mode, AwakeMode::off);
        QCOMPARE(f.history().back().note, QString("恢复正常模式"));
    }

    // Menu items act once the menu has closed, hot keys on the next turn of
    // the event loop; neither inside the callback that reported them.
    void modeChangesByHand_data()
    {
        QTest::addColumn<int>("tag"); // 0: the hot key
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<double>("delay");
        QTest::addColumn<AwakeMode>("from");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<AwakeMode>("to");
        const auto row = [](const char* name, int tag, quint32 key, AwakeMode from, bool refused, AwakeMode to) {
            const double delay = tag == toggleTag ? 0.06 : tag == startForcedTag ? 0.18 : 0.0;
            QTest::newRow(name) << tag << key << delay << from << refused << to;
        };
        const AwakeMode off = AwakeMode::off, normal = AwakeMode::normal, forced = AwakeMode::forced;
        row("toggle from off", toggleTag, 0, off, false, normal);
        row("toggle from off, refused", toggleTag, 0, off, true, off);
        row("toggle in normal", toggleTag, 0, normal, false, off);
        row("toggle in forced stops, not to normal", toggleTag, 0, forced, false, off);
        row("start forced, refused", startForcedTag, 0, off, true, off);
        row("L from off", 0, 37, off, false, normal);
        row("L from off, conditions ignored", 0, 37, off, true, normal);
        row("L in normal", 0, 37, normal, false, off);
        row("L in forced", 0, 37, forced, false, normal);
        row("F from off", 0, 3, off, false, forced);
        row("F from off, refused", 0, 3, off, true, off);
        row("F in normal", 0, 3, normal, false, forced);
        row("F in forced", 0, 3, forced, false, off);
        row("0 in off", 0, 29, off, false, off);
        row("0 in normal", 0, 29, normal, false, off);
        row("0 in forced", 0, 29, forced, false, off);
    }
    void modeChangesByHand()
    {
        QFETCH(int, tag);
        QFETCH(quint32, keyCode);
        QFETCH(double, delay);
        QFETCH(AwakeMode, from);
        QFETCH(bool, refused);
        QFETCH(AwakeMode, to);
        AppFixture f;
        f.launchInMode(from);
        if (refused)
            f.refuseOnBattery();
        const size_t entries = f.history().size();

        if (tag)
            f.item(tag)->trigger();
        else
            QVERIFY(f.desktop.hotKeys.press(keyCode, hotKeyControlOption));
        QCOMPARE(f.state().mode, from);
        if (delay > 0) {
            f.fake.clock.advance(delay - 0.01);
            QCOMPARE(f.state().mode, from);
            QVERIFY(f.desktop.desktop.toast.text.isEmpty());
            f.fake.clock.advance(0.01);
        } else {
            f.fake.clock.advance(0);
        }
        QCOMPARE(f.state().mode, to);
        QVERIFY(!f.state().scheduledStopAt);

        const bool refusal = refused && to == AwakeMode::off;
        QCOMPARE(f.desktop.desktop.toast.text, refusal ? batteryRefusal : QString());
        QCOMPARE(f.desktop.desktop.toast.shown, refusal);
        QCOMPARE(f.dashboard->settingsTabShows, refusal ? 1 : 0);
        if (to == AwakeMode::off && from != AwakeMode::off) {
            QCOMPARE(f.history().size(), entries + 1);
            QCOMPARE(f.history().back().action, QString("disable"));
            QCOMPARE(f.history().back().note, QString("恢复正常模式"));
        }
        if (refusal || to == AwakeMode::forced) {
            f.fake.clock.advance(1.0); // the checks of forced mode keep it; nothing retries a refusal
            QCOMPARE(f.state().mode, to);
        }
        if (refusal) {
            QCOMPARE(f.dashboard->opens, 1);
            QCOMPARE(f.history().size(), entries);
            QCOMPARE(f.fake.keepAwake.launches.size(), size_t(1)); // the launch's own
        }
    }

    // --- timed presets

    void presetCatalogue()
    {
        AppFixture f;
        f.delegate->configureMenu();
        const QList<QAction*> timed = f.find({"定时强制挂机"})->menu()->actions();
        QCOMPARE(timed.size(), 10);
        const std::pair<int, TimedPresetChoice> samples[] = {
            {0, {AwakeMode::forced, 900}}, {8, {AwakeMode::forced, 604800}}, {9, {AwakeMode::forced, std::nullopt}}};
        for (const auto& [index, choice] : samples)
            QCOMPARE(timed[index]->data().value<TimedPresetChoice>(), choice);
        QCOMPARE(timed.first()->text(), QString("15 分钟"));
        f.state().language = AppLanguage::english;
        f.delegate->configureMenu();
        const QList<QAction*> english = f.find({"Timed awake"})->menu()->actions();
        QCOMPARE(english.last()->text(), QString("Unlimited"));
        QCOMPARE(english.first()->data().value<TimedPresetChoice>(), (TimedPresetChoice{AwakeMode::normal, 900}));
    }

    // Each replaces the stop already set; a refused start still times the mode that runs.
    void timedPresets_data()
    {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<AwakeMode>("mode");
        QTest::addColumn<double>("stopIn"); // 0: no stop
        QTest::addColumn<QString>("timerLine");
        QTest::newRow("two hours") << QStringList{"定时挂机", "2 小时"} << false << AwakeMode::normal << 7200.0
                                   << "定时：剩余 02:00:00";
        QTest::newRow("unlimited") << QStringList{"定时挂机", "无限"} << false << AwakeMode::normal << 0.0 << "定时：未设置";
        QTest::newRow("forced, from normal") << QStringList{"定时强制挂机", "15 分钟"} << false << AwakeMode::forced << 900.0
                                             << "定时：剩余 15:00";
        QTest::newRow("forced, refused") << QStringList{"定时强制挂机", "1 小时"} << true << AwakeMode::normal << 3600.0
                                         << "定时：剩余 01:00:00";
    }
    void timedPresets()
    {
        QFETCH(QStringList, path);
        QFETCH(bool, refused);
        QFETCH(AwakeMode, mode);
        QFETCH(double, stopIn);
        QFETCH(QString, timerLine);
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        f.state().scheduleAutoDisable(600);
        if (refused)
            f.refuseOnBattery();
        f.find(path)->trigger();
        QCOMPARE(f.state().mode, mode);
        QCOMPARE(f.state().scheduledStopAt, stopIn ? std::optional(f.fake.clock.now() + stopIn) : std::nullopt);
        QCOMPARE(f.item(timerLineTag)->text(), timerLine);
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(mode == AwakeMode::forced ? 2 : 1));
        QCOMPARE(f.dashboard->settingsTabShows, refused ? 1 : 0);
        QCOMPARE(f.desktop.desktop.toast.text, refused ? batteryRefusal : QString());
        if (mode == AwakeMode::forced)
            QCOMPARE(f.desktop.statusItem.title, QString("T-15:00"));
        if (!stopIn || refused)
            return;
        f.fake.clock.advance(stopIn);
        QCOMPARE(f.state().mode, AwakeMode::off);
        QVERIFY(f.history().back().note.startsWith("定时结束，自动恢复正常模式"));
        QVERIFY(f.desktop.desktop.toast.text.startsWith("定时挂机结束，已恢复正常界面"));
    }

    void theSamePresetTwiceRestartsTheCountdownOnly()
    {
        AppFixture f;
        f.delegate->configureMenu();
        QAction* hour = f.find({"定时挂机", "1 小时"});
        hour->trigger();
        f.fake.clock.advance(600);
        hour->trigger();
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(1));
        QCOMPARE(f.history().size(), size_t(1));
        f.fake.clock.advance(3599);
        QCOMPARE(f.state().mode, AwakeMode::normal);
        f.fake.clock.advance(1);
        QCOMPARE(f.state().mode, AwakeMode::off);
    }

    void malformedPresetObjectsAreIgnored_data()
    {
        QTest::addColumn<QVariant>("object");
        QTest::newRow("absent") << QVariant();
        QTest::newRow("a number") << QVariant(7200);
        QTest::newRow("a string") << QVariant(QStringLiteral("normal|7200"));
        QTest::newRow("mode off") << QVariant::fromValue(TimedPresetChoice{AwakeMode::off, 60});
    }
    void malformedPresetObjectsAreIgnored()
    {
        QFETCH(QVariant, object);
        AppFixture f;
        f.delegate->configureMenu();
        f.state().scheduleAutoDisable(600);
        f.delegate->enableTimedPreset(object);
        QCOMPARE(f.state().mode, AwakeMode::off);
        QVERIFY(f.fake.keepAwake.launches.empty());
        QCOMPARE(f.state().scheduledStopAt, std::optional(f.fake.clock.now() + 600));
    }

    // --- mascot colours

    void colorPresets_data()
    {
        QTest::addColumn<QVariant>("object");
        QTest::addColumn<QString>("hang"); // both empty: ignored
        QTest::addColumn<QString>("forced");
        const QString green = colorToHex(activePelvaneGreen());
        QTest::newRow("forced lake blue") << QVariant("forced|#73DDF3") << "#B896FF" << "#73DDF3";
        QTest::newRow("hang white") << QVariant("hang|#FFFFFF") << "#FFFFFF" << "#FFB347";
        QTest::newRow("unreadable colour gives green") << QVariant("forced|#FFB34") << "#B896FF" << green;
        QTest::newRow("no colour part") << QVariant("hang") << "" << "";
        QTest::newRow("three parts") << QVariant("hang|#FFFFFF|x") << "" << "";
        QTest::newRow("unknown target") << QVariant("Hang|#FFFFFF") << "" << "";
        QTest::newRow("not a string") << QVariant(0xFFFFFF) << "" << "";
    }
    void colorPresets()
    {
        QFETCH(QVariant, object);
        QFETCH(QString, hang);
        QFETCH(QString, forced);
        AppFixture f;
        f.state().setPelvaneColor(QColor("#FFB347"), PelvaneColorTarget::forced);
        f.state().setPelvaneColor(QColor("#B896FF"), PelvaneColorTarget::hang);
        const QByteArray prefs = readFile(f.state().prefsFile);
        f.delegate->applyColorPreset(object);
        const bool ignored = hang.isEmpty();
        QCOMPARE(colorToHex(f.state().hangPelvaneColor), ignored ? QString("#B896FF") : hang);
        QCOMPARE(colorToHex(f.state().forcedPelvaneColor), ignored ? QString("#FFB347") : forced);
        QCOMPARE(readFile(f.state().prefsFile) == prefs, ignored);
    }

    void paletteItemsAndTheCustomPanel()
    {
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        f.find({"Pelvane调色盘", "强制颜色", "湖蓝"})->trigger();
        QCOMPARE(colorToHex(f.state().forcedPelvaneColor), QString("#73DDF3"));
        f.find({"Pelvane调色盘", "挂机颜色", "紫色"})->trigger();
        f.find({"Pelvane调色盘", "挂机颜色", "自定义颜色…"})->trigger();
        QCOMPARE(f.desktop.colorPanel.opens, 1);
        QCOMPARE(colorToHex(f.desktop.colorPanel.openedWith), QString("#B896FF"));
        QCOMPARE(f.desktop.desktop.activations, 1);

        // The glyph follows the panel live in normal mode.
        const int images = f.desktop.statusItem.imageSets;
        for (const char* colour : {"#FF0000", "#00FF00"}) {
            f.desktop.colorPanel.change(QColor(colour));
            QCOMPARE(colorToHex(f.state().hangPelvaneColor), QString(colour));
            QVERIFY(readFile(f.state().prefsFile).contains(colour));
        }
        QCOMPARE(f.desktop.statusItem.imageSets, images + 2);

        f.delegate->openCustomColorPanel(QStringLiteral("neither"));
        QCOMPARE(f.desktop.colorPanel.opens, 1);
        f.delegate->openCustomColorPanel(QStringLiteral("forced"));
        f.desktop.colorPanel.change(QColor("#0000FF"));
        QCOMPARE(colorToHex(f.state().forcedPelvaneColor), QString("#0000FF"));
        QCOMPARE(colorToHex(f.state().hangPelvaneColor), QString("#00FF00"));
    }
};

QTEST_MAIN(StatusMenuTest)
#include "tst_statusmenu.moc"
