#include "platform/SystemAppPlatform.h"

#include "platform/QtDesktop.h"
#include "platform/macos/MacDesktop.h"
#include "platform/macos/MacHotKeys.h"
#include "platform/macos/MacStatusItem.h"
#include "platform/macos/MacSymbols.h"

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

QImage systemSymbolImage(const QString& name, qreal points, qreal devicePixelRatio)
{
    return macSystemSymbolImage(name, points, devicePixelRatio);
}

} // namespace launcher
