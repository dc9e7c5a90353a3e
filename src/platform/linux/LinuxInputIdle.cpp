#include "platform/linux/LinuxInputIdle.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/scrnsaver.h>

namespace launcher {

namespace {

// What an age reads when nothing can be known: it never drops, so it never
// looks like input.
constexpr double unknownAge = 365.0 * 24 * 3600;

double secondsBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

WakeEventType buttonType(int button)
{
    switch (button) {
    case 1:
        return WakeEventType::leftMouseDown;
    case 3:
        return WakeEventType::rightMouseDown;
    case 4:
    case 5:
    case 6:
    case 7:
        return WakeEventType::scrollWheel;
    default:
        return WakeEventType::otherMouseDown;
    }
}

} // namespace

LinuxInputIdle::LinuxInputIdle() : display_(openXDisplay()), startedAt_(std::chrono::steady_clock::now()) {}

LinuxInputIdle::~LinuxInputIdle() = default;

void LinuxInputIdle::setWatching(bool watching)
{
    if (!display_ || watching == watching_)
        return;
    watching_ = watching;
    if (!watching) {
        notifier_.reset();
        selectRawEvents(false);
        xinputOpcode_ = -1;
        lastEventAt_.clear();
        return;
    }
    startedAt_ = std::chrono::steady_clock::now();
    idleAtStart_ = sessionIdleSeconds().value_or(0.0);
    selectRawEvents(true);
    if (!watchesRawEvents())
        return;
    loadModifierKeys();
    // Drained as they arrive, so that the server never queues much for us.
    if (QCoreApplication::instance()) {
        notifier_ = std::make_unique<QSocketNotifier>(ConnectionNumber(display_.get()), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { drainEvents(); });
    }
}

void LinuxInputIdle::selectRawEvents(bool on)
{
    Display* display = display_.get();
    int event = 0, error = 0, opcode = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error))
        return;
    int major = 2, minor = 2;
    if (XIQueryVersion(display, &major, &minor) != Success)
        return;

    // An empty mask takes back an earlier selection.
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (on) {
        XISetMask(bits, XI_RawMotion);
        XISetMask(bits, XI_RawButtonPress);
        XISetMask(bits, XI_RawKeyPress);
        if (major > 2 || minor >= 2)
            XISetMask(bits, XI_RawTouchBegin);
    }
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof bits;
    mask.mask = bits;

    XErrorTrap trap(display);
    for (int screen = 0; screen < ScreenCount(display); ++screen)
        XISelectEvents(display, RootWindow(display, screen), &mask, 1);
    if (!trap.failed() && on)
        xinputOpcode_ = opcode;
    if (!on)
        drainEvents();
}

void LinuxInputIdle::loadModifierKeys()
{
    modifierKeycodes_.clear();
    XModifierKeymap* map = XGetModifierMapping(display_.get());
    if (!map)
        return;
    for (int i = 0; i < 8 * map->max_keypermod; ++i)
        if (map->modifiermap[i] != 0)
            modifierKeycodes_.insert(map->modifiermap[i]);
    XFreeModifiermap(map);
}

void LinuxInputIdle::drainEvents()
{
    Display* display = display_.get();
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            loadModifierKeys();
            continue;
        }
        XGenericEventCookie* cookie = &event.xcookie;
        if (event.type != GenericEvent || cookie->extension != xinputOpcode_ || !XGetEventData(display, cookie))
            continue;
        const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
        const Instant now = std::chrono::steady_clock::now();
        switch (cookie->evtype) {
        case XI_RawMotion:
            lastEventAt_[WakeEventType::mouseMoved] = now;
            break;
        case XI_RawButtonPress:
            lastEventAt_[buttonType(raw->detail)] = now;
            break;
        case XI_RawTouchBegin:
            lastEventAt_[WakeEventType::leftMouseDown] = now;
            break;
        case XI_RawKeyPress:
            lastEventAt_[modifierKeycodes_.count(raw->detail) ? WakeEventType::flagsChanged : WakeEventType::keyDown] = now;
            break;
        default:
            break;
        }
        XFreeEventData(display, cookie);
    }
    // A closed connection reads as ready for ever.
    if (notifier_ && isLost(display))
        notifier_->setEnabled(false);
}

std::optional<double> LinuxInputIdle::sessionIdleSeconds()
{
    Display* display = display_.get();
    int event = 0, error = 0;
    if (!XScreenSaverQueryExtension(display, &event, &error))
        return std::nullopt;
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (!info)
        return std::nullopt;
    std::optional<double> idle;
    if (XScreenSaverQueryInfo(display, DefaultRootWindow(display), info))
        idle = double(info->idle) / 1000.0;
    XFree(info);
    return idle;
}

double LinuxInputIdle::secondsSinceLastEvent(WakeEventType type)
{
    if (!display_)
        return unknownAge;
    if (!watchesRawEvents())
        return sessionIdleSeconds().value_or(unknownAge);

    drainEvents();
    const Instant now = std::chrono::steady_clock::now();
    const auto it = lastEventAt_.find(type);
    if (it != lastEventAt_.end())
        return secondsBetween(it->second, now);
    // Nothing of this type seen yet: the session's idle time when watching
    // began, growing from there.
    return idleAtStart_ + secondsBetween(startedAt_, now);
}

} // namespace launcher
