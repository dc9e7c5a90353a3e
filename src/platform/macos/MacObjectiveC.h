#pragma once

// Holding Objective-C objects in C++ members (void*), with and without
// automatic reference counting. For .mm files only.

#if __has_feature(objc_arc)
#define LAUNCHER_RETAIN(object) (__bridge_retained void*)(object)
#define LAUNCHER_TAKE(pointer) (__bridge_transfer id)(pointer)
#define LAUNCHER_PEEK(pointer) (__bridge id)(pointer)
#else
#define LAUNCHER_RETAIN(object) (void*)[(object) retain]
#define LAUNCHER_TAKE(pointer) [(id)(pointer) autorelease]
#define LAUNCHER_PEEK(pointer) ((id)(pointer))
#endif
