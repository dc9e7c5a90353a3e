#include "platform/SystemAppPlatform.h"

#include "platform/QtDesktop.h"
#include "platform/linux/LinuxDesktop.h"
#include "platform/linux/LinuxHotKeys.h"
#include "platform/linux/LinuxStatusItem.h"
#include "platform/linux/PortalHotKeys.h"

#include <QGuiApplication>

namespace launcher {

namespace {

// A Wayland client may not grab keys; there the desktop portal hands them out.
std::unique_ptr<HotKeys> makeHotKeys()
{
    if (runsOnWayland())
        return std::make_unique<PortalHotKeys>(QDBusConnection::sessionBus(), QGuiApplication::desktopFileName());
    return std::make_unique<LinuxHotKeys>();
}

} // namespace

struct SystemAppPlatform::Parts {
    LinuxStatusItem statusItem;
    std::unique_ptr<HotKeys> ownedHotKeys = makeHotKeys();
    HotKeys& hotKeys = *ownedHotKeys;
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
