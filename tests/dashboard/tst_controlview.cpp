// The control tab: its cards and buttons in both languages, the preset grid
// across refreshes, and the callbacks its buttons call.

#include "dashboard/DashboardControlView.h"
#include "dashboard/HistoryStatCardView.h"
#include "support/StoreFixture.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

Q_DECLARE_METATYPE(launcher::AwakeMode)
Q_DECLARE_METATYPE(launcher::AppLanguage)

namespace {

struct ControlFixture {
    ControlFixture()
    {
        f.fake.power.snapshot.source = PowerSourceKind::battery;
        f.fake.power.snapshot.batteryPercent = 64;
        view = std::make_unique<DashboardControlView>(
            *f.store, [this](const TimedPresetChoice& c) { applied.push_back(c); }, [this] { ++forced; },
            [this] { ++disabled; }, [this] { ++refreshes; });
    }
    StateStore& state() { return *f.store; }
    QStringList presetTitles() const
    {
        QStringList titles;
        for (PresetButton* button : view->presetButtons())
            titles << button->text();
        return titles;
    }

    StoreFixture f;
    std::unique_ptr<DashboardControlView> view;
    std::vector<TimedPresetChoice> applied;
    int forced = 0;
    int disabled = 0;
    int refreshes = 0;
};

// Buttons actually in the grid: rows of the vertical stack, buttons of each row.
QList<QList<PresetButton*>> gridRows(DashboardControlView& view)
{
    QList<QList<PresetButton*>> rows;
    for (int i = 0; i < view.presetRows()->count(); ++i) {
        QWidget* row = view.presetRows()->itemAt(i)->widget();
        QList<PresetButton*> buttons;
        for (int j = 0; row && j < row->layout()->count(); ++j)
            buttons << qobject_cast<PresetButton*>(row->layout()->itemAt(j)->widget());
        rows << buttons;
    }
    return rows;
}

} // namespace

class ControlViewTest : public QObject {
    Q_OBJECT
private slots:
    void cardsAndButtonsFollowModeAndLanguage_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<AwakeMode>("mode");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("buttons");
        const QStringList zhButtons{"立即强制挂机（3小时）", "关闭挂机"};
        const QStringList enButtons{"Start forced mode (3h)", "Stop"};
        QTest::newRow("zh off") << AppLanguage::chinese << AwakeMode::off
                                << QStringList{"待机", "保持唤醒", "电池供电", "64%"} << zhButtons;
        QTest::newRow("zh normal") << AppLanguage::chinese << AwakeMode::normal
                                   << QStringList{"挂机中", "保持唤醒", "电池供电", "64%"} << zhButtons;
        QTest::newRow("zh forced") << AppLanguage::chinese << AwakeMode::forced
                                   << QStringList{"强制挂机", "显示器关闭", "电池供电", "64%"} << zhButtons;
        QTest::newRow("en off") << AppLanguage::english << AwakeMode::off
                                << QStringList{"Idle", "Keep awake", "Battery", "64%"} << enButtons;
        QTest::newRow("en forced") << AppLanguage::english << AwakeMode::forced
                                   << QStringList{"Forced", "Display off", "Battery", "64%"} << enButtons;
    }
    void cardsAndButtonsFollowModeAndLanguage()
    {
        QFETCH(AppLanguage, language);
        QFETCH(AwakeMode, mode);
        QFETCH(QStringList, values);
        QFETCH(QStringList, buttons);
        ControlFixture c;
        c.state().language = language;
        c.state().mode = mode;
        c.view->update(c.state());
        const QList<HistoryStatCardView*> cards{c.view->statusCard(), c.view->modeCard(), c.view->powerCard(),
                                                c.view->batteryCard()};
        QStringList titles, seen;
        for (auto* card : cards) {
            titles << card->title();
            seen << card->value();
        }
        // The card titles are the same in both languages.
        QCOMPARE(titles, (QStringList{"当前状态", "当前模式", "电源来源", "电池电量"}));
        QCOMPARE(seen, values);
        QCOMPARE((QStringList{c.view->forcedButton()->text(), c.view->disableButton()->text()}), buttons);
        QVERIFY(c.view->forcedButton()->isEnabled() && c.view->disableButton()->isEnabled());
        QCOMPARE(c.view->statusCard()->accentColor(), activePelvaneGreenDeep());
        QCOMPARE(c.view->modeCard()->accentColor(), activePelvaneGreen());
    }

    void presetTitlesInEitherLanguage_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("chinese") << AppLanguage::chinese
                                 << QStringList{"15分", "30分", "1小时", "2小时", "4小时",
                                                "6小时", "12小时", "1天", "1周", "无限"};
        QTest::newRow("english") << AppLanguage::english
                                 << QStringList{"15m", "30m", "1h", "2h", "4h", "6h", "12h", "1d", "1w", "∞"};
    }
    void presetTitlesInEitherLanguage()
    {
        QFETCH(AppLanguage, language);
        QFETCH(QStringList, titles);
        ControlFixture c;
        c.state().language = language;
        c.view->update(c.state());
        QCOMPARE(c.presetTitles(), titles);
    }

    void gridKeepsItsButtonsAcrossRefreshes()
    {
        ControlFixture c;
        c.state().language = AppLanguage::chinese;
        c.view->update(c.state());
        const std::vector<PresetButton*> first = c.view->presetButtons();
        for (int i = 0; i < 50; ++i)
            c.view->update(c.state());
        QCOMPARE(c.view->presetButtons(), first);

        c.state().language = AppLanguage::english;
        for (int i = 0; i < 3; ++i)
            c.view->update(c.state());
        QCOMPARE(c.presetTitles().first(), QStringLiteral("15m"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        // Exactly ten, in two rows of five, and nothing left over from before.
        const auto rows = gridRows(*c.view);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].size(), 5);
        QCOMPARE(rows[1].size(), 5);
        QCOMPARE(c.view->findChildren<PresetButton*>().size(), 10);
        QCOMPARE(rows[0] + rows[1], QList<PresetButton*>(c.view->presetButtons().begin(), c.view->presetButtons().end()));
    }

    void pressSurvivesARefresh()
    {
        ControlFixture c;
        c.view->resize(600, 400);
        c.view->show();
        QPointer<PresetButton> button = c.view->presetButtons()[2];
        const QPoint spot = button->mapTo(c.view.get(), button->rect().center());
        QTest::mousePress(button, Qt::LeftButton);
        c.view->update(c.state());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // The pressed button is still the one under the pointer when it is let go.
        QVERIFY(button);
        QCOMPARE(c.view->childAt(spot), button.data());
        QVERIFY(button->isDown());
        QTest::mouseRelease(button, Qt::LeftButton);
        QCOMPARE(c.applied.size(), size_t(1));
        QCOMPARE(c.applied[0], (TimedPresetChoice{AwakeMode::normal, 3600.0}));
    }

    void buttonsCallTheirCallbacks()
    {
        ControlFixture c;
        std::vector<TimedPresetChoice> expected;
        for (const auto& row : presetGrid())
            for (const auto& duration : row)
                expected.push_back({AwakeMode::normal, duration});
        for (PresetButton* button : c.view->presetButtons())
            button->click();
        QCOMPARE(c.applied, expected);
        // The last one starts normal mode without a timed stop.
        QVERIFY(!c.applied.back().duration.has_value());

        c.view->forcedButton()->click();
        c.view->disableButton()->click();
        c.view->disableButton()->click();
        QCOMPARE(c.forced, 1);
        QCOMPARE(c.disabled, 2);
        QCOMPARE(c.refreshes, 0);
    }
};

QTEST_MAIN(ControlViewTest)
#include "tst_controlview.moc"
