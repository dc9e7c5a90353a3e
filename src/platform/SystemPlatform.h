#pragma once

#include "platform/Platform.h"

#include <memory>

namespace launcher {

// The real machine for this operating system. Create it after the Qt
// application object: the blackout windows and the input reader need it.
class SystemPlatform {
public:
    SystemPlatform();
    ~SystemPlatform();
    SystemPlatform(const SystemPlatform&) = delete;
    SystemPlatform& operator=(const SystemPlatform&) = delete;

    Platform platform();

    struct Parts;

private:
    std::unique_ptr<Parts> parts_;
};

// Both operating systems name their parts alike; this binds them.
template <typename Parts>
Platform platformOf(Parts& p)
{
    return Platform{p.clock, p.keepAwake, p.environment, p.screenEvents, p.beep,     p.input,
                    p.screens, p.applications, p.power,     p.sound,       p.hardware,     p.loginItem};
}

} // namespace launcher
