#pragma once

#include "platform/AppPlatform.h"
#include "platform/HotKeyDispatch.h"

#include <QAbstractNativeEventFilter>

#include <optional>
#include <vector>

struct _XDisplay;

namespace launcher {

// A combination as the X server names it: a key symbol and a modifier mask.
struct X11KeyCombination {
    unsigned long keySym = 0;
    unsigned int modifiers = 0;
    friend bool operator==(const X11KeyCombination&, const X11KeyCombination&) = default;
};

// Letters and digits with Shift, Control, Alt and Super (Qt's Meta); absent
// for anything else.
std::optional<X11KeyCombination> x11KeyCombination(Qt::Key key, Qt::KeyboardModifiers modifiers);

// Passive key grabs on the root window of Qt's own X connection; presses
// arrive in Qt's event stream. Off X11 every registration fails.
class LinuxHotKeys final : public HotKeys, private QAbstractNativeEventFilter {
public:
    LinuxHotKeys();
    ~LinuxHotKeys() override;
    LinuxHotKeys(const LinuxHotKeys&) = delete;
    LinuxHotKeys& operator=(const LinuxHotKeys&) = delete;

    void installHandler(std::function<void(int id)> handler) override;
    void removeHandler() override;
    bool registerHotKey(Qt::Key key, Qt::KeyboardModifiers modifiers, int id, const QString& description) override;
    void unregisterAll() override;
    // Without an X server there is nothing to grab from.
    HotKeyRefusal refusal() const override { return display_ ? HotKeyRefusal::taken : HotKeyRefusal::notOffered; }

private:
    struct Grab {
        unsigned int keyCode;
        unsigned int modifiers;
        int id;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    std::vector<unsigned int> lockVariants() const;
    void ungrab(const Grab& grab);

    _XDisplay* display_ = nullptr;
    unsigned long root_ = 0;
    unsigned int numLockMask_ = 0;
    std::vector<Grab> grabs_;
    // The grabbed key now down and the last one let go, so that auto-repeat counts once.
    unsigned int heldKey_ = 0;
    unsigned int releasedKey_ = 0;
    unsigned long releaseTime_ = 0;
    HotKeyDispatch dispatch_;
};

} // namespace launcher
