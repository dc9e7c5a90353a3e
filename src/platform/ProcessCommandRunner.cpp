#include "platform/ProcessCommandRunner.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>

#include <csignal>
#include <unistd.h>

namespace launcher {

std::optional<QString> ProcessCommandRunner::runCommand(const QString& path, const QStringList& arguments,
                                                        std::chrono::milliseconds timeLimit)
{
    // QProcess (6.4) leaks a pipe for every program it fails to start, and
    // missing tools are asked for again on every tick.
    const QFileInfo program(path);
    if (!program.isFile() || !program.isExecutable())
        return std::nullopt;

    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    // Its own process group, so a time-out also ends whatever the tool started
    // and nothing is left holding the pipe.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });

    const QDeadlineTimer deadline(timeLimit);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(int(deadline.remainingTime())))
        return std::nullopt;

    // Reads the pipe while it waits, so a chatty tool cannot fill it and stall.
    if (!process.waitForFinished(int(deadline.remainingTime()))) {
        const auto group = pid_t(process.processId());
        if (group > 0)
            ::kill(-group, SIGKILL);
        process.kill();
        process.waitForFinished(5000);
        return std::nullopt;
    }

    const QByteArray bytes = process.readAll();
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace launcher
