#pragma once

#include "platform/AppPlatform.h"

#include <memory>

namespace launcher {

// The real desktop for this operating system. Create it after the Qt
// application object.
class SystemAppPlatform {
public:
    SystemAppPlatform();
    ~SystemAppPlatform();
    SystemAppPlatform(const SystemAppPlatform&) = delete;
    SystemAppPlatform& operator=(const SystemAppPlatform&) = delete;

    AppPlatform appPlatform();

    struct Parts;

private:
    std::unique_ptr<Parts> parts_;
};

} // namespace launcher
