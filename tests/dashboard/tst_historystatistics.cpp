#include "dashboard/HistoryChartView.h"
#include "dashboard/HistoryRecentRowView.h"
#include "dashboard/HistoryStatistics.h"

#include <QDateTime>
#include <QtTest>

using namespace launcher;

namespace {

const QTimeZone shanghai("Asia/Shanghai");
const QTimeZone berlin("Europe/Berlin");

double at(const QString& local, const QTimeZone& zone = shanghai)
{
    const QDateTime time = QDateTime::fromString(local, QStringLiteral("yyyy-MM-dd HH:mm"));
    return double(QDateTime(time.date(), time.time(), zone).toSecsSinceEpoch());
}

HistorySession session(const QString& from, const QString& to, AwakeMode mode, const QTimeZone& zone = shanghai)
{
    return HistorySession{at(from, zone), at(to, zone), mode};
}

// "normal,forced" per day, oldest first, in whole seconds.
QStringList describe(const std::vector<DayUsage>& days)
{
    QStringList out;
    for (const DayUsage& day : days)
        out << QStringLiteral("%1,%2").arg(day.normalDuration).arg(day.forcedDuration);
    return out;
}

DayUsage usage(double normal, double forced)
{
    return DayUsage{0, QDate(2026, 3, 7), normal, forced};
}

} // namespace

class HistoryStatisticsTest : public QObject {
    Q_OBJECT

private slots:
    void dayUsages_data();
    void dayUsages();
    void daysAreConsecutiveLocalMidnights();
    void daylightSavingDays_data();
    void daylightSavingDays();
    void formatDuration_data();
    void formatDuration();
    void rowTitle_data();
    void rowTitle();
    void latestSessions();
    void chartSpacing_data();
    void chartSpacing();
    void chartBars_data();
    void chartBars();
    void chartGridAndLabels();
};

void HistoryStatisticsTest::dayUsages_data()
{
    QTest::addColumn<std::vector<HistorySession>>("sessions");
    QTest::addColumn<QStringList>("days");
    QTest::addColumn<double>("today");
    const QString empty = QStringLiteral("0,0");

    QTest::newRow("none") << std::vector<HistorySession>{} << QStringList(7, empty) << 0.0;
    QTest::newRow("23:30 yesterday to 00:45 today")
        << std::vector{session("2026-03-06 23:30", "2026-03-07 00:45", AwakeMode::normal)}
        << (QStringList(5, empty) << "1800,0" << "2700,0") << 2700.0;
    QTest::newRow("10:00 to 12:30 forced")
        << std::vector{session("2026-03-07 10:00", "2026-03-07 12:30", AwakeMode::forced)}
        << (QStringList(6, empty) << "0,9000") << 9000.0;
    QTest::newRow("ended eight days ago")
        << std::vector{session("2026-02-27 08:00", "2026-02-27 09:00", AwakeMode::forced)} << QStringList(7, empty)
        << 0.0;
    QTest::newRow("reaches into the oldest day")
        << std::vector{session("2026-02-28 22:00", "2026-03-01 01:00", AwakeMode::normal)}
        << (QStringList{"3600,0"} << QStringList(6, empty)) << 0.0;
    QTest::newRow("spans three days, off counts as normal")
        << std::vector{session("2026-03-04 12:00", "2026-03-06 06:00", AwakeMode::off),
                       session("2026-03-05 10:00", "2026-03-05 11:00", AwakeMode::forced)}
        << (QStringList(3, empty) << "43200,0" << "86400,3600" << "21600,0" << empty) << 0.0;
    QTest::newRow("running past now is cut at midnight")
        << std::vector{session("2026-03-07 23:00", "2026-03-08 02:00", AwakeMode::normal)}
        << (QStringList(6, empty) << "3600,0") << 3600.0;
}

void HistoryStatisticsTest::dayUsages()
{
    QFETCH(std::vector<HistorySession>, sessions);
    QFETCH(QStringList, days);
    QFETCH(double, today);
    const double now = at("2026-03-07 15:00");
    QCOMPARE(describe(launcher::dayUsages(sessions, now, shanghai)), days);
    QCOMPARE(todayDuration(sessions, now, shanghai), today);
}

void HistoryStatisticsTest::daysAreConsecutiveLocalMidnights()
{
    const auto days = launcher::dayUsages({}, at("2026-03-01 00:00"), shanghai);
    QCOMPARE(days.size(), size_t(7));
    QCOMPARE(days.front().date, QDate(2026, 2, 23));
    QCOMPARE(days.back().date, QDate(2026, 3, 1));
    for (const DayUsage& day : days)
        QCOMPARE(day.day, double(QDateTime(day.date, QTime(0, 0), shanghai).toSecsSinceEpoch()));
}

void HistoryStatisticsTest::daylightSavingDays_data()
{
    QTest::addColumn<QString>("day");
    QTest::addColumn<double>("seconds");
    QTest::newRow("spring forward") << "2026-03-29" << 82800.0;
    QTest::newRow("fall back") << "2026-10-25" << 90000.0;
    QTest::newRow("ordinary") << "2026-06-14" << 86400.0;
}

void HistoryStatisticsTest::daylightSavingDays()
{
    QFETCH(QString, day);
    QFETCH(double, seconds);
    const QDate date = QDate::fromString(day, Qt::ISODate);
    const QString before = date.addDays(-1).toString(Qt::ISODate), after = date.addDays(1).toString(Qt::ISODate);
    const std::vector sessions{session(before + " 20:00", after + " 04:00", AwakeMode::forced, berlin)};
    const double now = at(day + " 12:00", berlin);

    const auto days = launcher::dayUsages(sessions, now, berlin);
    QCOMPARE(days.back().forcedDuration, seconds);
    QCOMPARE(days[5].forcedDuration, 4.0 * 3600);
    QCOMPARE(todayDuration(sessions, now, berlin), seconds);
}

void HistoryStatisticsTest::formatDuration_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0分";
    QTest::newRow("59") << 59.0 << "0分";
    QTest::newRow("59.5 rounds up") << 59.5 << "1分";
    QTest::newRow("3599.4") << 3599.4 << "59分";
    QTest::newRow("3599.5") << 3599.5 << "1小时00分";
    QTest::newRow("7265") << 7265.0 << "2小时01分";
    QTest::newRow("100 hours") << 360000.0 << "100小时00分";
}

void HistoryStatisticsTest::formatDuration()
{
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(launcher::formatDuration(seconds), text);
}

void HistoryStatisticsTest::rowTitle_data()
{
    QTest::addColumn<double>("duration");
    QTest::addColumn<AwakeMode>("mode");
    QTest::addColumn<QString>("title");
    QTest::newRow("forced, truncated") << 7199.9 << AwakeMode::forced << "03-07 21:05 · 强制挂机 · 01小时59分";
    QTest::newRow("normal") << 59.0 << AwakeMode::normal << "03-07 21:05 · 挂机模式 · 00小时00分";
    QTest::newRow("off reads as normal") << 3600.0 << AwakeMode::off << "03-07 21:05 · 挂机模式 · 01小时00分";
    QTest::newRow("over 99 hours") << 360060.0 << AwakeMode::normal << "03-07 21:05 · 挂机模式 · 100小时01分";
}

void HistoryStatisticsTest::rowTitle()
{
    QFETCH(double, duration);
    QFETCH(AwakeMode, mode);
    QFETCH(QString, title);
    const double start = at("2026-03-07 21:05") + 0.4;
    QCOMPARE(HistoryRecentRowView::title(HistorySession{start, start + duration, mode}, shanghai), title);
    // Another zone moves the clock time, not the duration.
    QVERIFY(HistoryRecentRowView::title(HistorySession{start, start + duration, mode}, berlin).startsWith("03-07 14:05"));
}

void HistoryStatisticsTest::latestSessions()
{
    std::vector<HistorySession> nine;
    for (int start : {30, 10, 90, 50, 70, 20, 80, 60, 40})
        nine.push_back(HistorySession{double(start), double(start) + 5, AwakeMode::normal});
    QStringList starts;
    for (const HistorySession& s : launcher::latestSessions(nine, 6))
        starts << QString::number(s.start);
    QCOMPARE(starts, QStringList({"90", "80", "70", "60", "50", "40"}));

    // Equal starts keep their input order, also at the cut.
    const std::vector<HistorySession> ties{{5, 6, AwakeMode::normal}, {5, 7, AwakeMode::forced},
                                           {9, 10, AwakeMode::normal}, {5, 8, AwakeMode::normal}};
    QCOMPARE(launcher::latestSessions(ties, 3),
             (std::vector<HistorySession>{ties[2], ties[0], ties[1]}));
    QCOMPARE(launcher::latestSessions(ties, 10), (std::vector<HistorySession>{ties[2], ties[0], ties[1], ties[3]}));
    QVERIFY(launcher::latestSessions({}, 6).empty());
}

void HistoryStatisticsTest::chartSpacing_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("days");
    QTest::addColumn<double>("spacing");
    QTest::newRow("570-wide plot") << 610.0 << 7 << 46.0;
    QTest::newRow("too narrow keeps 12") << 300.0 << 7 << 12.0;
    QTest::newRow("one day") << 610.0 << 1 << 528.0;
    QTest::newRow("no days") << 610.0 << 0 << 528.0;
}

void HistoryStatisticsTest::chartSpacing()
{
    QFETCH(double, width);
    QFETCH(int, days);
    QFETCH(double, spacing);
    const ChartGeometry g = chartGeometry(QSizeF(width, 152), std::vector<DayUsage>(size_t(days), usage(0, 0)));
    QCOMPARE(g.plot, QRectF(20, 18, width - 40, 116));
    QCOMPARE(g.spacing, spacing);
    QCOMPARE(g.bars.size(), size_t(days));
    for (size_t k = 0; k < g.bars.size(); ++k)
        QCOMPARE(g.bars[k].track.left(), 20 + double(k) * (spacing + 42));
}

void HistoryStatisticsTest::chartBars_data()
{
    // Heights as fractions of the track, bottom part first.
    QTest::addColumn<std::vector<DayUsage>>("days");
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("normalShare");
    QTest::addColumn<double>("forcedShare");
    QTest::newRow("30 minutes is half of an hour") << std::vector{usage(0, 0), usage(1800, 0)} << 1 << 0.5 << 0.0;
    QTest::newRow("empty day") << std::vector{usage(0, 0), usage(1800, 0)} << 0 << 0.0 << 0.0;
    QTest::newRow("busiest fills the track")
        << std::vector{usage(7200, 3600), usage(0, 5400)} << 0 << 2.0 / 3 << 1.0 / 3;
    QTest::newRow("forced only, half of the busiest")
        << std::vector{usage(7200, 3600), usage(0, 5400)} << 1 << 0.0 << 0.5;
}

void HistoryStatisticsTest::chartBars()
{
    QFETCH(std::vector<DayUsage>, days);
    QFETCH(int, index);
    QFETCH(double, normalShare);
    QFETCH(double, forcedShare);
    const ChartGeometry g = chartGeometry(QSizeF(610, 152), days);
    const double trackHeight = g.base - g.top;
    QCOMPARE(trackHeight, 70.0);
    const ChartBar& bar = g.bars[size_t(index)];
    QCOMPARE(bar.track, QRectF(bar.track.left(), g.top, 42, trackHeight));
    QCOMPARE(bar.normal.height(), normalShare * trackHeight);
    QCOMPARE(bar.forced.height(), forcedShare * trackHeight);
    if (!bar.normal.isEmpty())
        QCOMPARE(bar.normal.bottom(), g.base);
    if (!bar.forced.isEmpty())
        QCOMPARE(bar.forced.bottom(), g.base - bar.normal.height());
}

void HistoryStatisticsTest::chartGridAndLabels()
{
    const ChartGeometry g = chartGeometry(QSizeF(610, 152), {DayUsage{0, QDate(2026, 3, 7), 0, 0}});
    QCOMPARE(g.gridLines, (std::vector<double>{108, 108 - 70.0 / 3, 108 - 140.0 / 3, 38}));
    QCOMPARE(g.bars[0].label, QRectF(16, 120, 50, 18));
    QCOMPARE(g.bars[0].labelText, QStringLiteral("3/7"));
    // No days: the grid alone.
    const ChartGeometry none = chartGeometry(QSizeF(610, 152), {});
    QCOMPARE(none.gridLines.size(), size_t(4));
    QVERIFY(none.bars.empty());
}

QTEST_GUILESS_MAIN(HistoryStatisticsTest)
#include "tst_historystatistics.moc"
