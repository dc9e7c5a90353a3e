#pragma once

#include "platform/QtDesktop.h"

namespace launcher {

class LinuxDesktop final : public QtDesktop {
public:
    std::unique_ptr<ToastPanel> createToastPanel() override;
};

// Whether a compositing manager runs on Qt's X display; true off X11, where
// Qt itself blends translucent windows.
bool windowsCanBeTranslucent();

// Whether Qt's GUI runs as a Wayland client (any of its Wayland plugins).
bool runsOnWayland();

} // namespace launcher
