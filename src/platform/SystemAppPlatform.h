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

// Both operating systems name their parts alike; this binds them.
template <typename Parts>
AppPlatform appPlatformOf(Parts& p)
{
    return AppPlatform{p.statusItem, p.hotKeys, p.colorPanel, p.desktop};
}

} // namespace launcher
