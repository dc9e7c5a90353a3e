// <MacTypes.h>: the fixed-size integer names of the Carbon interfaces.
#pragma once
#include <stdint.h>
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef SInt32 OSStatus;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef UInt32 OptionBits;
typedef unsigned long ByteCount;
typedef unsigned long ItemCount;
enum { noErr = 0 };
