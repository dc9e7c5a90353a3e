#include "dashboard/DashboardStyle.h"
#include "dashboard/HistoryChartView.h"
#include "dashboard/HistoryDashboardView.h"
#include "dashboard/HistoryEstimatePanelView.h"
#include "dashboard/HistoryRecentRowView.h"
#include "dashboard/HistoryStatCardView.h"
#include "support/ReferencePictures.h"
#include "support/StoreFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QtTest>

#include <algorithm>
#include <numeric>

using namespace launcher;
using namespace launcher::testing;

namespace {

const QTimeZone shanghai("Asia/Shanghai");

double at(const QString& local)
{
    const QDateTime time = QDateTime::fromString(local, QStringLiteral("yyyy-MM-dd HH:mm"));
    return double(QDateTime(time.date(), time.time(), shanghai).toSecsSinceEpoch());
}

HistorySession session(const QString& from, const QString& to, AwakeMode mode = AwakeMode::normal)
{
    return HistorySession{at(from), at(to), mode};
}

// The tab over a store on a fake machine in Shanghai, at 2026-03-07 15:00.
struct Tab {
    Tab()
    {
        fixture.fake.clock.setNow(at("2026-03-07 15:00"));
        view.setTimeZone(shanghai);
        view.resize(602, 760);
    }
    void update(const std::vector<HistorySession>& sessions) { view.update(sessions, *fixture.store); }
    template <typename Views, typename Text>
    static QStringList texts(const Views& views, Text text)
    {
        QStringList out;
        for (const auto* v : views)
            out << (v->*text)();
        return out;
    }
    QStringList cards() const { return texts(view.cards(), &HistoryStatCardView::value); }
    QStringList rows() const { return texts(view.recentRows(), &HistoryRecentRowView::text); }
    QStringList estimate() const { return texts(view.estimateView()->rows(), &HistoryMetricRowView::value); }

    StoreFixture fixture;
    HistoryDashboardView view;
};

} // namespace

class HistoryDashboardTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { pinLookForPictures(); }
    void cards_data();
    void cards();
    void recentRows();
    void sectionSwitch();
    void estimatePanel();
    void chartPictures_data();
    void chartPictures();
    void tabPictures_data();
    void tabPictures();
};

void HistoryDashboardTest::cards_data()
{
    QTest::addColumn<std::vector<HistorySession>>("sessions");
    QTest::addColumn<QStringList>("values"); // total, today, forced, count
    QTest::addColumn<double>("week");
    QTest::newRow("none") << std::vector<HistorySession>{} << QStringList{"0分", "0分", "0分", "0"} << 0.0;
    QTest::newRow("across midnight") << std::vector{session("2026-03-06 23:30", "2026-03-07 00:45")}
                                     << QStringList{"1小时15分", "45分", "0分", "1"} << 4500.0;
    QTest::newRow("forced 10:00 to 12:30")
        << std::vector{session("2026-03-07 10:00", "2026-03-07 12:30", AwakeMode::forced)}
        << QStringList{"2小时30分", "2小时30分", "2小时30分", "1"} << 9000.0;
    QTest::newRow("eight days ago")
        << std::vector{session("2026-02-27 08:00", "2026-02-27 09:00", AwakeMode::forced),
                       session("2026-03-07 14:00", "2026-03-07 14:20")}
        << QStringList{"1小时20分", "20分", "1小时00分", "2"} << 1200.0;
}

void HistoryDashboardTest::cards()
{
    QFETCH(std::vector<HistorySession>, sessions);
    QFETCH(QStringList, values);
    QFETCH(double, week);
    Tab tab;
    tab.update(sessions);
    QCOMPARE(tab.cards(), values);
    const auto& days = tab.view.chartView()->dayUsages();
    QCOMPARE(days.size(), size_t(7));
    QCOMPARE(std::accumulate(days.begin(), days.end(), 0.0, [](double sum, const DayUsage& d) { return sum + d.totalDuration(); }),
             week);
    QCOMPARE(tab.view.showsEmptyLabel(), sessions.empty());
    QCOMPARE(tab.view.recentRows().size(), sessions.size());
}

void HistoryDashboardTest::recentRows()
{
    Tab tab;
    std::vector<HistorySession> nine;
    for (int day : {3, 1, 7, 5, 2, 6, 4})
        nine.push_back(session(QStringLiteral("2026-03-0%1 09:00").arg(day), QStringLiteral("2026-03-0%1 10:30").arg(day),
                               day % 2 ? AwakeMode::normal : AwakeMode::forced));
    nine.push_back(session("2026-02-28 09:00", "2026-02-28 09:10"));
    HistorySession running{at("2026-03-07 14:59"), tab.fixture.store->now(), AwakeMode::forced};
    nine.push_back(running);
    tab.update(nine);
    QCOMPARE(tab.rows(), QStringList({"03-07 14:59 · 强制挂机 · 00小时01分", "03-07 09:00 · 挂机模式 · 01小时30分",
                                      "03-06 09:00 · 强制挂机 · 01小时30分", "03-05 09:00 · 挂机模式 · 01小时30分",
                                      "03-04 09:00 · 强制挂机 · 01小时30分", "03-03 09:00 · 挂机模式 · 01小时30分"}));
    QCOMPARE(tab.cards().back(), QStringLiteral("9"));

    // A minute of once-a-second refreshes: the same row widgets, the running one retitled.
    const QPointer<HistoryRecentRowView> top = tab.view.recentRows().front(), last = tab.view.recentRows().back();
    for (int second = 0; second < 70; ++second) {
        tab.fixture.fake.clock.advance(1);
        nine.back().end = tab.fixture.store->now();
        tab.update(nine);
    }
    QVERIFY(top && last && top == tab.view.recentRows().front());
    QCOMPARE(tab.rows().front(), QStringLiteral("03-07 14:59 · 强制挂机 · 00小时02分"));

    // Down to one session and back to none: surplus rows go, the empty label returns.
    tab.update({nine[0]});
    QCOMPARE(tab.rows(), QStringList({"03-03 09:00 · 挂机模式 · 01小时30分"}));
    const auto frames = tab.view.findChildren<QFrame*>();
    QCOMPARE(std::count_if(frames.begin(), frames.end(), [](QFrame* f) { return dynamic_cast<HistoryRecentRowView*>(f); }), 1);
    tab.update({});
    QVERIFY(tab.view.recentRows().empty() && tab.view.showsEmptyLabel());
}

void HistoryDashboardTest::sectionSwitch()
{
    Tab tab;
    tab.view.show();
    QTest::mouseClick(tab.view.sectionButton(1), Qt::LeftButton);
    QVERIFY(tab.view.estimateView()->isVisible() && !tab.view.chartView()->isVisible());
    tab.update({session("2026-03-07 09:00", "2026-03-07 10:00")});
    QCOMPARE(tab.view.currentSection(), 1);
    QTest::mouseClick(tab.view.sectionButton(0), Qt::LeftButton);
    QVERIFY(!tab.view.estimateView()->isVisible() && tab.view.chartView()->isVisible());
    tab.view.sectionChanged(1); // from code, the switch follows
    QVERIFY(tab.view.sectionButton(1)->isChecked() && !tab.view.sectionButton(0)->isChecked());
}

void HistoryDashboardTest::estimatePanel()
{
    Tab tab;
    HistoryEstimatePanelView* panel = tab.view.estimateView();
    QCOMPARE(tab.estimate(), QStringList(7, QStringLiteral("--")));
    QCOMPARE(panel->subtitle(), QStringLiteral("按设备机型功耗 + 系统时区推断的居民电价估算，仅供参考。"));

    const std::vector sessions{session("2026-03-07 10:00", "2026-03-07 10:30", AwakeMode::forced)};
    for (AppLanguage language : {AppLanguage::english, AppLanguage::chinese}) {
        tab.fixture.store->language = language;
        tab.update(sessions);
        const EnergyDashboardSummary s = tab.fixture.store->energyDashboardSummary(sessions);
        QCOMPARE(tab.estimate(), QStringList({s.machineLabel, s.locationLabel, s.rateLabel, s.totalEnergyLabel,
                                              s.totalSpentLabel, s.savedEnergyLabel, s.savedMoneyLabel}));
        QCOMPARE(panel->subtitle(), s.noteLabel);
        QCOMPARE(panel->rows()[1]->title(), QStringLiteral("推断地区"));
    }
    QCOMPARE(panel->rows()[1]->value(), QStringLiteral("中国·上海（北京时间）"));
    QCOMPARE(panel->rows()[2]->valueColor(), activePelvaneGreenDeep());
    QCOMPARE(panel->rows()[5]->valueColor(), activePelvaneGreen());

    // A long machine name wraps onto more lines instead of widening or being cut.
    EnergyDashboardSummary longName;
    longName.machineLabel = QStringLiteral("MacBook Pro (16-inch, Nov 2023)（Apple M3 Max with 16-core CPU and 40-core GPU）");
    HistoryEstimatePanelView narrow;
    narrow.setSummary(longName);
    narrow.resize(320, 600);
    narrow.show();
    QApplication::processEvents();
    QCOMPARE(narrow.rows()[0]->value(), longName.machineLabel);
    QVERIFY(narrow.rows()[0]->height() > narrow.rows()[1]->height() + 10);
    QVERIFY(narrow.rows()[0]->width() <= 320);
}

void HistoryDashboardTest::chartPictures_data()
{
    QTest::addColumn<QList<double>>("lastDays"); // normal, forced of the newest days
    QTest::addColumn<QString>("reference");
    QTest::newRow("empty week") << QList<double>{} << "chart-empty-week";
    QTest::newRow("half-track day") << QList<double>{1800, 0} << "chart-half-track";
    QTest::newRow("full stacked day") << QList<double>{7200, 3600, 0, 5400, 900, 0} << "chart-full-stacked";
}

void HistoryDashboardTest::chartPictures()
{
    QFETCH(QList<double>, lastDays);
    QFETCH(QString, reference);
    std::vector<DayUsage> days;
    for (int i = 0; i < 7; ++i)
        days.push_back(DayUsage{0, QDate(2026, 3, 1).addDays(i), 0, 0});
    for (qsizetype i = 0, k = 7 - lastDays.size() / 2; i < lastDays.size(); i += 2, ++k)
        days[size_t(k)].normalDuration = lastDays[i], days[size_t(k)].forcedDuration = lastDays[i + 1];
    HistoryChartView chart;
    chart.resize(610, 152);
    chart.setDayUsages(days);
    LAUNCHER_COMPARE_WITH_REFERENCE(chart.grab().toImage(), "dashboard/reference/" + reference);
}

void HistoryDashboardTest::tabPictures_data()
{
    QTest::addColumn<AppLanguage>("language");
    QTest::addColumn<int>("section");
    QTest::newRow("stats-overview-zh") << AppLanguage::chinese << 0;
    QTest::newRow("stats-overview-en") << AppLanguage::english << 0;
    QTest::newRow("stats-cost-zh") << AppLanguage::chinese << 1;
    QTest::newRow("stats-cost-en") << AppLanguage::english << 1;
}

void HistoryDashboardTest::tabPictures()
{
    QFETCH(AppLanguage, language);
    QFETCH(int, section);
    Tab tab;
    tab.fixture.store->language = language;
    tab.view.sectionChanged(section);
    tab.update({session("2026-03-02 08:00", "2026-03-02 11:00"),
                session("2026-03-04 22:00", "2026-03-05 01:30", AwakeMode::forced),
                session("2026-03-05 09:00", "2026-03-05 10:00"),
                session("2026-03-06 13:00", "2026-03-06 14:45", AwakeMode::forced),
                session("2026-03-07 09:30", "2026-03-07 11:00"),
                session("2026-03-07 11:00", "2026-03-07 12:00", AwakeMode::forced),
                session("2026-03-07 14:00", "2026-03-07 15:00")});
    const QImage image = tab.view.grab().toImage();
    QCOMPARE(image.size(), QSize(602, 760));
    LAUNCHER_COMPARE_WITH_REFERENCE(image, QStringLiteral("dashboard/reference/") + QTest::currentDataTag());
}

QTEST_MAIN(HistoryDashboardTest)
#include "tst_historydashboard.moc"
