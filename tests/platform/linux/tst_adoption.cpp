// The state store with the real keep-awake launcher and command runner:
// what a restarted program finds in the state file.

#include "engine/StateStore.h"
#include "platform/PosixKeepAwakeLauncher.h"
#include "platform/ProcessCommandRunner.h"
#include "store/Files.h"
#include "support/FakePlatform.h"

#include "../ProcessProbe.h"
#include "HelperTesting.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

// The fake machine, except that processes are real.
struct RealProcesses {
    FakePlatform fake;
    PosixKeepAwakeLauncher launcher{helperProgram()};
    ProcessCommandRunner runner;

    Platform platform()
    {
        return Platform{fake.clock,    runner,       launcher,          fake.environment, fake.screenEvents,
                        fake.beep,     fake.input,   fake.screens,      fake.applications, fake.power,
                        fake.sound,    fake.hardware, fake.loginItem};
    }
    QString stateFile() const { return fake.supportDirectory() + QStringLiteral("/state.json"); }
    QString historyFile() const { return fake.supportDirectory() + QStringLiteral("/history.jsonl"); }

    bool writeState(const QByteArray& json)
    {
        return QDir().mkpath(fake.supportDirectory()) && writeFileAtomically(stateFile(), json);
    }
    QByteArray stateBytes() const { return readWholeFile(stateFile()).value_or("<missing>"); }
};

QByteArray normalRecord(qint64 pid)
{
    return QByteArray(R"({"pid":)") + QByteArray::number(pid) + R"(,"mode":"normal","startedAt":1799999000.5})";
}

} // namespace

class AdoptionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus_socket");
    }

    void helperLeftByAnEarlierRunIsAdopted()
    {
        RealProcesses machine;
        auto helper = machine.launcher.launch(keepAwakeArguments(AwakeMode::normal));
        QVERIFY(helper);
        const QByteArray record = normalRecord(helper->pid());
        QVERIFY(machine.writeState(record));

        StateStore store(machine.platform());
        store.reconnectIfPossible();
        QCOMPARE(store.mode, AwakeMode::normal);
        QCOMPARE(store.pid, std::optional<qint32>(helper->pid()));
        QVERIFY(store.isActive());
        QCOMPARE(store.startedAt, std::optional<double>(1799999000.5));
        QVERIFY(!store.process); // managed by id from now on
        QCOMPARE(machine.stateBytes(), record);
        QVERIFY(!QFile::exists(machine.historyFile()));
        QVERIFY(helper->isRunning());

        // The monitor's next look finds it gone once it dies on its own.
        helper->terminateAndWait();
        store.reconnectIfPossible();
        QCOMPARE(store.mode, AwakeMode::off);
        QCOMPARE(store.pid, std::nullopt);
        QVERIFY(!store.isActive());
        QCOMPARE(machine.stateBytes(), QByteArray(R"({"mode":"off"})"));
        QVERIFY(!QFile::exists(machine.historyFile()));
    }

    void liveProcessThatIsNotOursIsLeftAlone()
    {
        RealProcesses machine;
        QProcess stranger;
        stranger.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(stranger.waitForStarted());
        const auto strangerPid = qint32(stranger.processId());
        QVERIFY(machine.writeState(normalRecord(strangerPid)));

        StateStore store(machine.platform());
        store.reconnectIfPossible();
        QCOMPARE(store.mode, AwakeMode::off);
        QCOMPARE(store.pid, std::nullopt);
        QVERIFY(!store.isActive());
        QCOMPARE(machine.stateBytes(), QByteArray(R"({"mode":"off"})"));
        QVERIFY(!QFile::exists(machine.historyFile()));

        // Not signalled: the recycled id belongs to someone else.
        QVERIFY(!stranger.waitForFinished(300));
        QVERIFY(isLive(strangerPid));
        stranger.kill();
        stranger.waitForFinished();
    }

    void recordedProcessThatIsGoneDropsToOff()
    {
        RealProcesses machine;
        auto helper = machine.launcher.launch(keepAwakeArguments(AwakeMode::forced));
        QVERIFY(helper);
        const qint32 pid = helper->pid();
        helper->terminateAndWait();
        QVERIFY(machine.writeState(QByteArray(R"({"pid":)") + QByteArray::number(pid)
                                   + R"(,"mode":"forced","previousVolume":35,"startedAt":1799999000.5})"));

        StateStore store(machine.platform());
        store.reconnectIfPossible();
        QCOMPARE(store.mode, AwakeMode::off);
        QCOMPARE(store.pid, std::nullopt);
        QCOMPARE(store.startedAt, std::nullopt);
        QVERIFY(!store.isActive());
        const auto saved = decodeState(machine.stateBytes());
        QVERIFY(saved);
        QCOMPARE(saved->mode, AwakeMode::off);
        QCOMPARE(saved->pid, std::nullopt);
        QVERIFY(!QFile::exists(machine.historyFile()));
    }
};

QTEST_GUILESS_MAIN(AdoptionTest)
#include "tst_adoption.moc"
