#include "platform/macos/MacInputIdle.h"

#include <CoreGraphics/CoreGraphics.h>

namespace launcher {

double MacInputIdle::secondsSinceLastEvent(WakeEventType type)
{
    // WakeEventType carries the window server's own event type codes.
    return CGEventSourceSecondsSinceLastEventType(kCGEventSourceStateCombinedSessionState,
                                                  static_cast<CGEventType>(static_cast<int>(type)));
}

} // namespace launcher
