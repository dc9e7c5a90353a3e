#pragma once

// Small helpers for the adapters that talk to the X server on their own
// connection, next to the one Qt keeps.

#include <memory>

struct _XDisplay;

namespace launcher {

struct XDisplayCloser {
    void operator()(_XDisplay* display) const;
};

// A connection to the display named by $DISPLAY; null when there is none.
using XDisplayPointer = std::unique_ptr<_XDisplay, XDisplayCloser>;
// Its connection broke: a lost connection fails the calls on it instead
// of ending the program, and nothing will arrive on it again.
XDisplayPointer openXDisplay();
bool isLost(_XDisplay* display);

// Catches protocol errors of the requests made while it lives instead of
// letting Xlib's default handler end the program.
class XErrorTrap {
public:
    explicit XErrorTrap(_XDisplay* display);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Waits for the server to process everything sent so far.
    bool failed();

private:
    _XDisplay* display_;
    void (*previous_)(); // the handler to put back, type-erased
};

} // namespace launcher
