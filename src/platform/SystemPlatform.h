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

} // namespace launcher
