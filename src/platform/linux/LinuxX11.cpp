#include "platform/linux/LinuxX11.h"

#include <X11/Xlib.h>

#include <set>

namespace launcher {

namespace {

bool trappedError = false;
std::set<Display*> lostDisplays;

int recordError(Display*, XErrorEvent*)
{
    trappedError = true;
    return 0;
}

} // namespace

void XDisplayCloser::operator()(_XDisplay* display) const
{
    lostDisplays.erase(display);
    XCloseDisplay(display);
}

namespace {

// Xlib ends the process when a connection breaks. Ours only serve the
// adapters: their calls then fail quietly, and the program ends through Qt's
// own connection, in order (UnplannedExit.h), instead of from inside a call.
int ignoreLostConnection(Display*)
{
    return 0;
}

void keepRunning(Display* display, void*)
{
    lostDisplays.insert(display);
}

} // namespace

XDisplayPointer openXDisplay()
{
    static const bool handlerSet = (XSetIOErrorHandler(ignoreLostConnection), true);
    (void)handlerSet;
    Display* display = XOpenDisplay(nullptr);
    if (display)
        XSetIOErrorExitHandler(display, keepRunning, nullptr);
    return XDisplayPointer(display);
}

bool isLost(_XDisplay* display)
{
    return lostDisplays.count(display) > 0;
}

XErrorTrap::XErrorTrap(_XDisplay* display) : display_(display)
{
    XSync(display_, False);
    trappedError = false;
    previous_ = reinterpret_cast<void (*)()>(XSetErrorHandler(recordError));
}

XErrorTrap::~XErrorTrap()
{
    XSync(display_, False);
    XSetErrorHandler(reinterpret_cast<XErrorHandler>(previous_));
}

bool XErrorTrap::failed()
{
    XSync(display_, False);
    return trappedError;
}

} // namespace launcher
