#pragma once

#include <QProcess>
#include <QTemporaryDir>

namespace launcher::testing {

// The program in normal mode, with a home of its own; ended like by a logout.
class LauncherProgram {
public:
    LauncherProgram()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home_.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral(".config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral(".local/share")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.path());
        env.insert(QStringLiteral("TMPDIR"), home_.path());
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
        env.insert(QStringLiteral("PELVANE_TEST_MODE"), QStringLiteral("1"));
        process_.setProcessEnvironment(env);
        process_.start(QStringLiteral(LAUNCHER_BIN_DIR "/launcher"), {});
    }
    ~LauncherProgram() { stop(); }
    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(10000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    qint64 pid() const { return process_.processId(); }
    QString errors()
    {
        errors_ += QString::fromUtf8(process_.readAllStandardError());
        return errors_;
    }
    QProcess& process() { return process_; }

private:
    QTemporaryDir home_;
    QProcess process_;
    QString errors_;
};

} // namespace launcher::testing
