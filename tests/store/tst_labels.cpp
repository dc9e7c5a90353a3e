#include "store/Labels.h"

#include <QtTest>

using namespace launcher;

namespace {
constexpr double now = 1'800'000'000.0;
}

class LabelsTest : public QObject {
    Q_OBJECT
private slots:
    void elapsed_data()
    {
        QTest::addColumn<double>("ago");
        QTest::addColumn<QString>("full");
        QTest::addColumn<QString>("bar");
        QTest::newRow("3599.9 s") << 3599.9 << "00:59:59" << "59:59";
        QTest::newRow("one hour") << 3600.0 << "01:00:00" << "01:00";
        QTest::newRow("3h 5m 7s") << 11107.0 << "03:05:07" << "03:05";
        QTest::newRow("in the future") << -30.0 << "00:00:00" << "00:00";
    }
    void elapsed()
    {
        QFETCH(double, ago);
        QFETCH(QString, full);
        QFETCH(QString, bar);
        QCOMPARE(durationLabel(AwakeMode::normal, now - ago, now), full);
        QCOMPARE(durationLabelForStatusBar(AwakeMode::normal, now - ago, std::nullopt, now), bar);
    }

    void countdown_data()
    {
        QTest::addColumn<double>("left");
        QTest::addColumn<QString>("bar");
        QTest::addColumn<QString>("zh");
        QTest::addColumn<QString>("en");
        QTest::newRow("3599.5 s") << 3599.5 << "T-59:59" << "剩余 59:59" << "59:59 remaining";
        QTest::newRow("3600 s") << 3600.0 << "T-01:00:00" << "剩余 01:00:00" << "01:00:00 remaining";
        QTest::newRow("a week") << 604800.0 << "T-168:00:00" << "剩余 168:00:00" << "168:00:00 remaining";
        QTest::newRow("past due") << -2.0 << "T-00:00" << "剩余 00:00" << "00:00 remaining";
    }
    void countdown()
    {
        QFETCH(double, left);
        QFETCH(QString, bar);
        QFETCH(QString, zh);
        QFETCH(QString, en);
        QCOMPARE(durationLabelForStatusBar(AwakeMode::forced, now - 10, now + left, now), bar);
        QCOMPARE(remainingTimeLabel(AwakeMode::forced, now + left, now, false), zh);
        QCOMPARE(remainingTimeLabel(AwakeMode::forced, now + left, now, true), en);
    }

    void offOrUnstartedShowsNothing()
    {
        QCOMPARE(durationLabel(AwakeMode::off, now - 100, now), QString("00:00"));
        QCOMPARE(durationLabelForStatusBar(AwakeMode::off, now - 100, now + 100, now), QString());
        QCOMPARE(remainingTimeLabel(AwakeMode::off, now + 100, now, true), std::nullopt);
        QCOMPARE(durationLabelForStatusBar(AwakeMode::normal, std::nullopt, std::nullopt, now), QString());
    }
};

QTEST_GUILESS_MAIN(LabelsTest)
#include "tst_labels.moc"
