#include "platform/linux/LinuxHotKeys.h"

#include "platform/linux/LinuxX11.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <utility>

namespace launcher {

namespace {

// Carbon's virtual key codes of the ANSI layout for letters and digits.
constexpr std::array<std::pair<quint32, unsigned long>, 36> carbonKeys{{
    {0x00, XK_a}, {0x0B, XK_b}, {0x08, XK_c}, {0x02, XK_d}, {0x0E, XK_e}, {0x03, XK_f}, {0x05, XK_g},
    {0x04, XK_h}, {0x22, XK_i}, {0x26, XK_j}, {0x28, XK_k}, {0x25, XK_l}, {0x2E, XK_m}, {0x2D, XK_n},
    {0x1F, XK_o}, {0x23, XK_p}, {0x0C, XK_q}, {0x0F, XK_r}, {0x01, XK_s}, {0x11, XK_t}, {0x20, XK_u},
    {0x09, XK_v}, {0x0D, XK_w}, {0x07, XK_x}, {0x10, XK_y}, {0x06, XK_z}, {0x1D, XK_0}, {0x12, XK_1},
    {0x13, XK_2}, {0x14, XK_3}, {0x15, XK_4}, {0x17, XK_5}, {0x16, XK_6}, {0x1A, XK_7}, {0x1C, XK_8},
    {0x19, XK_9},
}};

// Carbon modifier bits: cmdKey, shiftKey, optionKey, controlKey.
constexpr std::array<std::pair<quint32, unsigned int>, 4> carbonModifierBits{{
    {0x0100, Mod4Mask}, {0x0200, ShiftMask}, {0x0800, Mod1Mask}, {0x1000, ControlMask},
}};

// The modifiers a combination is told by; the locks and buttons do not count.
constexpr unsigned int combinationModifiers = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;

unsigned int numLockMaskOf(Display* display)
{
    unsigned int mask = 0;
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    if (XModifierKeymap* map = XGetModifierMapping(display)) {
        for (int modifier = 0; modifier < 8 && numLock; ++modifier)
            for (int k = 0; k < map->max_keypermod; ++k)
                if (map->modifiermap[modifier * map->max_keypermod + k] == numLock)
                    mask = 1u << modifier;
        XFreeModifiermap(map);
    }
    return mask ? mask : Mod2Mask;
}

} // namespace

std::optional<X11KeyCombination> x11KeyCombination(quint32 carbonKeyCode, quint32 carbonModifiers)
{
    const auto key = std::find_if(carbonKeys.begin(), carbonKeys.end(),
                                  [carbonKeyCode](const auto& entry) { return entry.first == carbonKeyCode; });
    if (key == carbonKeys.end())
        return std::nullopt;
    X11KeyCombination combination{key->second, 0};
    for (const auto& [carbon, x11] : carbonModifierBits)
        if (carbonModifiers & carbon) {
            combination.modifiers |= x11;
            carbonModifiers &= ~carbon;
        }
    if (carbonModifiers != 0) // caps lock, the right-hand keys and the rest have no X counterpart here
        return std::nullopt;
    return combination;
}

LinuxHotKeys::LinuxHotKeys()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display())
        return;
    display_ = x11->display();
    root_ = DefaultRootWindow(display_);
    numLockMask_ = numLockMaskOf(display_);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

LinuxHotKeys::~LinuxHotKeys()
{
    if (!display_)
        return;
    if (QCoreApplication::instance()) {
        unregisterAll();
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

void LinuxHotKeys::installHandler(std::function<void(int id)> handler)
{
    dispatch_.install(std::move(handler));
}

void LinuxHotKeys::removeHandler()
{
    dispatch_.remove();
}

std::vector<unsigned int> LinuxHotKeys::lockVariants() const
{
    // A grab matches the modifier state exactly, locks included.
    return {0u, LockMask, numLockMask_, LockMask | numLockMask_};
}

bool LinuxHotKeys::registerHotKey(quint32 keyCode, quint32 modifiers, int id)
{
    if (!display_)
        return false;
    const std::optional<X11KeyCombination> combination = x11KeyCombination(keyCode, modifiers);
    if (!combination)
        return false;
    const KeyCode key = XKeysymToKeycode(display_, combination->keySym);
    if (key == 0)
        return false;
    const Grab grab{key, combination->modifiers, id};
    if (std::any_of(grabs_.begin(), grabs_.end(),
                    [&](const Grab& g) { return g.keyCode == grab.keyCode && g.modifiers == grab.modifiers; }))
        return false;

    XErrorTrap trap(display_);
    for (unsigned int variant : lockVariants())
        XGrabKey(display_, grab.keyCode, grab.modifiers | variant, root_, False, GrabModeAsync, GrabModeAsync);
    if (trap.failed()) { // another client holds one of the variants (BadAccess)
        ungrab(grab);
        return false;
    }
    grabs_.push_back(grab);
    return true;
}

void LinuxHotKeys::ungrab(const Grab& grab)
{
    for (unsigned int variant : lockVariants())
        XUngrabKey(display_, grab.keyCode, grab.modifiers | variant, root_);
}

void LinuxHotKeys::unregisterAll()
{
    if (!display_)
        return;
    {
        XErrorTrap trap(display_);
        for (const Grab& grab : grabs_)
            ungrab(grab);
    }
    grabs_.clear();
    heldKey_ = releasedKey_ = 0;
}

bool LinuxHotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    if (type == XCB_KEY_RELEASE) {
        // Whatever modifiers are still down: the key itself is up.
        if (key->detail == heldKey_) {
            heldKey_ = 0;
            releasedKey_ = key->detail;
            releaseTime_ = key->time;
        }
        return false;
    }
    if (key->event != root_)
        return false;
    const unsigned int state = key->state & combinationModifiers;
    const auto grab = std::find_if(grabs_.begin(), grabs_.end(), [&](const Grab& g) {
        return g.keyCode == key->detail && g.modifiers == state;
    });
    if (grab == grabs_.end())
        return false;
    // The server repeats a held key as a release and a press at the same
    // moment, or (with detectable auto-repeat) as presses alone.
    const bool repeated = heldKey_ == key->detail || (releasedKey_ == key->detail && releaseTime_ == key->time);
    heldKey_ = key->detail;
    if (!repeated)
        dispatch_.post(grab->id);
    return true;
}

} // namespace launcher
