#include "platform/macos/MacStatusItem.h"

#include "platform/macos/MacObjectiveC.h"

#include <QMenu>

#import <AppKit/AppKit.h>

namespace launcher {

MacStatusItem::MacStatusItem()
{
    @autoreleasepool {
        // The status bar does not keep the item alive; this object does.
        NSStatusItem* item = [[NSStatusBar systemStatusBar] statusItemWithLength:NSVariableStatusItemLength];
        item_ = LAUNCHER_RETAIN(item);
        // The timer's digits keep their width, so the item does not jitter.
        item.button.font = [NSFont monospacedDigitSystemFontOfSize:[NSFont menuBarFontOfSize:0].pointSize
                                                            weight:NSFontWeightRegular];
        item.button.imagePosition = NSImageLeading;
    }
}

MacStatusItem::~MacStatusItem()
{
    @autoreleasepool {
        NSStatusItem* item = LAUNCHER_TAKE(item_);
        [[NSStatusBar systemStatusBar] removeStatusItem:item];
    }
}

void MacStatusItem::setImage(const QImage& image)
{
    @autoreleasepool {
        CGImageRef bitmap = image.toCGImage();
        if (!bitmap)
            return;
        const QSizeF points = image.deviceIndependentSize();
        NSImage* picture = [[NSImage alloc] initWithCGImage:bitmap size:NSMakeSize(points.width(), points.height())];
        CGImageRelease(bitmap);
        // Drawn in its own colours in light and dark menu bars alike.
        [picture setTemplate:NO]; // ("template" is a C++ keyword)
        NSStatusItem* item = LAUNCHER_PEEK(item_);
        item.button.image = picture;
        item.button.imagePosition = NSImageLeading;
        item.button.appearsDisabled = NO;
#if !__has_feature(objc_arc)
        [picture release];
#endif
    }
}

void MacStatusItem::setTitle(const QString& title)
{
    @autoreleasepool {
        NSStatusItem* item = LAUNCHER_PEEK(item_);
        item.button.title = title.toNSString();
    }
}

void MacStatusItem::setMenu(QMenu* menu)
{
    @autoreleasepool {
        NSStatusItem* item = LAUNCHER_PEEK(item_);
        item.menu = menu ? menu->toNSMenu() : nil;
    }
}

void MacStatusItem::closeMenu()
{
    @autoreleasepool {
        NSStatusItem* item = LAUNCHER_PEEK(item_);
        [item.menu cancelTracking];
    }
}

} // namespace launcher
