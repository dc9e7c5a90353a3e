#include "platform/PosixSignals.h"

#include <QtTest>

#include <csignal>

using namespace launcher;

class PosixSignalsTest : public QObject {
    Q_OBJECT
private slots:
    void signalsArriveThroughTheEventLoop_data()
    {
        QTest::addColumn<QList<int>>("raised");
        QTest::newRow("terminate") << QList<int>{SIGTERM};
        QTest::newRow("interrupt") << QList<int>{SIGINT};
        QTest::newRow("hang-up") << QList<int>{SIGHUP};
        QTest::newRow("several, in order") << QList<int>{SIGHUP, SIGTERM, SIGINT};
    }
    void signalsArriveThroughTheEventLoop()
    {
        QFETCH(QList<int>, raised);
        QList<int> received;
        {
            PosixSignals signalsOfTest([&received](int number) { received << number; });
            QVERIFY(signalsOfTest.isValid());
            for (int number : raised)
                std::raise(number);
            QVERIFY(received.isEmpty()); // not inside the signal handler
            QTRY_COMPARE(received, raised);
        }
        for (int number : {SIGTERM, SIGINT, SIGHUP}) {
            struct sigaction current = {};
            QCOMPARE(sigaction(number, nullptr, &current), 0);
            QVERIFY(current.sa_handler == SIG_DFL);
        }
    }
};

QTEST_MAIN(PosixSignalsTest)
#include "tst_posixsignals.moc"
