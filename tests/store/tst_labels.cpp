#include "store/Labels.h"

#include <QtTest>

using namespace launcher;

namespace {
constexpr double now = 1'800'000'000.0;
}

class LabelsTest : public QObject {
    Q_OBJECT
private slots:
    void labels_data()
    {
        QTest::addColumn<double>("seconds"); // since the start, or left until a timed stop
        QTest::addColumn<bool>("timed");
        QTest::addColumn<QString>("bar");
        QTest::addColumn<QString>("full"); // the time awake, or the time remaining
        QTest::newRow("3599.9 s") << 3599.9 << false << "59:59" << "00:59:59";
        QTest::newRow("one hour") << 3600.0 << false << "01:00" << "01:00:00";
        QTest::newRow("3h 5m 7s") << 11107.0 << false << "03:05" << "03:05:07";
        QTest::newRow("started in the future") << -30.0 << false << "00:00" << "00:00:00";
        QTest::newRow("3599.5 s left") << 3599.5 << true << "T-59:59" << "59:59 remaining";
        QTest::newRow("an hour left") << 3600.0 << true << "T-01:00:00" << "01:00:00 remaining";
        QTest::newRow("a week left") << 604800.0 << true << "T-168:00:00" << "168:00:00 remaining";
        QTest::newRow("past due") << -2.0 << true << "T-00:00" << "00:00 remaining";
    }
    void labels()
    {
        QFETCH(double, seconds);
        QFETCH(bool, timed);
        QFETCH(QString, bar);
        QFETCH(QString, full);
        if (timed) {
            QCOMPARE(durationLabelForStatusBar(AwakeMode::forced, now - 10, now + seconds, now), bar);
            QCOMPARE(remainingTimeLabel(AwakeMode::forced, now + seconds, now, true), full);
        } else {
            QCOMPARE(durationLabelForStatusBar(AwakeMode::normal, now - seconds, std::nullopt, now), bar);
            QCOMPARE(durationLabel(AwakeMode::normal, now - seconds, now), full);
        }
    }

    void offOrUnstartedShowsNothing()
    {
        QCOMPARE(durationLabelForStatusBar(AwakeMode::off, now - 100, now + 100, now), QString());
        QCOMPARE(remainingTimeLabel(AwakeMode::off, now + 100, now, true), std::nullopt);
        QCOMPARE(durationLabelForStatusBar(AwakeMode::normal, std::nullopt, std::nullopt, now), QString());
    }
};

QTEST_GUILESS_MAIN(LabelsTest)
#include "tst_labels.moc"
