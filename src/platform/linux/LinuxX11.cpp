#include "platform/linux/LinuxX11.h"

#include <X11/Xlib.h>

namespace launcher {

namespace {

bool trappedError = false;

int recordError(Display*, XErrorEvent*)
{
    trappedError = true;
    return 0;
}

} // namespace

void XDisplayCloser::operator()(_XDisplay* display) const
{
    XCloseDisplay(display);
}

XDisplayPointer openXDisplay()
{
    return XDisplayPointer(XOpenDisplay(nullptr));
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
