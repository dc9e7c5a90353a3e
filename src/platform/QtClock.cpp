#include "platform/QtClock.h"

#include <QTimer>

#include <chrono>
#include <cmath>

namespace launcher {

QtClock::QtClock() = default;

QtClock::~QtClock()
{
    for (auto& [id, timer] : timers_)
        delete timer;
}

double QtClock::now() const
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

TimerId QtClock::singleShot(double seconds, std::function<void()> action)
{
    return start(seconds, false, std::move(action));
}

TimerId QtClock::repeating(double seconds, std::function<void()> action)
{
    return start(seconds, true, std::move(action));
}

TimerId QtClock::start(double seconds, bool repeat, std::function<void()> action)
{
    const TimerId id = nextId_++;
    auto* timer = new QTimer;
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!repeat);
    const double ms = std::ceil(std::max(0.0, seconds) * 1000.0);
    timer->setInterval(static_cast<int>(std::min(ms, double(std::numeric_limits<int>::max()))));
    QObject::connect(timer, &QTimer::timeout, timer, [this, id, repeat, action = std::move(action)] {
        if (!repeat) {
            // Forget the timer before running the action, which may schedule new ones.
            auto it = timers_.find(id);
            if (it != timers_.end()) {
                it->second->deleteLater();
                timers_.erase(it);
            }
        }
        action();
    });
    timers_.emplace(id, timer);
    timer->start();
    return id;
}

void QtClock::cancel(TimerId id)
{
    auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
}

} // namespace launcher
