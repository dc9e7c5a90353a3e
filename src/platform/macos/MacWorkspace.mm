#include "platform/macos/MacWorkspace.h"

#import <AppKit/AppKit.h>

namespace launcher {

QStringList MacRunningApplications::displayedNames()
{
    QStringList names;
    @autoreleasepool {
        for (NSRunningApplication* application in [[NSWorkspace sharedWorkspace] runningApplications]) {
            NSString* name = application.localizedName;
            if (name != nil)
                names << QString::fromNSString(name);
        }
    }
    return names;
}

void MacBeep::beep()
{
    NSBeep();
}

} // namespace launcher
