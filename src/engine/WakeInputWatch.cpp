#include "engine/WakeInputWatch.h"

#include "engine/Timings.h"

#include <utility>

namespace launcher {

WakeInputWatch::WakeInputWatch(Clock& clock, InputIdle& input, ScreenEvents& screenEvents, std::function<void()> poll)
    : clock_(clock)
    , input_(input)
    , screenEvents_(screenEvents)
    , poll_(std::move(poll))
    , timer_(clock)
{
}

void WakeInputWatch::start()
{
    if (isArmed())
        return;
    input_.setWatching(true);
    screenEvents_.setWatching(true);
    forcedArmedAt_ = clock_.now();
    lastWakeEventAges_ = captureWakeEventAges();
    timer_.repeating(wakeInputPollInterval, [this] { poll_(); });
}

void WakeInputWatch::stop()
{
    if (isArmed()) {
        input_.setWatching(false);
        screenEvents_.setWatching(false);
    }
    timer_.cancel();
    lastWakeEventAges_.reset();
    forcedArmedAt_.reset();
}

bool WakeInputWatch::inputSincePreviousReading()
{
    const WakeEventAges current = captureWakeEventAges();
    const std::optional<WakeEventAges> previous = std::exchange(lastWakeEventAges_, current);
    // Input this soon is the hand leaving the mouse; its ages are taken in
    // at every poll, so it does not count afterwards either.
    if (withinGrace() || !previous)
        return false;
    for (std::size_t i = 0; i < current.size(); ++i)
        if (current[i] + wakeInputAgeTolerance < (*previous)[i])
            return true;
    return false;
}

bool WakeInputWatch::withinGrace() const
{
    return !forcedArmedAt_ || clock_.now() - *forcedArmedAt_ < wakeDetectionGraceInterval;
}

// Polled five times a second for as long as forced mode runs: no allocation.
WakeEventAges WakeInputWatch::captureWakeEventAges()
{
    WakeEventAges ages{};
    for (std::size_t i = 0; i < wakeEventTypes.size(); ++i)
        ages[i] = input_.secondsSinceLastEvent(wakeEventTypes[i]);
    return ages;
}

} // namespace launcher
