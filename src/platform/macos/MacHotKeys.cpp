#include "platform/macos/MacHotKeys.h"
#include "platform/macos/MacKeyCodes.h"

#include <Carbon/Carbon.h>

namespace launcher {

namespace {

// "PELV" as a four-character code.
constexpr OSType hotKeySignature = (OSType('P') << 24) | (OSType('E') << 16) | (OSType('L') << 8) | OSType('V');

// Runs inside the event dispatch: it only queues the press.
OSStatus hotKeyPressed(EventHandlerCallRef, EventRef event, void* userData)
{
    if (!event || !userData)
        return noErr;
    EventHotKeyID hotKey{0, 0};
    GetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID, nullptr, sizeof(hotKey), nullptr, &hotKey);
    if (hotKey.id != 0)
        static_cast<const HotKeyDispatch*>(userData)->post(int(hotKey.id));
    return noErr;
}

} // namespace

MacHotKeys::~MacHotKeys()
{
    unregisterAll();
    removeHandler();
}

void MacHotKeys::installHandler(std::function<void(int id)> handler)
{
    dispatch_.install(std::move(handler));
    if (handlerRef_)
        return;
    static const EventHandlerUPP procedure = NewEventHandlerUPP(hotKeyPressed);
    const EventTypeSpec pressed{kEventClassKeyboard, kEventHotKeyPressed};
    EventHandlerRef ref = nullptr;
    if (InstallEventHandler(GetEventDispatcherTarget(), procedure, 1, &pressed, &dispatch_, &ref) == noErr)
        handlerRef_ = ref;
}

void MacHotKeys::removeHandler()
{
    if (handlerRef_) {
        RemoveEventHandler(static_cast<EventHandlerRef>(handlerRef_));
        handlerRef_ = nullptr;
    }
    dispatch_.remove();
}

bool MacHotKeys::registerHotKey(Qt::Key key, Qt::KeyboardModifiers modifiers, int id, const QString&)
{
    const std::optional<CarbonKeyCombination> combination = carbonKeyCombination(key, modifiers);
    if (!combination)
        return false;
    const EventHotKeyID hotKey{hotKeySignature, UInt32(id)};
    EventHotKeyRef ref = nullptr;
    if (RegisterEventHotKey(combination->keyCode, combination->modifiers, hotKey, GetEventDispatcherTarget(), 0, &ref)
            != noErr
        || !ref)
        return false;
    hotKeyRefs_.push_back(ref);
    return true;
}

void MacHotKeys::unregisterAll()
{
    for (void* ref : hotKeyRefs_)
        UnregisterEventHotKey(static_cast<EventHotKeyRef>(ref));
    hotKeyRefs_.clear();
}

} // namespace launcher
