#pragma once

#include "platform/AppPlatform.h"
#include "platform/HotKeyDispatch.h"

#include <vector>

namespace launcher {

// Carbon's system-wide hot keys on the application's event dispatcher.
class MacHotKeys final : public HotKeys {
public:
    MacHotKeys() = default;
    ~MacHotKeys() override;
    MacHotKeys(const MacHotKeys&) = delete;
    MacHotKeys& operator=(const MacHotKeys&) = delete;

    void installHandler(std::function<void(int id)> handler) override;
    void removeHandler() override;
    bool registerHotKey(Qt::Key key, Qt::KeyboardModifiers modifiers, int id, const QString& description) override;
    void unregisterAll() override;

private:
    HotKeyDispatch dispatch_;
    void* handlerRef_ = nullptr;  // EventHandlerRef
    std::vector<void*> hotKeyRefs_; // EventHotKeyRef, registered ones only
};

} // namespace launcher
