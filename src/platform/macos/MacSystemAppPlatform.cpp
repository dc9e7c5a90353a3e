#include "platform/SystemAppPlatform.h"

#include "platform/QtDesktop.h"
#include "platform/macos/MacDesktop.h"
#include "platform/macos/MacHotKeys.h"
#include "platform/macos/MacStatusItem.h"

namespace launcher {

struct SystemAppPlatform::Parts {
    MacStatusItem statusItem;
    MacHotKeys hotKeys;
    QtColorPanel colorPanel;
    MacDesktop desktop;
};

SystemAppPlatform::SystemAppPlatform() : parts_(std::make_unique<Parts>()) {}

SystemAppPlatform::~SystemAppPlatform() = default;

AppPlatform SystemAppPlatform::appPlatform()
{
    return appPlatformOf(*parts_);
}

} // namespace launcher
