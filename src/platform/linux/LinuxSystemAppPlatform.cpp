#include "platform/SystemAppPlatform.h"

#include "platform/QtDesktop.h"
#include "platform/linux/LinuxDesktop.h"
#include "platform/linux/LinuxHotKeys.h"
#include "platform/linux/LinuxStatusItem.h"

namespace launcher {

struct SystemAppPlatform::Parts {
    LinuxStatusItem statusItem;
    LinuxHotKeys hotKeys;
    QtColorPanel colorPanel;
    LinuxDesktop desktop;
};

SystemAppPlatform::SystemAppPlatform() : parts_(std::make_unique<Parts>()) {}

SystemAppPlatform::~SystemAppPlatform() = default;

AppPlatform SystemAppPlatform::appPlatform()
{
    return appPlatformOf(*parts_);
}

// The dashboard draws its bundled icons.
QImage systemSymbolImage(const QString&, qreal, qreal)
{
    return {};
}

} // namespace launcher
