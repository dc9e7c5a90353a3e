// Two instances of the program in one test process, on a temporary folder.

#include "app/SingleInstance.h"

#include <QHostInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace launcher;

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void theSecondInstanceAsksTheFirstToShowUntilTheFirstEnds()
    {
        QTemporaryDir dir;
        const QString support = dir.filePath("PelvaneWakehold"); // not there yet
        auto first = std::make_unique<SingleInstance>(support);
        SingleInstance second(support);
        QVERIFY(first->tryBecomePrimary());
        QVERIFY(first->isPrimary());
        QVERIFY(QFile::exists(first->lockFilePath()));
        QVERIFY(!second.tryBecomePrimary());
        QVERIFY(!second.isPrimary());

        QSignalSpy shown(first.get(), &SingleInstance::showRequested);
        QVERIFY(second.askPrimaryToShow());
        QTRY_COMPARE(shown.count(), 1);
        QVERIFY(second.askPrimaryToShow());
        QTRY_COMPARE(shown.count(), 2);

        // Its lock released, the next one asking takes over and is asked in turn.
        first.reset();
        QVERIFY(second.tryBecomePrimary());
        SingleInstance third(support);
        QSignalSpy shownBySecond(&second, &SingleInstance::showRequested);
        QVERIFY(third.askPrimaryToShow());
        QTRY_COMPARE(shownBySecond.count(), 1);
    }

    void theLockOfAnEndedProgramIsTakenOver()
    {
        QTemporaryDir dir;
        QProcess ended;
        ended.start("true", {});
        QVERIFY(ended.waitForStarted());
        const qint64 pid = ended.processId();
        QVERIFY(ended.waitForFinished());
        SingleInstance instance(dir.path());
        QFile lock(instance.lockFilePath());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(pid) + "\nlauncher\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();
        QVERIFY(instance.tryBecomePrimary());
    }

    void withoutARunningInstanceNobodyAnswers()
    {
        QTemporaryDir dir;
        SingleInstance lonely(dir.path());
        QElapsedTimer waited;
        waited.start();
        QVERIFY(!lonely.askPrimaryToShow(300));
        QVERIFY(waited.elapsed() < 2000);
    }

    void separateFoldersAreSeparatePrograms()
    {
        QTemporaryDir a, b;
        SingleInstance first(a.path());
        SingleInstance second(b.path());
        QVERIFY(first.serverName() != second.serverName());
        QVERIFY(first.tryBecomePrimary());
        QVERIFY(second.tryBecomePrimary());
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
