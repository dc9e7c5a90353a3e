// <CoreGraphics/CoreGraphics.h>: input idle times, the shielding window
// level, the display cursor, and bitmap contexts and images.
#pragma once
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef const struct __CFString* CFStringRef;
typedef double CFTimeInterval;
typedef int32_t CGError;
typedef uint32_t CGDirectDisplayID;
typedef int32_t CGWindowLevel;

// CGEventSource.h
typedef enum CGEventSourceStateID : int32_t {
    kCGEventSourceStatePrivate = -1,
    kCGEventSourceStateCombinedSessionState = 0,
    kCGEventSourceStateHIDSystemState = 1,
} CGEventSourceStateID;
typedef uint32_t CGEventType; // CGEventTypes.h: kCGEventLeftMouseDown = 1, kCGEventKeyDown = 10, ...
CFTimeInterval CGEventSourceSecondsSinceLastEventType(CGEventSourceStateID stateID, CGEventType eventType);

// CGWindowLevel.h
CGWindowLevel CGShieldingWindowLevel(void);

// CGDirectDisplay.h, CGDisplayConfiguration.h
CGDirectDisplayID CGMainDisplayID(void);
CGError CGDisplayHideCursor(CGDirectDisplayID display);
CGError CGDisplayShowCursor(CGDirectDisplayID display);

// CGImage.h, CGColorSpace.h, CGContext.h, CGBitmapContext.h
typedef struct CGImage* CGImageRef;
typedef struct CGColorSpace* CGColorSpaceRef;
typedef struct CGContext* CGContextRef;
void CGImageRelease(CGImageRef image);
extern const CFStringRef kCGColorSpaceSRGB;
CGColorSpaceRef CGColorSpaceCreateWithName(CFStringRef name);
void CGColorSpaceRelease(CGColorSpaceRef space);
typedef enum CGImageAlphaInfo : uint32_t { kCGImageAlphaPremultipliedFirst = 2 } CGImageAlphaInfo;
typedef uint32_t CGBitmapInfo;
enum : uint32_t { kCGBitmapByteOrder32Little = 2 << 12 };
#define kCGBitmapByteOrder32Host kCGBitmapByteOrder32Little
CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, CGColorSpaceRef space, uint32_t bitmapInfo);
void CGContextRelease(CGContextRef context);

#ifdef __cplusplus
}
#endif
