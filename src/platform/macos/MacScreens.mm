#include "platform/macos/MacScreens.h"

#include "platform/macos/MacDesktop.h"
#include "platform/macos/MacDisplaySleep.h"
#include "platform/macos/MacObjectiveC.h"

#import <AppKit/AppKit.h>
#include <CoreGraphics/CoreGraphics.h>

namespace launcher {

namespace {

class MacBlackoutWindow final : public BlackoutWindow {
public:
    explicit MacBlackoutWindow(NSScreen* screen)
    {
        @autoreleasepool {
            const NSRect frame = screen.frame;
            NSWindow* window = [[NSWindow alloc] initWithContentRect:frame
                                                           styleMask:NSWindowStyleMaskBorderless
                                                             backing:NSBackingStoreBuffered
                                                               defer:NO
                                                              screen:screen];
            // The initialiser reads the rectangle relative to the screen on some
            // systems; placing it again in global coordinates covers the screen exactly.
            [window setFrame:frame display:NO];
            window.releasedWhenClosed = NO;
            window.opaque = YES;
            window.backgroundColor = [NSColor blackColor];
            window.alphaValue = 1.0;
            window.level = CGShieldingWindowLevel();
            window.collectionBehavior = NSWindowCollectionBehaviorCanJoinAllSpaces
                | NSWindowCollectionBehaviorStationary | NSWindowCollectionBehaviorFullScreenAuxiliary;
            window.ignoresMouseEvents = YES;
            window.acceptsMouseMovedEvents = YES;
            window.hidesOnDeactivate = NO;
            window.hasShadow = NO;
            [window orderFrontRegardless];
            window_ = LAUNCHER_RETAIN(window);
#if !__has_feature(objc_arc)
            [window release];
#endif
        }
    }

    ~MacBlackoutWindow() override
    {
        @autoreleasepool {
            NSWindow* window = LAUNCHER_TAKE(window_);
            [window orderOut:nil];
            [window close];
        }
    }

private:
    void* window_ = nullptr;
};

} // namespace

std::vector<std::unique_ptr<BlackoutWindow>> MacScreens::createBlackoutWindows()
{
    std::vector<std::unique_ptr<BlackoutWindow>> windows;
    @autoreleasepool {
        for (NSScreen* screen in [NSScreen screens])
            windows.push_back(std::make_unique<MacBlackoutWindow>(screen));
    }
    return windows;
}

MacScreens::~MacScreens()
{
    @autoreleasepool {
        if (previousFront_)
            (void)LAUNCHER_TAKE(previousFront_);
    }
}

void MacScreens::hideCursor()
{
    @autoreleasepool {
        // Only the active application's hidden cursor stays hidden, and this
        // one is an accessory that a hot key or the menu leaves in the
        // background: it comes to the front first, remembering who was there.
        NSRunningApplication* front = [[NSWorkspace sharedWorkspace] frontmostApplication];
        if (front && !previousFront_ && ![front isEqual:[NSRunningApplication currentApplication]])
            previousFront_ = LAUNCHER_RETAIN(front);
        activateThisApplication();
        [NSCursor hide];
    }
}

void MacScreens::showCursor()
{
    @autoreleasepool {
        [NSCursor unhide];
        if (previousFront_) {
            NSRunningApplication* front = LAUNCHER_TAKE(previousFront_);
            previousFront_ = nullptr;
            if (!front.terminated)
                [front activateWithOptions:0];
        }
    }
}

void MacScreens::sleepDisplaysNow()
{
    runDisplaySleepCommand(commands_);
}

MacScreenEvents::~MacScreenEvents()
{
    while (!observers_.empty())
        removeObserver(observers_.begin()->first);
}

ScreenEvents::Token MacScreenEvents::addObserver(ScreenEvent event, std::function<void()> handler)
{
    const Token token = next_++;
    @autoreleasepool {
        NSNotificationName name = event == ScreenEvent::didSleep ? NSWorkspaceScreensDidSleepNotification
                                                                 : NSWorkspaceScreensDidWakeNotification;
        id observer = [[[NSWorkspace sharedWorkspace] notificationCenter]
            addObserverForName:name
                        object:nil
                         queue:[NSOperationQueue mainQueue]
                    usingBlock:^(NSNotification* notification) {
                        (void)notification;
                        handler();
                    }];
        observers_.emplace(token, LAUNCHER_RETAIN(observer));
    }
    return token;
}

void MacScreenEvents::removeObserver(Token token)
{
    auto it = observers_.find(token);
    if (it == observers_.end())
        return;
    void* observer = it->second;
    observers_.erase(it);
    @autoreleasepool {
        [[[NSWorkspace sharedWorkspace] notificationCenter] removeObserver:LAUNCHER_PEEK(observer)];
        (void)LAUNCHER_TAKE(observer);
    }
}

} // namespace launcher
