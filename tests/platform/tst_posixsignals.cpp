#include "platform/PosixSignals.h"

#include <QtTest>

#include <csignal>

using namespace launcher;

class PosixSignalsTest : public QObject {
    Q_OBJECT
private slots:
    // An unhandled one of these would end the test process at once.
    void signalsArriveThroughTheEventLoopInOrder()
    {
        const QList<int> raised{SIGHUP, SIGTERM, SIGINT};
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
