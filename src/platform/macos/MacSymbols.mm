#include "platform/macos/MacSymbols.h"

#import <AppKit/AppKit.h>

namespace launcher {

QImage macSystemSymbolImage(const QString& name, qreal points, qreal devicePixelRatio)
{
    @autoreleasepool {
        if (@available(macOS 11.0, *)) {
            NSImage* symbol = [NSImage imageWithSystemSymbolName:name.toNSString() accessibilityDescription:nil];
            if (!symbol)
                return {};
            NSImageSymbolConfiguration* configuration =
                [NSImageSymbolConfiguration configurationWithPointSize:points weight:NSFontWeightMedium];
            symbol = [symbol imageWithSymbolConfiguration:configuration] ?: symbol;

            const int side = qMax(1, qRound(points * devicePixelRatio));
            QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceSRGB);
            CGContextRef context = CGBitmapContextCreate(image.bits(), side, side, 8, image.bytesPerLine(), space,
                                                         CGBitmapInfo(kCGImageAlphaPremultipliedFirst) | kCGBitmapByteOrder32Host);
            CGColorSpaceRelease(space);
            if (!context)
                return {};
            // Aspect fit into the square, centred.
            const NSSize size = symbol.size;
            const CGFloat scale = side / qMax(size.width, size.height);
            const NSRect target = NSMakeRect((side - size.width * scale) / 2, (side - size.height * scale) / 2,
                                             size.width * scale, size.height * scale);
            [NSGraphicsContext saveGraphicsState];
            NSGraphicsContext.currentContext = [NSGraphicsContext graphicsContextWithCGContext:context flipped:NO];
            [symbol drawInRect:target fromRect:NSZeroRect operation:NSCompositingOperationSourceOver fraction:1.0];
            [NSGraphicsContext restoreGraphicsState];
            CGContextRelease(context);
            return image;
        }
        return {};
    }
}

} // namespace launcher
