#pragma once

#include <QtGlobal>

#include <functional>

namespace launcher {

using TimerId = quint64;

// The one source of time and timers for the engine. The program uses the
// Qt-backed clock; tests drive a manual one in virtual time.
class Clock {
public:
    virtual ~Clock() = default;

    // Wall-clock time in seconds since 1970-01-01 00:00:00 UTC.
    virtual double now() const = 0;

    // Timers fire on the main thread. Ids are never reused, so cancelling an
    // id that already fired (or was cancelled) is harmless.
    virtual TimerId singleShot(double seconds, std::function<void()> action) = 0;
    virtual TimerId repeating(double seconds, std::function<void()> action) = 0;
    virtual void cancel(TimerId id) = 0;
};

} // namespace launcher
