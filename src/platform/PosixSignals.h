#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace launcher {

// SIGTERM, SIGINT and SIGHUP delivered through the event loop: the handler
// only writes the signal number into a pipe, and the read end calls back
// from the main thread, where the program can shut down in order.
// One object at a time; destroying it restores the default actions.
class PosixSignals final : public QObject {
    Q_OBJECT
public:
    explicit PosixSignals(std::function<void(int signalNumber)> onSignal, QObject* parent = nullptr);
    ~PosixSignals() override;

    // False when the pipe could not be made; the signals then keep their default action.
    bool isValid() const { return notifier_ != nullptr; }

private:
    void drain();

    std::function<void(int)> onSignal_;
    int fds_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace launcher
