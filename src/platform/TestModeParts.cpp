#include "platform/TestModeParts.h"

namespace launcher {

void SleepReportingScreens::sleepDisplaysNow()
{
    requests << QStringLiteral("sleepDisplaysNow");
    // A handler may remove observers, its own included.
    const auto observers = observers_;
    for (const auto& [token, observer] : observers)
        if (observer.first == ScreenEvent::didSleep && observers_.count(token))
            observer.second();
}

ScreenEvents::Token SleepReportingScreens::addObserver(ScreenEvent event, std::function<void()> handler)
{
    const Token token = real_.addObserver(event, handler);
    observers_.emplace(token, std::pair(event, std::move(handler)));
    return token;
}

void SleepReportingScreens::removeObserver(Token token)
{
    real_.removeObserver(token);
    observers_.erase(token);
}

TestModeParts::TestModeParts(const Platform& real)
    : screens(real.screenEvents)
    , real_(real)
    , active_(real.environment.variable(QStringLiteral("PELVANE_TEST_MODE")) == QStringLiteral("1"))
{
}

Platform TestModeParts::platform()
{
    if (!active_)
        return real_;
    Platform chosen{real_.clock,   real_.keepAwake,    real_.environment, screens, real_.beep,     real_.input,
                    screens,       real_.applications, real_.power,       sound,   real_.hardware, real_.loginItem};
    return chosen;
}

} // namespace launcher
