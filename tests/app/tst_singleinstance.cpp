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

    // Turning launch at login on makes launchd start a copy at once: that
    // copy leaves quietly, where a copy started by hand asks for the dashboard.
    void theProgramStartedByItsLaunchAgentLeavesTheRunningOneAlone()
    {
        QTemporaryDir home;
        const QString data = home.filePath(QStringLiteral("data"));
#ifdef Q_OS_MACOS
        const QString support = home.filePath(QStringLiteral("Library/Application Support/PelvaneWakehold"));
#else
        const QString support = data + QStringLiteral("/PelvaneWakehold");
#endif
        SingleInstance running(support);
        QVERIFY(running.tryBecomePrimary());
        QSignalSpy shown(&running, &SingleInstance::showRequested);

        const auto startCopy = [&](const QString& service) {
            QProcess copy;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("HOME"), home.path());
            environment.insert(QStringLiteral("XDG_DATA_HOME"), data);
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            environment.insert(QStringLiteral("PELVANE_TEST_MODE"), QStringLiteral("1"));
            environment.insert(QStringLiteral("XPC_SERVICE_NAME"), service);
            copy.setProcessEnvironment(environment);
            copy.start(QStringLiteral(LAUNCHER_BIN_DIR "/launcher"), {});
            if (!copy.waitForStarted())
                return -1;
            // The running one answers from this event loop.
            QElapsedTimer waited;
            waited.start();
            while (copy.state() != QProcess::NotRunning && waited.elapsed() < 20000) {
                QCoreApplication::processEvents();
                copy.waitForFinished(20);
            }
            return copy.exitStatus() == QProcess::NormalExit ? copy.exitCode() : -1;
        };
        QCOMPARE(startCopy(QStringLiteral("org.pelvanewakehold.launcher")), 0);
        QTest::qWait(300);
        QCOMPARE(shown.count(), 0);
        QCOMPARE(startCopy(QStringLiteral("com.apple.Terminal")), 0);
        QTRY_COMPARE(shown.count(), 1);
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
