// <Availability.h>: system version numbers. Built for macOS 11 and later
// (Qt 6's own minimum) against the macOS 14 SDK.
#pragma once
#define __MAC_10_6 1060
#define __MAC_10_15 101500
#define __MAC_11_0 110000
#define __MAC_14_0 140000
#define __MAC_OS_X_VERSION_MIN_REQUIRED __MAC_11_0
#define __MAC_OS_X_VERSION_MAX_ALLOWED __MAC_14_0
