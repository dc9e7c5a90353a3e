#pragma once

#include "platform/QtDesktop.h"

namespace launcher {

// Qt's desktop with the application's activation done by AppKit, and a toast
// panel that is on every space, above ordinary windows and never in the way.
class MacDesktop final : public QtDesktop {
public:
    void setAccessoryActivationPolicy() override;
    void activateIgnoringOtherApps() override;
    std::unique_ptr<ToastPanel> createToastPanel() override;
};

// Brings this application to the front, also while another one is active.
void activateThisApplication();

} // namespace launcher
