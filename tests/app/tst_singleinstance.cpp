// Instances of the program in one test process, on temporary folders, and a
// stranger: this test program run again as another user.

#include "app/SingleInstance.h"
#include "platform/PrivateSocket.h"
#include "platform/SystemEnvironment.h"
#include "support/FakePlatform.h"
#include "support/Files.h"
#include "support/ProgramUnderTest.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <future>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace launcher;
using namespace launcher::testing;

namespace {

using Answer = std::optional<QByteArray>;

// Asked from another thread: the one answering runs on this one's event loop.
Answer requestFromAside(SingleInstance& asking, const QByteArray& line, int timeoutMs = 2000)
{
    auto answer = std::async(std::launch::async, [&] { return asking.request(line, timeoutMs); });
    while (answer.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    return answer.get();
}

// A local user other than the one running the test, made when there is none.
std::optional<std::pair<uid_t, gid_t>> otherUser()
{
    for (const char* name : {"nobody", "launcher-peer"})
        if (const passwd* entry = ::getpwnam(name); entry && entry->pw_uid != ::getuid())
            return std::pair(entry->pw_uid, entry->pw_gid);
    if (QProcess::execute("useradd", {"-M", "-r", "-s", "/usr/sbin/nologin", "launcher-peer"}) != 0)
        return std::nullopt;
    if (const passwd* entry = ::getpwnam("launcher-peer"))
        return std::pair(entry->pw_uid, entry->pw_gid);
    return std::nullopt;
}

// This program again, as the other user, in one of the roles of main() below.
void startAsOtherUser(QProcess& process, std::pair<uid_t, gid_t> user, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", "/");
    environment.remove("XDG_RUNTIME_DIR");
    process.setProcessEnvironment(environment);
    process.start("setpriv", QStringList{QStringLiteral("--reuid=%1").arg(user.first),
                                         QStringLiteral("--regid=%1").arg(user.second), "--clear-groups", "--",
                                         QCoreApplication::applicationFilePath()}
                                 + arguments);
}

bool setMode(const QString& path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
private slots:
    void theSecondInstanceAsksTheFirstToShowUntilTheFirstEnds()
    {
        QTemporaryDir dir, sockets;
        const QString support = dir.filePath("PelvaneWakehold"); // not there yet
        auto first = std::make_unique<SingleInstance>(support, sockets.path());
        SingleInstance second(support, sockets.path());
        QVERIFY(first->tryBecomePrimary());
        QVERIFY(first->listenError().isEmpty());
        QVERIFY(!second.tryBecomePrimary());

        QSignalSpy shown(first.get(), &SingleInstance::showRequested);
        QCOMPARE(requestFromAside(second, "show"), Answer("ok"));
        QTRY_COMPARE(shown.count(), 1);

        // Its lock released, the next one asking takes over and is asked in turn.
        first.reset();
        QVERIFY(second.tryBecomePrimary());
        SingleInstance third(support, sockets.path());
        QSignalSpy shownBySecond(&second, &SingleInstance::showRequested);
        QCOMPARE(requestFromAside(third, "show"), Answer("ok"));
        QTRY_COMPARE(shownBySecond.count(), 1);
    }

    // Room for more requests later: each line gets one line back.
    void requestsAreLinesAnsweredByLines()
    {
        QTemporaryDir dir, sockets;
        SingleInstance primary(dir.path(), sockets.path());
        SingleInstance later(dir.path(), sockets.path());
        QVERIFY(primary.tryBecomePrimary());
        QSignalSpy shown(&primary, &SingleInstance::showRequested);
        QCOMPARE(requestFromAside(later, "show now"), Answer("error unknown request"));
        // Endless input is cut off rather than buffered, with a word why.
        QCOMPARE(requestFromAside(later, QByteArray(100000, 'x'), 1000), Answer("error request too long"));
        QCOMPARE(shown.count(), 0);
    }

    void theLockOfAnEndedProgramIsTakenOver()
    {
        QTemporaryDir dir, sockets;
        QProcess ended;
        ended.start("true", {});
        QVERIFY(ended.waitForStarted());
        const qint64 pid = ended.processId();
        QVERIFY(ended.waitForFinished());
        SingleInstance instance(dir.path(), sockets.path());
        const QByteArray host = QSysInfo::machineHostName().toUtf8();
        writeFile(instance.lockFilePath(), QByteArray::number(pid) + "\nlauncher\n" + host + "\n");
        QVERIFY(instance.tryBecomePrimary());
        QVERIFY(instance.listenError().isEmpty());
    }

    // Without a folder of its own the program still runs, says why nobody
    // can reach it, and asks nobody.
    void withoutASocketFolderNobodyListensOrIsAsked()
    {
        QTemporaryDir dir;
        SingleInstance primary(dir.path(), QString());
        SingleInstance later(dir.path(), QString());
        QVERIFY(primary.tryBecomePrimary());
        QVERIFY(!primary.listenError().isEmpty());
        QVERIFY(!later.tryBecomePrimary());
        QVERIFY(!later.askPrimaryToShow(200));
    }

    void theSocketFolderIsOneOnlyTheUserCanWriteIn()
    {
        QTemporaryDir runtime, temporary;
        FakeEnvironment environment;
        environment.uid = ::getuid();
        environment.variables.insert("TMPDIR", temporary.path());
        const QString fallback = temporary.filePath(QStringLiteral("launcher-%1").arg(::getuid()));
#ifndef __APPLE__
        environment.variables.insert("XDG_RUNTIME_DIR", runtime.path());
        QVERIFY(setMode(runtime.path(), 0700));
        QCOMPARE(privateSocketDirectory(environment), runtime.path());
        QVERIFY(!QFile::exists(fallback));

        // Open to others, behind a link, or relative: the fallback is taken.
        QVERIFY(setMode(runtime.path(), 0755));
        QCOMPARE(privateSocketDirectory(environment), fallback);
        QVERIFY(setMode(runtime.path(), 0700));
        const QString link = temporary.filePath("link");
        QVERIFY(QFile::link(runtime.path(), link));
        environment.variables.insert("XDG_RUNTIME_DIR", link);
        QCOMPARE(privateSocketDirectory(environment), fallback);
        environment.variables.insert("XDG_RUNTIME_DIR", "run/user");
        QCOMPARE(privateSocketDirectory(environment), fallback);
        environment.variables.remove("XDG_RUNTIME_DIR");
#endif
        QVERIFY(QFile::remove(fallback) || QDir(fallback).removeRecursively());
        const QString made = privateSocketDirectory(environment);
#ifndef __APPLE__
        QCOMPARE(made, fallback);
        struct stat info = {};
        QCOMPARE(::lstat(QFile::encodeName(made).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0700));
        // One of ours that others may enter is no longer private.
        QVERIFY(setMode(fallback, 0711));
        QCOMPARE(privateSocketDirectory(environment), QString());
        // Nor is a file in its place.
        QVERIFY(QDir(fallback).removeRecursively());
        writeFile(fallback, "x");
        QCOMPARE(privateSocketDirectory(environment), QString());
#else
        QVERIFY(!made.isEmpty());
#endif
    }

    // Another user was first to take the name in the shared temporary folder
    // and listens there, answering like the program would.
    void aSocketHeldByAnotherUserIsNeverUsed()
    {
        if (::geteuid() != 0)
            QSKIP("needs root, to act as a second local user");
        const auto stranger = otherUser();
        QVERIFY2(stranger, "no second user, and none could be made");
        QTemporaryDir home, shared;
        QVERIFY(setMode(shared.path(), 01777)); // like /tmp
        FakeEnvironment environment;
        environment.uid = ::getuid();
        environment.variables.insert("TMPDIR", shared.path());
        const QString squatted = shared.filePath(QStringLiteral("launcher-%1").arg(::getuid()));
        const QString support = home.filePath("PelvaneWakehold");
        const QString socketPath = SingleInstance(support, squatted).serverPath();

        QProcess squatter;
        startAsOtherUser(squatter, *stranger, {"--hold", socketPath});
        QVERIFY(squatter.waitForReadyRead(10000));
        QCOMPARE(squatter.readLine(), QByteArray("listening\n"));

        // The folder is not ours: the program does without a socket.
        QCOMPARE(privateSocketDirectory(environment), QString());
        SingleInstance primary(support, privateSocketDirectory(environment));
        QVERIFY(primary.tryBecomePrimary());
        QVERIFY(!primary.listenError().isEmpty());
        SingleInstance later(support, privateSocketDirectory(environment));
        QVERIFY(!later.askPrimaryToShow(300));

        // Even pointed right at it, nothing is said to a stranger.
        SingleInstance misled(support, squatted);
        QCOMPARE(requestFromAside(misled, "show", 1000), Answer());
        // The squatter itself does answer, to a process of its own user.
        QProcess sameUser;
        startAsOtherUser(sameUser, *stranger, {"--ask", socketPath});
        QVERIFY(sameUser.waitForFinished(10000));
        QCOMPARE(sameUser.readAllStandardOutput(), QByteArray("answer: ok\n"));

        squatter.kill();
        QVERIFY(squatter.waitForFinished(5000));
        const QByteArray heard = squatter.readAllStandardOutput();
        QCOMPARE(heard.count("connected\n"), 2);
        QCOMPARE(heard.count("show"), 1);
    }

    // A stranger that reaches the socket anyway gets nothing done and no answer.
    void theFirstInstanceHangsUpOnAnotherUser()
    {
        if (::geteuid() != 0)
            QSKIP("needs root, to act as a second local user");
        const auto stranger = otherUser();
        QVERIFY2(stranger, "no second user, and none could be made");
        QTemporaryDir home, sockets;
        SingleInstance primary(home.path(), sockets.path());
        QVERIFY(primary.tryBecomePrimary());
        QVERIFY(setMode(sockets.path(), 0755));
        QVERIFY(setMode(primary.serverPath(), 0777));
        QSignalSpy shown(&primary, &SingleInstance::showRequested);

        QProcess asking;
        startAsOtherUser(asking, *stranger, {"--ask", primary.serverPath()});
        QTRY_VERIFY_WITH_TIMEOUT(asking.state() == QProcess::NotRunning, 10000);
        QCOMPARE(asking.readAllStandardOutput(), QByteArray("no answer\n"));
        QCOMPARE(shown.count(), 0);
        // The same request from this user is served.
        SingleInstance later(home.path(), sockets.path());
        QCOMPARE(requestFromAside(later, "show"), Answer("ok"));
        QTRY_COMPARE(shown.count(), 1);
    }

    // Turning launch at login on makes launchd start a copy at once: that
    // copy leaves quietly, where a copy started by hand asks for the dashboard.
    void theProgramStartedByItsLaunchAgentLeavesTheRunningOneAlone()
    {
        ProgramUnderTest copy;
        copy.environment.insert("QT_QPA_PLATFORM", "offscreen");
#ifdef Q_OS_MACOS
        // There the socket lives in the user's own temporary folder.
        SingleInstance running(copy.home.filePath("Library/Application Support/PelvaneWakehold"),
                               privateSocketDirectory(SystemEnvironment()));
#else
        SingleInstance running(copy.support(), copy.home.filePath("run"));
#endif
        QVERIFY(running.tryBecomePrimary());
        QSignalSpy shown(&running, &SingleInstance::showRequested);
        const auto startCopy = [&copy](const char* service) {
            copy.environment.insert("XPC_SERVICE_NAME", service);
            // The running one answers from this event loop.
            auto ended = std::async(std::launch::async, [&copy] { return copy.run({}); });
            while (ended.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
                QCoreApplication::processEvents();
            return ended.get().code;
        };
        QCOMPARE(startCopy("org.pelvanewakehold.launcher"), 0);
        QTest::qWait(300);
        QCOMPARE(shown.count(), 0);
        QCOMPARE(startCopy("com.apple.Terminal"), 0);
        QTRY_COMPARE(shown.count(), 1);
    }
};

namespace {

// The stranger's side: listens where it is told, answering "ok" to every
// line and reporting what it heard, until it is killed.
int hold(const QString& path)
{
    QTextStream out(stdout);
    QDir().mkpath(QFileInfo(path).absolutePath());
    setMode(QFileInfo(path).absolutePath(), 0755);
    QLocalServer server;
    server.setSocketOptions(QLocalServer::WorldAccessOption);
    if (!server.listen(path)) {
        out << "cannot listen: " << server.errorString() << Qt::endl;
        return 1;
    }
    out << "listening" << Qt::endl;
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        while (QLocalSocket* socket = server.nextPendingConnection()) {
            out << "connected" << Qt::endl;
            QObject::connect(socket, &QLocalSocket::readyRead, [&out, socket] {
                while (socket->canReadLine()) {
                    out << socket->readLine() << Qt::flush;
                    socket->write("ok\n");
                }
            });
        }
    });
    return QCoreApplication::exec();
}

// The stranger as a later launch: one request, and what came back.
int ask(const QString& path)
{
    QTextStream out(stdout);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(2000)) {
        out << "cannot connect" << Qt::endl;
        return 0;
    }
    socket.write("show\n");
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(1500)) {
            out << "no answer" << Qt::endl;
            return 0;
        }
    out << "answer: " << socket.readLine() << Qt::flush;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && (qstrcmp(argv[1], "--hold") == 0 || qstrcmp(argv[1], "--ask") == 0)) {
        QCoreApplication app(argc, argv);
        const QString path = QString::fromLocal8Bit(argv[2]);
        return qstrcmp(argv[1], "--hold") == 0 ? hold(path) : ask(path);
    }
    QCoreApplication app(argc, argv);
    SingleInstanceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
