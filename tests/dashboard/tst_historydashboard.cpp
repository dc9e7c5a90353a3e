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
#include <QLabel>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

const QTimeZone shanghai("Asia/Shanghai");

double at(const QString& local)
{
    const QDateTime time = QDateTime::fromString(local, QStringLiteral("yyyy-MM-dd HH:mm"));
    return double(QDateTime(time.date(), time.time(), shanghai).toSecsSinceEpoch());
}

HistorySession session(const QString& from, const QString& to, AwakeMode mode)
{
    return HistorySession{at(from), at(to), mode};
}

// A store on a fake machine in Shanghai whose clock reads 2026-03-07 15:00.
struct Tab {
    Tab()
    {
        fixture.fake.clock.setNow(at("2026-03-07 15:00"));
        view.setTimeZone(shanghai);
        view.resize(602, 760);
    }
    void update(const std::vector<HistorySession>& sessions) { view.update(sessions, *fixture.store); }

    QStringList cardValues() const
    {
        QStringList values;
        for (const HistoryStatCardView* card : view.cards())
            values << card->value();
        return values;
    }
    QStringList rowTitles() const
    {
        QStringList titles;
        for (const HistoryRecentRowView* row : view.recentRows())
            titles << row->text();
        return titles;
    }
    double chartWeek() const
    {
        double total = 0;
        for (const DayUsage& day : view.chartView()->dayUsages())
            total += day.totalDuration();
        return total;
    }

    StoreFixture fixture;
    HistoryDashboardView view;
};

std::vector<DayUsage> week(std::initializer_list<std::pair<double, double>> lastDays)
{
    std::vector<DayUsage> days;
    for (int i = 0; i < 7; ++i)
        days.push_back(DayUsage{0, QDate(2026, 3, 1).addDays(i), 0, 0});
    size_t k = days.size() - lastDays.size();
    for (const auto& [normal, forced] : lastDays) {
        days[k].normalDuration = normal;
        days[k++].forcedDuration = forced;
    }
    return days;
}

QImage grabbed(QWidget& widget)
{
    return widget.grab().toImage();
}

} // namespace

class HistoryDashboardTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cards_data();
    void cards();
    void emptyHistory();
    void recentListShowsTheSixLatest();
    void refreshKeepsUnchangedRows();
    void sectionSurvivesUpdates();
    void estimatePanelBeforeAndAfter();
    void longValuesWrap();
    void chartPictures_data();
    void chartPictures();
    void tabPictures_data();
    void tabPictures();
};

void HistoryDashboardTest::initTestCase()
{
    pinLookForPictures();
}

void HistoryDashboardTest::cards_data()
{
    QTest::addColumn<std::vector<HistorySession>>("sessions");
    QTest::addColumn<QStringList>("values"); // total, today, forced, count
    QTest::addColumn<double>("week");

    QTest::newRow("across midnight")
        << std::vector{session("2026-03-06 23:30", "2026-03-07 00:45", AwakeMode::normal)}
        << QStringList{"1小时15分", "45分", "0分", "1"} << 4500.0;
    QTest::newRow("forced 10:00 to 12:30")
        << std::vector{session("2026-03-07 10:00", "2026-03-07 12:30", AwakeMode::forced)}
        << QStringList{"2小时30分", "2小时30分", "2小时30分", "1"} << 9000.0;
    QTest::newRow("eight days ago")
        << std::vector{session("2026-02-27 08:00", "2026-02-27 09:00", AwakeMode::forced),
                       session("2026-03-07 14:00", "2026-03-07 14:20", AwakeMode::normal)}
        << QStringList{"1小时20分", "20分", "1小时00分", "2"} << 1200.0;
}

void HistoryDashboardTest::cards()
{
    QFETCH(std::vector<HistorySession>, sessions);
    QFETCH(QStringList, values);
    QFETCH(double, week);
    Tab tab;
    tab.update(sessions);
    QCOMPARE(tab.cardValues(), values);
    QCOMPARE(tab.chartWeek(), week);
    QCOMPARE(tab.view.cards()[0]->accentColor(), activePelvaneGreenDeep());
    QCOMPARE(tab.view.cards()[1]->accentColor(), activePelvaneGreen());
    QVERIFY(!tab.view.showsEmptyLabel());
}

void HistoryDashboardTest::emptyHistory()
{
    Tab tab;
    tab.update({});
    QCOMPARE(tab.cardValues(), QStringList({"0分", "0分", "0分", "0"}));
    QCOMPARE(tab.view.chartView()->dayUsages().size(), size_t(7));
    QCOMPARE(tab.chartWeek(), 0.0);
    QVERIFY(tab.view.showsEmptyLabel());
    QVERIFY(tab.view.recentRows().empty());

    // Sessions arriving hide it; losing them (a cleared log) brings it back.
    tab.update({session("2026-03-07 14:00", "2026-03-07 14:20", AwakeMode::normal)});
    QVERIFY(!tab.view.showsEmptyLabel());
    tab.update({});
    QVERIFY(tab.view.showsEmptyLabel());
    QVERIFY(tab.view.recentRows().empty());
}

void HistoryDashboardTest::recentListShowsTheSixLatest()
{
    std::vector<HistorySession> nine;
    for (int day : {3, 1, 7, 5, 2, 6, 4})
        nine.push_back(session(QStringLiteral("2026-03-0%1 09:00").arg(day), QStringLiteral("2026-03-0%1 10:30").arg(day),
                               day % 2 ? AwakeMode::normal : AwakeMode::forced));
    nine.push_back(session("2026-02-28 09:00", "2026-02-28 09:10", AwakeMode::normal));
    nine.push_back(session("2026-03-06 21:05", "2026-03-06 21:06", AwakeMode::forced));
    Tab tab;
    tab.update(nine);
    QCOMPARE(tab.rowTitles(), QStringList({"03-07 09:00 · 挂机模式 · 01小时30分", "03-06 21:05 · 强制挂机 · 00小时01分",
                                           "03-06 09:00 · 强制挂机 · 01小时30分", "03-05 09:00 · 挂机模式 · 01小时30分",
                                           "03-04 09:00 · 强制挂机 · 01小时30分", "03-03 09:00 · 挂机模式 · 01小时30分"}));
    QCOMPARE(tab.cardValues().back(), QStringLiteral("9"));
}

void HistoryDashboardTest::refreshKeepsUnchangedRows()
{
    Tab tab;
    const HistorySession done = session("2026-03-07 09:00", "2026-03-07 10:00", AwakeMode::normal);
    HistorySession running{at("2026-03-07 14:59"), tab.fixture.store->now(), AwakeMode::forced};
    tab.update({done, running});
    QCOMPARE(tab.view.recentRows().size(), size_t(2));
    const QPointer<HistoryRecentRowView> first = tab.view.recentRows()[0], second = tab.view.recentRows()[1];
    auto rowWidgets = [&] {
        qsizetype count = 0;
        for (QObject* child : tab.view.findChildren<QObject*>())
            count += dynamic_cast<HistoryRecentRowView*>(child) != nullptr;
        return count;
    };

    // A minute of refreshes and the running row's minutes changing: the same widgets, new text.
    for (int second = 1; second <= 70; ++second) {
        tab.fixture.fake.clock.advance(1);
        running.end = tab.fixture.store->now();
        tab.update({done, running});
    }
    QVERIFY(first && second);
    QCOMPARE(tab.view.recentRows(), (std::vector<HistoryRecentRowView*>{first, second}));
    QCOMPARE(tab.rowTitles(), QStringList({"03-07 14:59 · 强制挂机 · 00小时02分", "03-07 09:00 · 挂机模式 · 01小时00分"}));

    // A new latest session pushes the others down; nine never make more than six rows.
    std::vector<HistorySession> many{done, running};
    for (int i = 0; i < 7; ++i)
        many.push_back(session(QStringLiteral("2026-03-0%1 08:00").arg(i + 1), QStringLiteral("2026-03-0%1 08:30").arg(i + 1),
                               AwakeMode::normal));
    many.push_back(HistorySession{running.end, running.end + 30, AwakeMode::normal});
    tab.update(many);
    QCOMPARE(tab.rowTitles().size(), 6);
    QCOMPARE(tab.rowTitles()[0], QStringLiteral("03-07 15:01 · 挂机模式 · 00小时00分"));
    QCOMPARE(tab.rowTitles()[1], QStringLiteral("03-07 14:59 · 强制挂机 · 00小时02分"));
    QCOMPARE(rowWidgets(), qsizetype(6));
    QVERIFY(first);

    // Fewer sessions again: the extra rows go.
    tab.update({done});
    QCOMPARE(tab.rowTitles(), QStringList({"03-07 09:00 · 挂机模式 · 01小时00分"}));
    QCOMPARE(rowWidgets(), qsizetype(1));
}

void HistoryDashboardTest::sectionSurvivesUpdates()
{
    Tab tab;
    tab.view.show();
    QCOMPARE(tab.view.currentSection(), 0);
    QTest::mouseClick(tab.view.sectionButton(1), Qt::LeftButton);
    QCOMPARE(tab.view.currentSection(), 1);
    QVERIFY(tab.view.estimateView()->isVisible());
    QVERIFY(!tab.view.chartView()->isVisible());
    tab.update({session("2026-03-07 09:00", "2026-03-07 10:00", AwakeMode::normal)});
    QCOMPARE(tab.view.currentSection(), 1);
    QTest::mouseClick(tab.view.sectionButton(0), Qt::LeftButton);
    QVERIFY(tab.view.chartView()->isVisible());
    QVERIFY(!tab.view.estimateView()->isVisible());
    // Chosen in code, the switch follows.
    tab.view.sectionChanged(1);
    QVERIFY(tab.view.sectionButton(1)->isChecked() && !tab.view.sectionButton(0)->isChecked());
    tab.view.sectionChanged(7);
    QCOMPARE(tab.view.currentSection(), 0);
    QVERIFY(tab.view.sectionButton(0)->isChecked());
}

void HistoryDashboardTest::estimatePanelBeforeAndAfter()
{
    Tab tab;
    const auto& rows = tab.view.estimateView()->rows();
    QStringList titles, values;
    for (const HistoryMetricRowView* row : rows)
        titles << row->title(), values << row->value();
    QCOMPARE(titles, QStringList({"设备机型", "推断地区", "居民电价", "累计耗电", "累计花费", "强制挂机省电", "强制挂机少花"}));
    QCOMPARE(values, QStringList(7, QStringLiteral("--")));
    QCOMPARE(tab.view.estimateView()->subtitle(), QStringLiteral("按设备机型功耗 + 系统时区推断的居民电价估算，仅供参考。"));

    const std::vector sessions{session("2026-03-07 10:00", "2026-03-07 10:30", AwakeMode::forced)};
    for (AppLanguage language : {AppLanguage::chinese, AppLanguage::english}) {
        tab.fixture.store->language = language;
        tab.update(sessions);
        const EnergyDashboardSummary summary = tab.fixture.store->energyDashboardSummary(sessions);
        const QStringList expected{summary.machineLabel,     summary.locationLabel,    summary.rateLabel,
                                   summary.totalEnergyLabel, summary.totalSpentLabel,  summary.savedEnergyLabel,
                                   summary.savedMoneyLabel};
        values.clear();
        for (const HistoryMetricRowView* row : rows)
            values << row->value();
        QCOMPARE(values, expected);
        QCOMPARE(tab.view.estimateView()->subtitle(), summary.noteLabel);
        QCOMPARE(rows[0]->title(), QStringLiteral("设备机型"));
        QCOMPARE(rows[1]->value(), language == AppLanguage::english ? "Shanghai, China" : "中国·上海（北京时间）");
    }
    QCOMPARE(rows[2]->valueColor(), activePelvaneGreenDeep());
    QCOMPARE(rows[5]->valueColor(), activePelvaneGreen());
    QCOMPARE(rows[3]->valueColor(), dashboardStyle::label());
}

void HistoryDashboardTest::longValuesWrap()
{
    HistoryEstimatePanelView panel;
    EnergyDashboardSummary summary;
    summary.machineLabel = QStringLiteral("MacBook Pro (16-inch, Nov 2023)（Apple M3 Max with 16-core CPU and 40-core GPU）");
    summary.locationLabel = QStringLiteral("Hong Kong");
    panel.setSummary(summary);
    panel.resize(320, 600);
    panel.show();
    QApplication::processEvents();
    const auto& rows = panel.rows();
    QCOMPARE(rows[0]->value(), summary.machineLabel);
    QVERIFY2(rows[0]->height() > rows[1]->height() + 10,
             qPrintable(QStringLiteral("%1 vs %2").arg(rows[0]->height()).arg(rows[1]->height())));
    QVERIFY(rows[0]->width() <= 320);
}

void HistoryDashboardTest::chartPictures_data()
{
    QTest::addColumn<std::vector<DayUsage>>("days");
    QTest::addColumn<QString>("reference");
    QTest::newRow("empty week") << week({}) << "chart-empty-week";
    QTest::newRow("half-track day") << week({{1800, 0}}) << "chart-half-track";
    QTest::newRow("full stacked day") << week({{7200, 3600}, {0, 5400}, {900, 0}}) << "chart-full-stacked";
}

void HistoryDashboardTest::chartPictures()
{
    QFETCH(std::vector<DayUsage>, days);
    QFETCH(QString, reference);
    HistoryChartView chart;
    chart.resize(610, 152);
    chart.setDayUsages(days);
    LAUNCHER_COMPARE_WITH_REFERENCE(grabbed(chart), "dashboard/reference/" + reference);
}

void HistoryDashboardTest::tabPictures_data()
{
    QTest::addColumn<AppLanguage>("language");
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("name");
    QTest::newRow("overview, Chinese") << AppLanguage::chinese << 0 << "stats-overview-zh";
    QTest::newRow("overview, English") << AppLanguage::english << 0 << "stats-overview-en";
    QTest::newRow("cost, Chinese") << AppLanguage::chinese << 1 << "stats-cost-zh";
    QTest::newRow("cost, English") << AppLanguage::english << 1 << "stats-cost-en";
}

// Grabbed for looking at, beside the test binaries; not compared, since the
// symbols on the cards come from elsewhere.
void HistoryDashboardTest::tabPictures()
{
    QFETCH(AppLanguage, language);
    QFETCH(int, section);
    QFETCH(QString, name);
    Tab tab;
    tab.fixture.store->language = language;
    tab.view.sectionChanged(section);
    tab.update({session("2026-03-02 08:00", "2026-03-02 11:00", AwakeMode::normal),
                session("2026-03-04 22:00", "2026-03-05 01:30", AwakeMode::forced),
                session("2026-03-05 09:00", "2026-03-05 10:00", AwakeMode::normal),
                session("2026-03-06 13:00", "2026-03-06 14:45", AwakeMode::forced),
                session("2026-03-07 09:30", "2026-03-07 11:00", AwakeMode::normal),
                session("2026-03-07 11:00", "2026-03-07 12:00", AwakeMode::forced),
                session("2026-03-07 14:00", "2026-03-07 15:00", AwakeMode::normal)});
    const QImage image = grabbed(tab.view);
    QCOMPARE(image.size(), QSize(602, 760));
    QVERIFY(image.save(QDir(LAUNCHER_BIN_DIR).filePath(name + ".png")));
}

QTEST_MAIN(HistoryDashboardTest)
#include "tst_historydashboard.moc"
