#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace launcher::testing {

// Samples the root window's picture on a grid and at its far corners.
inline bool screenIsBlack(Display* display)
{
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, width, height, AllPlanes, ZPixmap);
    if (!image)
        return false;
    bool black = true;
    for (int y = 0; y < height && black; y += 7)
        for (int x = 0; x < width && black; x += 7)
            black = XGetPixel(image, x, y) == 0;
    black = black && XGetPixel(image, width - 1, height - 1) == 0 && XGetPixel(image, width - 1, 0) == 0
        && XGetPixel(image, 0, height - 1) == 0;
    XDestroyImage(image);
    return black;
}

// A white desktop, so that black means covered.
inline void paintRootWhite(Display* display)
{
    XSetWindowBackground(display, DefaultRootWindow(display), WhitePixel(display, DefaultScreen(display)));
    XClearWindow(display, DefaultRootWindow(display));
    XSync(display, False);
}

} // namespace launcher::testing
