#pragma once

// The real program in a home folder of its own, started as from a terminal
// with no display unless given one; every keep-awake helper it leaves
// behind is the test's to end.

#include "platform/ProcessProbe.h"
#include "support/Files.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <csignal>
#include <sys/stat.h>

namespace launcher::testing {

struct ProgramUnderTest {
    struct Result {
        int code = -1;
        QString out, err;
    };

    ProgramUnderTest()
    {
        QDir(home.path()).mkpath("run");
        ::chmod(QFile::encodeName(home.filePath("run")).constData(), 0700);
        environment.insert("HOME", home.path());
        environment.insert("XDG_RUNTIME_DIR", home.filePath("run"));
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        environment.insert("PELVANE_TEST_MODE", "1");
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
    }
    ~ProgramUnderTest()
    {
        for (qint32 helper : helpers)
            if (isLive(helper))
                ::kill(helper, SIGTERM);
        stop();
    }

    // The menu-bar program on an X display.
    bool start(const QString& display)
    {
        QProcessEnvironment withDisplay = environment;
        withDisplay.insert("DISPLAY", display);
        withDisplay.insert("QT_QPA_PLATFORM", "xcb");
        program.setProcessEnvironment(withDisplay);
        program.start(path, {});
        return program.waitForStarted(10000);
    }
    // The menu-bar program in the test's own session: its display or
    // compositor, and its bus.
    bool startInSession()
    {
        QProcessEnvironment session = environment;
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"})
            if (qEnvironmentVariableIsSet(name))
                session.insert(name, qEnvironmentVariable(name));
        program.setProcessEnvironment(session);
        program.start(path, {});
        return program.waitForStarted(10000);
    }
    // All the running program has written on its standard error so far.
    QString errors()
    {
        errorText += QString::fromUtf8(program.readAllStandardError());
        return errorText;
    }
    void stop()
    {
        if (program.state() == QProcess::NotRunning)
            return;
        program.terminate();
        if (!program.waitForFinished(10000)) {
            program.kill();
            program.waitForFinished(5000);
        }
    }

    // A command line run to its end.
    Result run(const QStringList& arguments, int timeoutMs = 20000)
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(path, arguments);
        Result result;
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    QString support() const { return home.filePath(".local/share/PelvaneWakehold"); }
    QJsonObject state() const { return QJsonDocument::fromJson(readFile(support() + "/state.json")).object(); }
    QList<QJsonObject> history() const
    {
        QList<QJsonObject> entries;
        for (const QByteArray& line : readFile(support() + "/history.jsonl").split('\n'))
            if (!line.isEmpty())
                entries << QJsonDocument::fromJson(line).object();
        return entries;
    }
    // The keep-awake helper of the recorded mode, once there is one.
    qint32 helperIn(const QString& mode)
    {
        const qint32 pid = state().value("pid").toInt();
        if (state().value("mode").toString() != mode || !isLive(pid))
            return 0;
        helpers.insert(pid);
        return pid;
    }

    inline static const QString path = QStringLiteral(LAUNCHER_BIN_DIR "/launcher");
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QProcess program;
    QSet<qint32> helpers;
    QString errorText;
};

} // namespace launcher::testing
