// <AppKit/AppKit.h>: GNUstep's AppKit, and the parts of Apple's that the
// program calls and GNUstep lacks, as Apple's AppKit reference declares them.
#pragma once
#include_next <AppKit/AppKit.h>
#include <CoreGraphics/CoreGraphics.h>

#define LAUNCHER_MACOS(version) __attribute__((availability(macos, introduced = version)))

@interface NSApplication (AppleAppKit)
- (BOOL)setActivationPolicy:(NSApplicationActivationPolicy)activationPolicy;
- (void)activate LAUNCHER_MACOS(14.0);
@end

@interface NSStatusItem (AppleAppKit)
@property(readonly, strong) NSStatusBarButton* button LAUNCHER_MACOS(10.10);
@end

@interface NSMenu (AppleAppKit)
- (void)cancelTracking;
@end

@interface NSFont (AppleAppKit)
+ (NSFont*)monospacedDigitSystemFontOfSize:(CGFloat)fontSize weight:(NSFontWeight)weight LAUNCHER_MACOS(10.11);
@end

// NSCellImagePosition
static const NSCellImagePosition NSImageLeading LAUNCHER_MACOS(10.12) = (NSCellImagePosition)7;
// NSCompositingOperation
static const NSCompositingOperation NSCompositingOperationSourceOver LAUNCHER_MACOS(10.12) = NSCompositeSourceOver;

LAUNCHER_MACOS(11.0)
@interface NSImageSymbolConfiguration : NSObject <NSCopying>
+ (instancetype)configurationWithPointSize:(CGFloat)pointSize weight:(NSFontWeight)weight;
@end

@interface NSImage (AppleAppKit)
- (instancetype)initWithCGImage:(CGImageRef)cgImage size:(NSSize)size;
// The "template" property; its name is a C++ keyword, so only the methods.
- (BOOL)isTemplate;
- (void)setTemplate:(BOOL)isTemplate;
+ (NSImage*)imageWithSystemSymbolName:(NSString*)name
             accessibilityDescription:(NSString*)description LAUNCHER_MACOS(11.0);
- (NSImage*)imageWithSymbolConfiguration:(NSImageSymbolConfiguration*)configuration LAUNCHER_MACOS(11.0);
@end

// NSWorkspace
APPKIT_EXPORT NSNotificationName const NSWorkspaceScreensDidSleepNotification;
APPKIT_EXPORT NSNotificationName const NSWorkspaceScreensDidWakeNotification;
