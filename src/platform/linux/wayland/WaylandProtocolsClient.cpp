#include "platform/linux/wayland/CompositorServices.h"

namespace launcher {

// Until the protocol client is built, no session offers anything.
std::unique_ptr<CompositorServices> connectWaylandProtocols()
{
    return nullptr;
}

} // namespace launcher
