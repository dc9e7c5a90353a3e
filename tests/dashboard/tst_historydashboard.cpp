// The statistics tab: the week by local days, duration and row texts, the
// latest sessions, chart geometry, and the tab itself with its pictures.

#include "dashboard/HistoryChartView.h"
#include "dashboard/HistoryDashboardView.h"
#include "dashboard/HistoryEstimatePanelView.h"
#include "dashboard/HistoryRecentRowView.h"
#include "dashboard/HistoryStatCardView.h"
#include "dashboard/HistoryStatistics.h"
#include "support/ReferencePictures.h"
#include "support/StoreFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QtTest>

#include <algorithm>

using namespace launcher;
using namespace launcher::testing;

namespace {

double at(const QString& local, const QByteArray& zone = "Asia/Shanghai")
{
    const QDateTime time = QDateTime::fromString(local, QStringLiteral("yyyy-MM-dd HH:mm"));
    return double(QDateTime(time.date(), time.time(), QTimeZone(zone)).toSecsSinceEpoch());
}

HistorySession session(const QString& from, const QString& to, AwakeMode mode = AwakeMode::normal,
                       const QByteArray& zone = "Asia/Shanghai")
{
    return HistorySession{at(from, zone), at(to, zone), mode};
}

DayUsage usage(double normal, double forced)
{
    return DayUsage{0, QDate(2026, 3, 7), normal, forced};
}

// The tab over a store on a fake machine in Shanghai, at 2026-03-07 15:00.
struct Tab {
    Tab()
    {
        fixture.fake.clock.setNow(at("2026-03-07 15:00"));
        view.setTimeZone(QTimeZone("Asia/Shanghai"));
        view.resize(602, 760);
    }
    void update(const std::vector<HistorySession>& sessions) { view.update(sessions, *fixture.store); }

    StoreFixture fixture;
    HistoryDashboardView view;
};

} // namespace

class HistoryDashboardTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinLookForPictures(); }

    void dayUsages_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("now");
        QTest::addColumn<std::vector<HistorySession>>("sessions");
        QTest::addColumn<QStringList>("days"); // "normal/forced", oldest first
        const auto zeros = [](int n) { return QStringList(n, QStringLiteral("0/0")); };
        const QByteArray shanghai = "Asia/Shanghai", berlin = "Europe/Berlin";
        const QString now = QStringLiteral("2026-03-07 15:00");

        QTest::newRow("23:30 yesterday to 00:45 today")
            << shanghai << now << std::vector{session("2026-03-06 23:30", "2026-03-07 00:45")}
            << (zeros(5) << "1800/0" << "2700/0");
        QTest::newRow("three days, off counts as normal, cut at both ends")
            << shanghai << now
            << std::vector{session("2026-02-28 22:00", "2026-03-03 06:00", AwakeMode::off),
                           session("2026-03-07 23:00", "2026-03-08 02:00", AwakeMode::forced)}
            << (QStringList{"86400/0", "86400/0", "21600/0"} << zeros(3) << "0/3600");
        QTest::newRow("fall back: 25 hours")
            << berlin << "2026-10-25 12:00"
            << std::vector{session("2026-10-24 20:00", "2026-10-26 04:00", AwakeMode::normal, berlin)}
            << (zeros(5) << "14400/0" << "90000/0");
    }

    void dayUsages()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, now);
        QFETCH(std::vector<HistorySession>, sessions);
        QFETCH(QStringList, days);
        const auto usages = launcher::dayUsages(sessions, at(now, zone), QTimeZone(zone));
        QStringList actual;
        for (const DayUsage& day : usages)
            actual << QStringLiteral("%1/%2").arg(day.normalDuration).arg(day.forcedDuration);
        QCOMPARE(actual, days);
        QCOMPARE(usages.back().day, at(now.left(10) + " 00:00", zone));
    }

    void formatDuration()
    {
        const std::pair<double, const char*> cases[] = {
            {59, "0分"}, {59.5, "1分"}, {3599.5, "1小时00分"}, {360300, "100小时05分"}};
        for (auto [seconds, text] : cases)
            QCOMPARE(launcher::formatDuration(seconds), QString::fromUtf8(text));
    }

    void rowTitle()
    {
        const double start = at("2026-03-07 21:05") + 0.4;
        QCOMPARE(HistoryRecentRowView::title({start, start + 7199.9, AwakeMode::forced}, QTimeZone("Asia/Shanghai")),
                 QStringLiteral("03-07 21:05 · 强制挂机 · 01小时59分"));
    }

    void latestSessions()
    {
        // Newest start first; of equal starts, the earlier in the list first.
        const std::vector<HistorySession> sessions{{5, 6, AwakeMode::normal}, {5, 7, AwakeMode::forced},
                                                   {9, 10, AwakeMode::normal}, {5, 8, AwakeMode::normal},
                                                   {7, 8, AwakeMode::normal}, {1, 2, AwakeMode::normal}};
        const auto& s = sessions;
        QCOMPARE(launcher::latestSessions(s, 3), (std::vector{s[2], s[4], s[0]}));
        QCOMPARE(launcher::latestSessions(s, 9), (std::vector{s[2], s[4], s[0], s[1], s[3], s[5]}));
    }

    void chartBars_data()
    {
        // A 610 x 152 view: plot 570 x 116, bars 42 wide and 46 apart, track 70 high from y 38 to 108.
        QTest::addColumn<std::vector<DayUsage>>("lastDays");
        QTest::addColumn<QList<double>>("heights"); // normal and forced part of those days' bars
        QTest::newRow("2 h + 1 h fills it, 5400 s forced is half")
            << std::vector{usage(7200, 3600), usage(0, 5400)} << QList<double>{70 * 2.0 / 3, 70 / 3.0, 0, 35};
    }

    void chartBars()
    {
        QFETCH(std::vector<DayUsage>, lastDays);
        QFETCH(QList<double>, heights);
        std::vector<DayUsage> days(7 - lastDays.size(), usage(0, 0));
        days.insert(days.end(), lastDays.begin(), lastDays.end());
        const ChartGeometry g = chartGeometry(QSizeF(610, 152), days);
        QCOMPARE(g.gridLines, (std::vector<double>{108, 108 - 70 / 3.0, 108 - 140 / 3.0, 38}));
        QCOMPARE(g.bars.size(), size_t(7));
        const QList<double> expected = QList<double>(14 - heights.size(), 0) + heights;
        for (size_t k = 0; k < g.bars.size(); ++k) {
            const ChartBar& bar = g.bars[k];
            QCOMPARE(bar.track, QRectF(20 + double(k) * 88, 38, 42, 70));
            QCOMPARE(bar.label, QRectF(bar.track.left() - 4, 120, 50, 18));
            if (!bar.normal.isEmpty())
                QCOMPARE(bar.normal.bottom(), 108.0);
            if (!bar.forced.isEmpty())
                QCOMPARE(bar.forced.bottom(), 108 - bar.normal.height());
            QCOMPARE(bar.normal.height(), expected[qsizetype(2 * k)]);
            QCOMPARE(bar.forced.height(), expected[qsizetype(2 * k + 1)]);
        }
        QCOMPARE(g.bars.back().labelText, QStringLiteral("3/7"));
    }

    void cards()
    {
        // Total and forced count every session, today only its part since midnight.
        Tab tab;
        tab.update({session("2026-02-27 08:00", "2026-02-27 09:00", AwakeMode::forced),
                    session("2026-03-06 23:30", "2026-03-07 00:45"), session("2026-03-07 14:00", "2026-03-07 14:20")});
        QStringList cards;
        for (const HistoryStatCardView* card : tab.view.cards())
            cards << card->value();
        QCOMPARE(cards, (QStringList{"2小时35分", "1小时05分", "1小时00分", "3"}));
    }

    void recentRowsTakeNewSessionsInPlace()
    {
        Tab tab;
        std::vector<HistorySession> sessions{session("2026-03-03 09:00", "2026-03-03 10:30"),
                                             {at("2026-03-07 14:59"), tab.fixture.store->now(), AwakeMode::forced}};
        tab.update(sessions);
        // A minute of once-a-second refreshes: the same row widgets, the running one retitled.
        const QPointer<HistoryRecentRowView> top = tab.view.recentRows().front();
        for (int second = 0; second < 70; ++second) {
            tab.fixture.fake.clock.advance(1);
            sessions.back().end = tab.fixture.store->now();
            tab.update(sessions);
        }
        QVERIFY(top && top == tab.view.recentRows().front());
        QCOMPARE(top->text(), QStringLiteral("03-07 14:59 · 强制挂机 · 00小时02分"));

        // Down to one session and back to none: surplus rows go, the empty label returns.
        tab.update({sessions[0]});
        const auto frames = tab.view.findChildren<QFrame*>();
        QCOMPARE(std::count_if(frames.begin(), frames.end(), [](QFrame* f) { return dynamic_cast<HistoryRecentRowView*>(f); }), 1);
        tab.update({});
        QVERIFY(tab.view.recentRows().empty() && tab.view.showsEmptyLabel());
    }

    void sectionButtons()
    {
        Tab tab;
        tab.view.show();
        QTest::mouseClick(tab.view.sectionButton(1), Qt::LeftButton);
        QVERIFY(tab.view.estimateView()->isVisible() && !tab.view.chartView()->isVisible());
        QTest::mouseClick(tab.view.sectionButton(0), Qt::LeftButton);
        QVERIFY(!tab.view.estimateView()->isVisible() && tab.view.chartView()->isVisible());
    }

    void longMachineNameWraps()
    {
        // Onto more lines, instead of widening the panel or being cut.
        EnergyDashboardSummary summary;
        summary.machineLabel = QStringLiteral("MacBook Pro (16-inch, Nov 2023)（Apple M3 Max with 16-core CPU and 40-core GPU）");
        HistoryEstimatePanelView panel;
        panel.setSummary(summary);
        panel.resize(320, 600);
        panel.show();
        QApplication::processEvents();
        QVERIFY(panel.rows()[0]->height() > panel.rows()[1]->height() + 10);
        QVERIFY(panel.rows()[0]->width() <= 320);
    }

    void tabPictures_data()
    {
        QTest::addColumn<AppLanguage>("language");
        QTest::addColumn<int>("section");
        QTest::newRow("stats-overview-zh") << AppLanguage::chinese << 0;
        QTest::newRow("stats-overview-en") << AppLanguage::english << 0;
        QTest::newRow("stats-cost-zh") << AppLanguage::chinese << 1;
        QTest::newRow("stats-cost-en") << AppLanguage::english << 1;
    }

    void tabPictures()
    {
        QFETCH(AppLanguage, language);
        QFETCH(int, section);
        Tab tab;
        tab.fixture.store->changePreferences([&](Preferences& p) { p.language = language; });
        tab.view.sectionChanged(section);
        tab.update({session("2026-03-02 08:00", "2026-03-02 11:00"),
                    session("2026-03-04 22:00", "2026-03-05 01:30", AwakeMode::forced),
                    session("2026-03-05 09:00", "2026-03-05 10:00"),
                    session("2026-03-06 13:00", "2026-03-06 14:45", AwakeMode::forced),
                    session("2026-03-07 09:30", "2026-03-07 11:00"),
                    session("2026-03-07 11:00", "2026-03-07 12:00", AwakeMode::forced),
                    session("2026-03-07 14:00", "2026-03-07 15:00")});
        LAUNCHER_COMPARE_WITH_REFERENCE(tab.view.grab().toImage(), QStringLiteral("dashboard/reference/") + QTest::currentDataTag());
    }
};

QTEST_MAIN(HistoryDashboardTest)
#include "tst_historydashboard.moc"
