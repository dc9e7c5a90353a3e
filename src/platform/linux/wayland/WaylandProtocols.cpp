#include "platform/linux/wayland/WaylandProtocols.h"

namespace launcher {

// Until the protocol client is built, no session offers anything.
std::unique_ptr<WaylandProtocols> connectWaylandProtocols()
{
    return nullptr;
}

} // namespace launcher
