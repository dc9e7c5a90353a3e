#pragma once

#include "platform/Clock.h"

#include <QObject>

#include <map>
#include <memory>

class QTimer;

namespace launcher {

class QtClock final : public Clock {
public:
    QtClock();
    ~QtClock() override;

    double now() const override;
    TimerId singleShot(double seconds, std::function<void()> action) override;
    TimerId repeating(double seconds, std::function<void()> action) override;
    void cancel(TimerId id) override;

private:
    TimerId start(double seconds, bool repeat, std::function<void()> action);

    TimerId nextId_ = 1;
    std::map<TimerId, QTimer*> timers_;
};

} // namespace launcher
