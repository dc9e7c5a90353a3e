// The control tab: cards and buttons in both languages, the preset grid
// across refreshes, and the callbacks its buttons call.

#include "dashboard/DashboardControlView.h"
#include "dashboard/HistoryStatCardView.h"
#include "support/StoreFixture.h"

#include <QPointer>
#include <QVBoxLayout>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

Q_DECLARE_METATYPE(launcher::AwakeMode)
Q_DECLARE_METATYPE(launcher::AppLanguage)

struct ControlFixture {
    ControlFixture()
    {
        f.fake.power.snapshot = {PowerSourceKind::battery, 64, {}};
        view = std::make_unique<DashboardControlView>(
            *f.store, [this](const TimedPresetChoice& c) { applied.push_back(c); }, [this] { ++forced; },
            [this] { ++disabled; }, [] { QFAIL("the control tab never asks for a refresh"); });
    }
    // Button texts as laid out: the two action buttons, then the grid row by row.
    QStringList texts() const
    {
        QStringList list{view->forcedButton()->text(), view->disableButton()->text()};
        for (int i = 0; i < view->presetRows()->count(); ++i)
            for (auto* button : view->presetRows()->itemAt(i)->widget()->findChildren<PresetButton*>())
                list << button->text();
        return list;
    }

    StoreFixture f;
    std::unique_ptr<DashboardControlView> view;
    std::vector<TimedPresetChoice> applied;
    int forced = 0, disabled = 0;
};

class ControlViewTest : public QObject {
    Q_OBJECT
private slots:
    void textsFollowModeAndLanguage_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<AwakeMode>("mode");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("buttons");
        const QStringList zh{"立即强制挂机（3小时）", "关闭挂机", "15分", "30分", "1小时", "2小时", "4小时",
                             "6小时", "12小时", "1天", "1周", "无限"};
        const QStringList en{"Start forced mode (3h)", "Stop", "15m", "30m", "1h", "2h", "4h", "6h", "12h", "1d",
                             "1w", "∞"};
        QTest::newRow("zh off") << AppLanguage::chinese << AwakeMode::off
                                << QStringList{"待机", "保持唤醒", "电池供电", "64%"} << zh;
        QTest::newRow("zh normal") << AppLanguage::chinese << AwakeMode::normal
                                   << QStringList{"挂机中", "保持唤醒", "电池供电", "64%"} << zh;
        QTest::newRow("zh forced") << AppLanguage::chinese << AwakeMode::forced
                                   << QStringList{"强制挂机", "显示器关闭", "电池供电", "64%"} << zh;
        QTest::newRow("en forced") << AppLanguage::english << AwakeMode::forced
                                   << QStringList{"Forced", "Display off", "Battery", "64%"} << en;
    }
    void textsFollowModeAndLanguage()
    {
        QFETCH(AppLanguage, language);
        QFETCH(AwakeMode, mode);
        QFETCH(QStringList, values);
        QFETCH(QStringList, buttons);
        ControlFixture c;
        c.f.store->language = language;
        c.f.store->mode = mode;
        c.view->update(*c.f.store);
        QStringList titles, seen;
        for (auto* card : {c.view->statusCard(), c.view->modeCard(), c.view->powerCard(), c.view->batteryCard()}) {
            titles << card->title();
            seen << card->value();
        }
        QCOMPARE(titles, (QStringList{"当前状态", "当前模式", "电源来源", "电池电量"}));
        QCOMPARE(seen, values);
        QCOMPARE(c.texts(), buttons);
        QCOMPARE(c.view->statusCard()->accentColor(), activePelvaneGreenDeep());
        QCOMPARE(c.view->modeCard()->accentColor(), activePelvaneGreen());
    }

    void gridKeepsItsButtonsAcrossRefreshes()
    {
        ControlFixture c;
        c.f.store->language = AppLanguage::chinese;
        c.view->update(*c.f.store);
        const std::vector<PresetButton*> first = c.view->presetButtons();
        for (int i = 0; i < 50; ++i)
            c.view->update(*c.f.store);
        QCOMPARE(c.view->presetButtons(), first);

        c.f.store->language = AppLanguage::english;
        for (int i = 0; i < 3; ++i)
            c.view->update(*c.f.store);
        QCOMPARE(c.texts()[2], QStringLiteral("15m"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Exactly ten in two rows, nothing left over from before.
        QCOMPARE(c.view->presetRows()->count(), 2);
        QCOMPARE(c.view->presetRows()->itemAt(1)->widget()->findChildren<PresetButton*>().size(), 5);
        QCOMPARE(c.view->findChildren<PresetButton*>().size(), 10);
    }

    void pressSurvivesARefresh()
    {
        ControlFixture c;
        c.view->resize(600, 400);
        c.view->show();
        QPointer<PresetButton> button = c.view->presetButtons()[2];
        const QPoint spot = button->mapTo(c.view.get(), button->rect().center());
        QTest::mousePress(button, Qt::LeftButton);
        c.view->update(*c.f.store);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // The pressed button is still the one under the pointer when it is let go.
        QVERIFY(button && button->isDown());
        QCOMPARE(c.view->childAt(spot), button.data());
        QTest::mouseRelease(button, Qt::LeftButton);
        QCOMPARE(c.applied, (std::vector<TimedPresetChoice>{{AwakeMode::normal, 3600.0}}));
    }

    void buttonsCallTheirCallbacks()
    {
        ControlFixture c;
        std::vector<TimedPresetChoice> expected;
        for (const auto& row : presetGrid())
            for (const auto& duration : row)
                expected.push_back({AwakeMode::normal, duration});
        QVERIFY(!expected.back().duration); // "none": no timed stop
        for (PresetButton* button : c.view->presetButtons())
            button->click();
        QCOMPARE(c.applied, expected);
        c.view->forcedButton()->click();
        c.view->disableButton()->click();
        c.view->disableButton()->click();
        QCOMPARE(c.forced, 1);
        QCOMPARE(c.disabled, 2);
    }
};

QTEST_MAIN(ControlViewTest)
#include "tst_controlview.moc"
