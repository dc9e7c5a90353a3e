#include "dashboard/HistoryChartView.h"
#include "dashboard/HistoryRecentRowView.h"
#include "dashboard/HistoryStatistics.h"

#include <QDateTime>
#include <QtTest>

using namespace launcher;

namespace {

double at(const QString& local, const QByteArray& zone = "Asia/Shanghai")
{
    const QDateTime time = QDateTime::fromString(local, QStringLiteral("yyyy-MM-dd HH:mm"));
    return double(QDateTime(time.date(), time.time(), QTimeZone(zone)).toSecsSinceEpoch());
}

HistorySession session(const QString& from, const QString& to, AwakeMode mode, const QByteArray& zone = "Asia/Shanghai")
{
    return HistorySession{at(from, zone), at(to, zone), mode};
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
    void formatDuration_data();
    void formatDuration();
    void rowTitle();
    void latestKeepsInputOrderOnTies();
    void chartBars_data();
    void chartBars();
};

void HistoryStatisticsTest::dayUsages_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("now");
    QTest::addColumn<std::vector<HistorySession>>("sessions");
    QTest::addColumn<QStringList>("days"); // "normal/forced", oldest first
    const auto zeros = [](int n) { return QStringList(n, QStringLiteral("0/0")); };
    const QByteArray shanghai = "Asia/Shanghai", berlin = "Europe/Berlin";
    const QString now = QStringLiteral("2026-03-07 15:00");

    QTest::newRow("none") << shanghai << now << std::vector<HistorySession>{} << zeros(7);
    QTest::newRow("23:30 yesterday to 00:45 today")
        << shanghai << now << std::vector{session("2026-03-06 23:30", "2026-03-07 00:45", AwakeMode::normal)}
        << (zeros(5) << "1800/0" << "2700/0");
    QTest::newRow("10:00 to 12:30 forced")
        << shanghai << now << std::vector{session("2026-03-07 10:00", "2026-03-07 12:30", AwakeMode::forced)}
        << (zeros(6) << "0/9000");
    QTest::newRow("ended eight days ago")
        << shanghai << now << std::vector{session("2026-02-27 08:00", "2026-02-27 09:00", AwakeMode::forced)}
        << zeros(7);
    QTest::newRow("three days, off counts as normal, cut at both ends")
        << shanghai << now
        << std::vector{session("2026-02-28 22:00", "2026-03-03 06:00", AwakeMode::off),
                       session("2026-03-07 23:00", "2026-03-08 02:00", AwakeMode::forced)}
        << (QStringList{"86400/0", "86400/0", "21600/0"} << zeros(3) << "0/3600");
    QTest::newRow("spring forward: 23 hours")
        << berlin << "2026-03-29 12:00"
        << std::vector{session("2026-03-28 20:00", "2026-03-30 04:00", AwakeMode::forced, berlin)}
        << (zeros(5) << "0/14400" << "0/82800");
    QTest::newRow("fall back: 25 hours")
        << berlin << "2026-10-25 12:00"
        << std::vector{session("2026-10-24 20:00", "2026-10-26 04:00", AwakeMode::normal, berlin)}
        << (zeros(5) << "14400/0" << "90000/0");
}

void HistoryStatisticsTest::dayUsages()
{
    QFETCH(QByteArray, zone);
    QFETCH(QString, now);
    QFETCH(std::vector<HistorySession>, sessions);
    QFETCH(QStringList, days);
    const QTimeZone timeZone(zone);
    const auto usages = launcher::dayUsages(sessions, at(now, zone), timeZone);
    QStringList actual;
    for (const DayUsage& day : usages)
        actual << QStringLiteral("%1/%2").arg(day.normalDuration).arg(day.forcedDuration);
    QCOMPARE(actual, days);
    QCOMPARE(usages.back().day, at(now.left(10) + " 00:00", zone));
}

void HistoryStatisticsTest::formatDuration_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("59") << 59.0 << "0分";
    QTest::newRow("59.5 rounds up") << 59.5 << "1分";
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

void HistoryStatisticsTest::rowTitle()
{
    const double start = at("2026-03-07 21:05") + 0.4;
    const QTimeZone shanghai("Asia/Shanghai");
    QCOMPARE(HistoryRecentRowView::title({start, start + 7199.9, AwakeMode::forced}, shanghai),
             QStringLiteral("03-07 21:05 · 强制挂机 · 01小时59分"));
    QCOMPARE(HistoryRecentRowView::title({start, start + 360060, AwakeMode::off}, QTimeZone("Europe/Berlin")),
             QStringLiteral("03-07 14:05 · 挂机模式 · 100小时01分"));
}

void HistoryStatisticsTest::latestKeepsInputOrderOnTies()
{
    const std::vector<HistorySession> ties{
        {5, 6, AwakeMode::normal}, {5, 7, AwakeMode::forced}, {9, 10, AwakeMode::normal}, {5, 8, AwakeMode::normal}};
    QCOMPARE(latestSessions(ties, 3), (std::vector<HistorySession>{ties[2], ties[0], ties[1]}));
    QCOMPARE(latestSessions(ties, 6), (std::vector<HistorySession>{ties[2], ties[0], ties[1], ties[3]}));
}

void HistoryStatisticsTest::chartBars_data()
{
    // A 610 x 152 view: plot 570 x 116, track 70 high from y 38 to 108.
    QTest::addColumn<double>("width");
    QTest::addColumn<std::vector<DayUsage>>("days");
    QTest::addColumn<double>("spacing");
    QTest::addColumn<QList<double>>("heights"); // normal and forced part of each bar
    const std::vector<DayUsage> week(7, usage(0, 0));
    auto withLast = [&](std::initializer_list<DayUsage> last) {
        std::vector<DayUsage> days(week.begin(), week.end() - qsizetype(last.size()));
        days.insert(days.end(), last);
        return days;
    };
    QTest::newRow("empty week") << 610.0 << week << 46.0 << QList<double>(14, 0);
    QTest::newRow("30 minutes is half the track")
        << 610.0 << withLast({usage(1800, 0)}) << 46.0 << (QList<double>(12, 0) << 35 << 0);
    QTest::newRow("2 h + 1 h fills it, 5400 s forced is half")
        << 610.0 << withLast({usage(7200, 3600), usage(0, 5400)}) << 46.0
        << (QList<double>(10, 0) << 70 * 2.0 / 3 << 70 / 3.0 << 0 << 35);
    QTest::newRow("under a second of normal time")
        << 610.0 << withLast({usage(0.5, 0)}) << 46.0 << (QList<double>(12, 0) << 70 * 0.5 / 3600 << 0);
    QTest::newRow("too narrow keeps 12") << 300.0 << week << 12.0 << QList<double>(14, 0);
}

void HistoryStatisticsTest::chartBars()
{
    QFETCH(double, width);
    QFETCH(std::vector<DayUsage>, days);
    QFETCH(double, spacing);
    QFETCH(QList<double>, heights);
    const ChartGeometry g = chartGeometry(QSizeF(width, 152), days);
    QCOMPARE(g.spacing, spacing);
    QCOMPARE(g.gridLines, (std::vector<double>{108, 108 - 70 / 3.0, 108 - 140 / 3.0, 38}));
    QList<double> actual;
    for (size_t k = 0; k < g.bars.size(); ++k) {
        const ChartBar& bar = g.bars[k];
        QCOMPARE(bar.track, QRectF(20 + double(k) * (spacing + 42), 38, 42, 70));
        QCOMPARE(bar.label, QRectF(bar.track.left() - 4, 120, 50, 18));
        if (!bar.normal.isEmpty())
            QCOMPARE(bar.normal.bottom(), 108.0);
        if (!bar.forced.isEmpty())
            QCOMPARE(bar.forced.bottom(), 108 - bar.normal.height());
        actual << bar.normal.height() << bar.forced.height();
    }
    QCOMPARE(actual.size(), heights.size());
    for (qsizetype i = 0; i < actual.size(); ++i)
        QCOMPARE(actual[i], heights[i]);
    QCOMPARE(g.bars.back().labelText, QStringLiteral("3/7"));
}

QTEST_GUILESS_MAIN(HistoryStatisticsTest)
#include "tst_dashboardstatistics.moc"
