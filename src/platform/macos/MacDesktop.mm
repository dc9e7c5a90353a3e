#include "platform/macos/MacDesktop.h"

#include "platform/macos/MacObjectiveC.h"

#include <QWidget>

#import <AppKit/AppKit.h>

namespace launcher {

namespace {

class MacToastPanel final : public QtToastPanel {
public:
    MacToastPanel() : QtToastPanel(true) {}

    void showWithoutActivating() override
    {
        QtToastPanel::showWithoutActivating();
        // Qt chooses level and behaviour for its tool tips when it shows one; these win.
        @autoreleasepool {
            NSView* view = LAUNCHER_PEEK(reinterpret_cast<void*>(widget().winId()));
            NSWindow* window = view.window;
            if (!window)
                return;
            window.collectionBehavior = NSWindowCollectionBehaviorCanJoinAllSpaces | NSWindowCollectionBehaviorTransient;
            window.ignoresMouseEvents = YES;
            window.level = NSStatusWindowLevel;
            window.hidesOnDeactivate = NO;
            window.alphaValue = 1.0;
            [window orderFrontRegardless];
        }
    }
};

} // namespace

void MacDesktop::setAccessoryActivationPolicy()
{
    [NSApp setActivationPolicy:NSApplicationActivationPolicyAccessory];
}

void activateThisApplication()
{
    // The older call is deprecated from macOS 14 on, where the two ask alike.
    if (@available(macOS 14.0, *))
        [NSApp activate];
    else
        [NSApp activateIgnoringOtherApps:YES];
}

void MacDesktop::activateIgnoringOtherApps()
{
    activateThisApplication();
}

std::unique_ptr<ToastPanel> MacDesktop::createToastPanel()
{
    return std::make_unique<MacToastPanel>();
}

} // namespace launcher
