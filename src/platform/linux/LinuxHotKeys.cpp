#include "platform/linux/LinuxHotKeys.h"

#include "platform/KeyModifiers.h"
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

constexpr std::array<std::pair<Qt::KeyboardModifier, unsigned int>, 4> modifierMasks{{
    {Qt::MetaModifier, Mod4Mask}, {Qt::ShiftModifier, ShiftMask}, {Qt::AltModifier, Mod1Mask}, {Qt::ControlModifier, ControlMask},
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

std::optional<X11KeyCombination> x11KeyCombination(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    // Qt's letter keys are the upper-case code points, the key symbols the lower-case ones.
    X11KeyCombination combination;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        combination.keySym = XK_a + (key - Qt::Key_A);
    else if (key >= Qt::Key_0 && key <= Qt::Key_9)
        combination.keySym = XK_0 + (key - Qt::Key_0);
    else
        return std::nullopt;
    // The keypad and group switch have no X counterpart here.
    const std::optional<unsigned int> mask = nativeModifierMask(modifiers, modifierMasks);
    if (!mask)
        return std::nullopt;
    combination.modifiers = *mask;
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

bool LinuxHotKeys::registerHotKey(Qt::Key keyName, Qt::KeyboardModifiers modifiers, int id, const QString&)
{
    if (!display_)
        return false;
    const std::optional<X11KeyCombination> combination = x11KeyCombination(keyName, modifiers);
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
