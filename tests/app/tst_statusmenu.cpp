// The status menu and the hot keys: the texts that follow the mode,
// unavailable combinations, every kind of hand-made mode change, the timed
// presets and the colours.

#include "support/AppFixture.h"

#include "store/Color.h"

#include <QKeyEvent>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

Q_DECLARE_METATYPE(launcher::AwakeMode)
Q_DECLARE_METATYPE(launcher::AppLanguage)

namespace {
const QString batteryRefusal = QStringLiteral("当前是电池供电，已禁止进入挂机");

// Combinations are written as the desktop writes them: macOS uses its symbols.
QString onThisDesktop(QString text)
{
#ifdef Q_OS_MACOS
    text.replace(QStringLiteral("Ctrl+Alt+"), QStringLiteral("⌃⌥"));
#endif
    return text;
}

QStringList onThisDesktop(QStringList texts)
{
    for (QString& text : texts)
        text = onThisDesktop(text);
    return texts;
}

} // namespace

class StatusMenuTest : public QObject {
    Q_OBJECT
private slots:
    // The toggle's hot key stands in the menu's shortcut column.
    void textsFollowTheMode()
    {
        AppFixture f;
        f.state().changePreferences([&](Preferences& p) { p.language = AppLanguage::english; });
        f.delegate->configureMenu();
        const QString toggle = onThisDesktop(QStringLiteral("%1 awake mode\tCtrl+Alt+L"));
        for (auto [mode, status] : {std::pair(AwakeMode::off, "idle"), {AwakeMode::normal, "awake mode active"},
                                    {AwakeMode::forced, "forced mode active"}}) {
            if (mode != AwakeMode::off)
                f.state().enable(mode);
            f.delegate->updateUI();
            QCOMPARE(f.item(statusLineTag)->text(), QStringLiteral("Status: ") + status);
            QCOMPARE(f.item(toggleTag)->text(), toggle.arg(mode == AwakeMode::off ? "Enable" : "Disable"));
        }
    }

    void actionsOfTheMenu()
    {
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        f.find({"打开状态文件夹"})->trigger();
        QCOMPARE(f.desktop.desktop.opened, std::vector<QUrl>{QUrl::fromLocalFile(f.state().supportDirectory())});

        f.item(muteInForcedTag)->trigger();
        QVERIFY(readFile(f.state().prefsFile()).contains(R"("muteInForced": false)"));

        // Removed behind the program's back, it shows as off.
        f.item(launchAtLoginTag)->trigger();
        QCOMPARE(f.item(launchAtLoginTag)->text(), QString("关闭开机自动启动"));
        QFile::remove(f.state().loginItemPath());
        f.delegate->updateUI();
        QCOMPARE(f.item(launchAtLoginTag)->text(), QString("开启开机自动启动"));

        QAction* cancel = f.item(cancelTimerTag);
        QVERIFY(!cancel->isEnabled());
        f.state().scheduleAutoDisable(600);
        f.delegate->updateUI();
        cancel->trigger();
        QVERIFY(!cancel->isEnabled() && !f.state().scheduledStopAt());
        QCOMPARE(f.state().mode(), AwakeMode::normal);
    }

    // The open menu holds the keyboard: its quit key must work there, in submenus too.
    void quitKeyWhileASubmenuIsOpen()
    {
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        QMenu* menu = f.find({"Pelvane调色盘", "强制颜色"})->menu();
        menu->popup(QPoint(10, 10));
        QTRY_VERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_Q); // a plain q is no quit key
        QTest::keyClick(menu, Qt::Key_Q, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(f.desktop.desktop.terminations, 0);
        QCOMPARE(f.state().mode(), AwakeMode::normal);

        QTest::keyClick(menu, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(f.desktop.desktop.terminations, 1);
        QCOMPARE(f.state().mode(), AwakeMode::off);
        QCOMPARE(f.history().back().note, QString("应用退出，恢复正常模式"));
    }

    // A combination that cannot be had is told once, in a notice and on
    // stderr, and marked in the menu beside the item it would have worked.
    void unavailableHotKeys_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<QList<Qt::Key>>("taken");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QStringList>("columns"); // toggle, start forced, disable
        QTest::newRow("L, Chinese") << AppLanguage::chinese << QList<Qt::Key>{Qt::Key_L}
                                    << QString("快捷键 Ctrl+Alt+L 不可用，可能已被占用")
                                    << QStringList{"Ctrl+Alt+L（不可用）", "Ctrl+Alt+F", "Ctrl+Alt+0"};
        QTest::newRow("F and 0, English")
            << AppLanguage::english << QList<Qt::Key>{Qt::Key_0, Qt::Key_F}
            << QString("Hot keys Ctrl+Alt+F, Ctrl+Alt+0 are unavailable; another program may hold them")
            << QStringList{"Ctrl+Alt+L", "Ctrl+Alt+F (unavailable)", "Ctrl+Alt+0 (unavailable)"};
    }
    void unavailableHotKeys()
    {
        QFETCH(AppLanguage, language);
        QFETCH(QList<Qt::Key>, taken);
        QFETCH(QString, notice);
        QFETCH(QStringList, columns);
        AppFixture f;
        f.state().changePreferences([&](Preferences& p) { p.language = language; });
        for (Qt::Key key : taken)
            f.desktop.hotKeys.refused.insert({key, hotKeyControlOption.toInt()});
        for (const QString key : {"Ctrl+Alt+L", "Ctrl+Alt+F", "Ctrl+Alt+0"})
            if (columns.contains(key + (language == AppLanguage::english ? " (unavailable)" : "（不可用）")))
                QTest::ignoreMessage(QtWarningMsg, qPrintable("launcher: the hot key " + onThisDesktop(key)
                                                              + " could not be registered; another program may hold it"));
        f.delegate->applicationDidFinishLaunching();
        QCOMPARE(f.desktop.desktop.toast.text, onThisDesktop(notice));
        QVERIFY(f.desktop.desktop.toast.shown);

        const auto column = [&f](int tag) { return f.item(tag)->text().section(QLatin1Char('\t'), 1); };
        QCOMPARE((QStringList{column(toggleTag), column(startForcedTag), column(disableTag)}), onThisDesktop(columns));
        // Once: later ticks and rebuilt menus say nothing more and keep the marks.
        f.fake.clock.advance(5.0);
        QVERIFY(!f.desktop.desktop.toast.shown);
        f.delegate->configureMenu();
        f.delegate->updateUI();
        QVERIFY(!f.desktop.desktop.toast.shown);
        QCOMPARE((QStringList{column(toggleTag), column(startForcedTag), column(disableTag)}), onThisDesktop(columns));
    }

    // A desktop that lets no program have system-wide keys is named once, in
    // either language, whether it says so at once or after the launch.
    void aDesktopWithoutHotKeys_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<bool>("later");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QString>("mark");
        QTest::newRow("at once, English") << AppLanguage::english << false
                                          << QString("Hot keys are not available on this desktop; use the menu instead")
                                          << QString(" (unavailable)");
        QTest::newRow("later, Chinese") << AppLanguage::chinese << true
                                        << QString("此桌面不支持全局快捷键，请使用菜单中的命令") << QString("（不可用）");
    }
    void aDesktopWithoutHotKeys()
    {
        QFETCH(AppLanguage, language);
        QFETCH(bool, later);
        QFETCH(QString, notice);
        QFETCH(QString, mark);
        AppFixture f;
        f.state().changePreferences([&](Preferences& p) { p.language = language; });
        f.desktop.hotKeys.why = HotKeyRefusal::notOffered;
        if (!later)
            for (Qt::Key key : {Qt::Key_L, Qt::Key_F, Qt::Key_0})
                f.desktop.hotKeys.refused.insert({key, hotKeyControlOption.toInt()});
        QTest::ignoreMessage(QtWarningMsg, "launcher: this desktop offers no global hot keys; every command stays in the menu");
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        f.delegate->applicationDidFinishLaunching();
        const auto columns = [&f] {
            QStringList texts;
            for (int tag : {toggleTag, startForcedTag, disableTag})
                texts << f.item(tag)->text().section(QLatin1Char('\t'), 1);
            return texts;
        };
        if (later) {
            QVERIFY(!f.desktop.desktop.toast.shown);
            QCOMPARE(columns(), onThisDesktop(QStringList{"Ctrl+Alt+L", "Ctrl+Alt+F", "Ctrl+Alt+0"}));
            f.desktop.hotKeys.refuseAllLater();
        }
        QCOMPARE(f.desktop.desktop.toast.text, notice);
        QVERIFY(f.desktop.desktop.toast.shown);
        QCOMPARE(columns(), onThisDesktop(QStringList{"Ctrl+Alt+L" + mark, "Ctrl+Alt+F" + mark, "Ctrl+Alt+0" + mark}));
        QVERIFY(std::none_of(f.delegate->hotKeyRefs.begin(), f.delegate->hotKeyRefs.end(), [](auto ref) { return bool(ref); }));
        f.fake.clock.advance(5.0);
        QVERIFY(!f.desktop.desktop.toast.shown);
        if (f.desktop.hotKeys.lateRefusalHandler)
            f.desktop.hotKeys.lateRefusalHandler({int(HotKeyAction::forceMode)});
        f.fake.clock.advance(1.0);
        QVERIFY(!f.desktop.desktop.toast.shown);
    }

    // Menu items act once the menu has closed, hot keys on the next turn of
    // the event loop; neither inside the callback that reported them.
    void modeChangesByHand_data()
    {
        QTest::addColumn<int>("tag"); // 0: the hot key
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<AwakeMode>("from");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<AwakeMode>("to");
        const auto row = [](const char* name, int tag, Qt::Key key, AwakeMode from, bool refused, AwakeMode to) {
            QTest::newRow(name) << tag << key << from << refused << to;
        };
        const AwakeMode off = AwakeMode::off, normal = AwakeMode::normal, forced = AwakeMode::forced;
        row("toggle in forced stops, not to normal", toggleTag, Qt::Key_unknown, forced, false, off);
        row("start forced, refused", startForcedTag, Qt::Key_unknown, off, true, off);
        row("L from off, conditions ignored", 0, Qt::Key_L, off, true, normal);
        row("F in forced", 0, Qt::Key_F, forced, false, off);
    }
    void modeChangesByHand()
    {
        QFETCH(int, tag);
        QFETCH(Qt::Key, key);
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
            QVERIFY(f.desktop.hotKeys.press(key, hotKeyControlOption));
        QCOMPARE(f.state().mode(), from);
        f.fake.clock.advance(0.96); // past forced mode's checks, which keep it; nothing retries a refusal
        QCOMPARE(f.state().mode(), to);
        QVERIFY(!f.state().scheduledStopAt()); // only the menu's forced start adds one
        const bool refusal = refused && to == AwakeMode::off;
        QCOMPARE(f.desktop.desktop.toast.text, refusal ? batteryRefusal : QString());
        QCOMPARE(f.dashboard->settingsTabShows, refusal ? 1 : 0);
        QCOMPARE(f.history().size(), entries + (from != to ? 1 : 0));
        if (from != to && to == AwakeMode::off)
            QCOMPARE(f.history().back().note, QString("恢复正常模式"));
    }

    // --- timed presets

    // Each replaces the stop already set; a refused start still times the mode that runs.
    void timedPresets_data()
    {
        QTest::addColumn<QStringList>("path");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<AwakeMode>("mode");
        QTest::addColumn<double>("stopIn"); // 0: no stop
        QTest::newRow("forced") << QStringList{"定时强制挂机", "15 分钟"} << false << AwakeMode::forced << 900.0;
        QTest::newRow("forced, refused") << QStringList{"定时强制挂机", "1 小时"} << true << AwakeMode::normal << 3600.0;
    }
    void timedPresets()
    {
        QFETCH(QStringList, path);
        QFETCH(bool, refused);
        QFETCH(AwakeMode, mode);
        QFETCH(double, stopIn);
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        f.state().scheduleAutoDisable(600);
        if (refused)
            f.refuseOnBattery();
        f.find(path)->trigger();
        QCOMPARE(f.state().mode(), mode);
        QCOMPARE(f.state().scheduledStopAt(), stopIn ? std::optional(f.fake.clock.now() + stopIn) : std::nullopt);
        QCOMPARE(f.dashboard->settingsTabShows, refused ? 1 : 0);
    }

    // --- mascot colours

    void paletteItemsAndTheCustomPanel()
    {
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        f.find({"Pelvane调色盘", "挂机颜色", "紫色"})->trigger();
        f.find({"Pelvane调色盘", "挂机颜色", "自定义颜色…"})->trigger();
        QCOMPARE(colorToHex(f.desktop.colorPanel.openedWith), QString("#B896FF"));
        QCOMPARE(f.desktop.desktop.activations, 1);

        // The glyph follows the panel live in normal mode.
        const int images = f.desktop.statusItem.imageSets;
        f.desktop.colorPanel.change(QColor("#FF0000"));
        QCOMPARE(f.desktop.statusItem.imageSets, images + 1);

        f.find({"Pelvane调色盘", "强制颜色", "自定义颜色…"})->trigger();
        f.desktop.colorPanel.change(QColor("#0000FF"));
        QCOMPARE(colorToHex(f.state().preferences().forcedPelvaneColor), QString("#0000FF"));
        QCOMPARE(colorToHex(f.state().preferences().hangPelvaneColor), QString("#FF0000"));
    }
};

QTEST_MAIN(StatusMenuTest)
#include "tst_statusmenu.moc"
