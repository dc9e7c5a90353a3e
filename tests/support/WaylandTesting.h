#pragma once

// Helpers for tests that run under a headless compositor through
// tests/wayland/with-compositor.sh (which sets WAYLAND_DISPLAY, SWAYSOCK and
// LAUNCHER_TEST_COMPOSITOR). Input under sway: VirtualInput drives the
// wl-input tool built next to the tests.

#include <QByteArray>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

namespace launcher::testing {

inline QString testCompositor()
{
    return qEnvironmentVariable("LAUNCHER_TEST_COMPOSITOR");
}

struct ToolRun {
    int exitCode = -1;
    QByteArray output;
};

inline ToolRun runTool(const QString &program, const QStringList &arguments, int timeoutMs = 10000)
{
    QProcess process;
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.output = process.readAllStandardOutput();
    return run;
}

// A mouse and keyboard plugged in for as long as it lives (the wl-input
// tool); each command returns once the compositor has taken it.
class VirtualInput {
public:
    VirtualInput()
    {
        process_.start(QStringLiteral(LAUNCHER_BIN_DIR "/wl-input"), QStringList());
        ready_ = process_.waitForStarted() && answer() == "ready";
    }
    ~VirtualInput()
    {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    bool ready() const { return ready_; }
    // "move DX DY", "click left|right|middle", "scroll STEPS",
    // "key CODE", "modifiers MASK"
    bool operator()(const QString &command)
    {
        if (!ready_)
            return false;
        process_.write(command.toUtf8() + '\n');
        return answer() == "ok";
    }

private:
    QByteArray answer()
    {
        while (!process_.canReadLine())
            if (!process_.waitForReadyRead(5000))
                return {};
        return process_.readLine().trimmed();
    }

    QProcess process_;
    bool ready_ = false;
};

// One output's picture, with the pointer drawn in when withCursor is set.
inline QImage screenshot(const QString &output, bool withCursor = false)
{
    QStringList arguments{QStringLiteral("-o"), output};
    if (withCursor)
        arguments << QStringLiteral("-c");
    arguments << QStringLiteral("-");
    return QImage::fromData(runTool(QStringLiteral("grim"), arguments).output, "PNG");
}

inline bool imageIsBlack(const QImage &image)
{
    if (image.isNull())
        return false;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            if (qRed(line[x]) | qGreen(line[x]) | qBlue(line[x]))
                return false;
    }
    return true;
}

// sway's active outputs as its IPC reports them.
inline QStringList swayOutputNames()
{
    const ToolRun run = runTool(QStringLiteral("swaymsg"), {QStringLiteral("-r"), QStringLiteral("-t"),
                                                            QStringLiteral("get_outputs")});
    QStringList names;
    for (const auto &output : QJsonDocument::fromJson(run.output).array())
        if (output.toObject().value(QStringLiteral("active")).toBool())
            names << output.toObject().value(QStringLiteral("name")).toString();
    return names;
}

inline bool swaymsg(const QStringList &command)
{
    return runTool(QStringLiteral("swaymsg"), command).exitCode == 0;
}

} // namespace launcher::testing
