// Two instances of the program in one test process, on a temporary folder.

#include "app/SingleInstance.h"
#include "support/Files.h"

#include <QSysInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

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
        QVERIFY(!second.tryBecomePrimary());

        QSignalSpy shown(first.get(), &SingleInstance::showRequested);
        QVERIFY(second.askPrimaryToShow());
        QTRY_COMPARE(shown.count(), 1);

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
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        writeFile(instance.lockFilePath(), QByteArray::number(pid) + "\nlauncher\n" + host + "\n");
        QVERIFY(instance.tryBecomePrimary());
    }

    void anotherFolderIsAnotherProgramAndNobodyAnswersThere()
    {
        QTemporaryDir a, b;
        SingleInstance primary(a.path());
        SingleInstance lonely(b.path());
        QVERIFY(primary.tryBecomePrimary());
        QElapsedTimer waited;
        waited.start();
        QVERIFY(!lonely.askPrimaryToShow(300));
        QVERIFY(waited.elapsed() < 2000);
        QVERIFY(lonely.tryBecomePrimary());
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
