// The status menu: its texts in both languages, its actions, the timed
// presets and the mascot colours.

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

// The tagged items in the order of their tags below.
const QList<int> tags{statusLineTag, modeLineTag, elapsedLineTag, timerLineTag, muteInForcedTag, startForcedTag,
                      cancelTimerTag, toggleTag, launchAtLoginTag, versionTag};

QStringList taggedTexts(AppFixture& f)
{
    QStringList texts;
    for (int tag : tags)
        texts << (f.item(tag) ? f.item(tag)->text() : QStringLiteral("(missing)"));
    return texts;
}

QStringList titles(QMenu* menu)
{
    QStringList list;
    for (QAction* action : menu->actions())
        list << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return list;
}

} // namespace

class StatusMenuTest : public QObject {
    Q_OBJECT
private slots:
    void textsInEitherLanguage_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<AwakeMode>("mode");
        QTest::addColumn<QStringList>("built");
        QTest::addColumn<QStringList>("refreshed");
        QTest::newRow("english, off")
            << AppLanguage::english << AwakeMode::off
            << QStringList{"Status", "Mode", "Duration", "Timer: not set", "Mute during forced mode",
                           "Start forced mode (3h, display off, optional mute)", "Cancel timer", "Toggle awake",
                           "Launch at login", "Version：1.15.0"}
            << QStringList{"Status: idle", "Mode: white breathing light, normal use", "Elapsed：00:00",
                           "Timer：Not set", "Mute during forced mode",
                           "Start forced mode (3h, display off, optional mute)", "Cancel timer", "Enable awake mode",
                           "Enable launch at login", "Version：1.15.0"};
        QTest::newRow("english, normal")
            << AppLanguage::english << AwakeMode::normal << QStringList()
            << QStringList{"Status: awake mode active", "Mode: green breathing light, keep awake", "Elapsed：01:02:05",
                           "Timer：Not set", "Mute during forced mode",
                           "Start forced mode (3h, display off, optional mute)", "Cancel timer", "Disable awake mode",
                           "Enable launch at login", "Version：1.15.0"};
        QTest::newRow("chinese, forced")
            << AppLanguage::chinese << AwakeMode::forced
            << QStringList{"状态", "模式", "时长", "定时：未设置", "强制挂机时静音",
                           "开启强制挂机（3小时，显示器关闭，可静音）", "取消定时关闭", "切换挂机", "开机自启",
                           "版本：1.15.0"}
            << QStringList{"状态：强制挂机中，全黑遮罩 + 静音 + 保持唤醒",
                           "模式说明：全绿Pelvane，压暗屏幕/键盘灯，鼠标或键盘会自动恢复", "已挂机：01:02:05",
                           "定时：未设置", "强制挂机时静音", "开启强制挂机（3小时，显示器关闭，可静音）",
                           "取消定时关闭", "关闭挂机模式", "开启开机自动启动", "版本：1.15.0"};
    }
    void textsInEitherLanguage()
    {
        QFETCH(AppLanguage, language);
        QFETCH(AwakeMode, mode);
        QFETCH(QStringList, built);
        QFETCH(QStringList, refreshed);
        AppFixture f;
        f.state().language = language;
        if (mode != AwakeMode::off)
            f.state().enable(mode);
        f.fake.clock.advance(3725);
        f.delegate->configureMenu();
        if (!built.isEmpty())
            QCOMPARE(taggedTexts(f), built);
        f.delegate->updateUI();
        QCOMPARE(taggedTexts(f), refreshed);
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

    void toggleAwake_data()
    {
        QTest::addColumn<AwakeMode>("from");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<AwakeMode>("to");
        QTest::newRow("off") << AwakeMode::off << false << AwakeMode::normal;
        QTest::newRow("off, refused") << AwakeMode::off << true << AwakeMode::off;
        QTest::newRow("normal") << AwakeMode::normal << false << AwakeMode::off;
        QTest::newRow("forced stops, not to normal") << AwakeMode::forced << false << AwakeMode::off;
    }
    void toggleAwake()
    {
        QFETCH(AwakeMode, from);
        QFETCH(bool, refused);
        QFETCH(AwakeMode, to);
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        if (from == AwakeMode::off)
            f.state().disable(DisableReason::manual, false);
        else
            f.state().enable(from);
        if (refused)
            f.refuseOnBattery();
        f.item(toggleTag)->trigger();
        f.fake.clock.advance(0.05);
        QCOMPARE(f.state().mode, from);
        f.fake.clock.advance(0.01);
        QCOMPARE(f.state().mode, to);
        QCOMPARE(f.dashboard->settingsTabShows, refused ? 1 : 0);
        QCOMPARE(f.desktop.desktop.toast.text, QString(refused ? "当前是电池供电，已禁止进入挂机" : ""));
    }

    // --- timed presets

    void presetCatalogue()
    {
        AppFixture f;
        f.delegate->configureMenu();
        QMenu* timed = f.find({"定时强制挂机"})->menu();
        QCOMPARE(titles(timed),
                 QStringList({"15 分钟", "30 分钟", "1 小时", "2 小时", "4 小时", "6 小时", "12 小时", "1 天", "1 周", "无限"}));
        const std::optional<double> durations[] = {900, 1800, 3600, 7200, 14400, 21600, 43200, 86400, 604800,
                                                   std::nullopt};
        for (int i = 0; i < 10; ++i)
            QCOMPARE(timed->actions()[i]->data().value<TimedPresetChoice>(),
                     (TimedPresetChoice{AwakeMode::forced, durations[i]}));
        f.state().language = AppLanguage::english;
        f.delegate->configureMenu();
        QCOMPARE(titles(f.find({"Timed awake"})->menu()).mid(8), QStringList({"1 week", "Unlimited"}));
    }

    void twoHoursThenUnlimited()
    {
        AppFixture f;
        f.delegate->configureMenu();
        f.find({"定时挂机", "2 小时"})->trigger();
        QCOMPARE(f.state().mode, AwakeMode::normal);
        QCOMPARE(f.item(timerLineTag)->text(), QString("定时：剩余 02:00:00"));
        f.find({"定时挂机", "无限"})->trigger();
        QCOMPARE(f.state().mode, AwakeMode::normal);
        QVERIFY(!f.state().scheduledStopAt);
        QCOMPARE(f.item(timerLineTag)->text(), QString("定时：未设置"));
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(1));
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

    void forcedFifteenMinutesFromNormal()
    {
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        f.find({"定时强制挂机", "15 分钟"})->trigger();
        QCOMPARE(f.state().mode, AwakeMode::forced);
        QCOMPARE(f.state().scheduledStopAt, std::optional(f.fake.clock.now() + 900));
        QCOMPARE(f.desktop.statusItem.title, QString("T-15:00"));
        f.fake.clock.advance(900);
        QCOMPARE(f.state().mode, AwakeMode::off);
        QVERIFY(f.history().back().note.startsWith("定时结束，自动恢复正常模式"));
        QVERIFY(f.desktop.desktop.toast.text.startsWith("定时挂机结束，已恢复正常界面"));
    }

    void aRefusedPresetStillTimesTheRunningMode()
    {
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        f.refuseOnBattery();
        f.find({"定时强制挂机", "1 小时"})->trigger();
        QCOMPARE(f.state().mode, AwakeMode::normal);
        QCOMPARE(f.dashboard->settingsTabShows, 1);
        QCOMPARE(f.desktop.desktop.toast.text, QString("当前是电池供电，已禁止进入挂机"));
        QCOMPARE(f.state().scheduledStopAt, std::optional(f.fake.clock.now() + 3600));
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
        QTest::newRow("absent") << QVariant() << "" << "";
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
