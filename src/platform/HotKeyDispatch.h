#pragma once

#include <functional>
#include <memory>

namespace launcher {

// Hands hot-key presses to the installed handler from the event loop, never
// from inside the system's callback, in the order they came. Presses still
// queued when the handler is removed are dropped.
class HotKeyDispatch {
public:
    void install(std::function<void(int id)> handler);
    void remove();
    void post(int id) const;

private:
    std::shared_ptr<const std::function<void(int id)>> handler_;
};

} // namespace launcher
