#include "platform/linux/wayland/CompositorServices.h"
#include "platform/linux/wayland/WaylandSession.h"

namespace launcher {

namespace {

class OverlayCovers final : public BlackoutWindow {
public:
    OverlayCovers(std::shared_ptr<WaylandSession> session, std::function<void(WakeEventType)> onInput)
        : session_(std::move(session))
        , id_(session_->createCoverSet(std::move(onInput)))
    {
    }
    ~OverlayCovers() override { session_->destroyCoverSet(id_); }

private:
    // Holding the session keeps the connection open as long as the covers.
    std::shared_ptr<WaylandSession> session_;
    int id_;
};

class WaylandProtocolsClient final : public CompositorServices {
public:
    explicit WaylandProtocolsClient(std::shared_ptr<WaylandSession> session)
        : session_(std::move(session))
    {
    }
    ~WaylandProtocolsClient() override { session_->watchIdle({}); }

    bool offersOverlayCovers() const override { return session_->hasLayerShell(); }
    std::unique_ptr<BlackoutWindow> createOverlayCovers(std::function<void(WakeEventType)> onInput) override
    {
        if (!session_->hasLayerShell())
            return nullptr;
        return std::make_unique<OverlayCovers>(session_, std::move(onInput));
    }

    bool offersIdleNotification() const override { return session_->hasIdleNotification(); }
    void watchIdle(std::function<void()> onInput) override { session_->watchIdle(std::move(onInput)); }

    bool offersOutputPower() const override { return session_->hasOutputPower(); }
    void setOutputsPowered(bool on) override { session_->setOutputsPowered(on); }
    std::optional<bool> outputsAsleep() const override { return session_->outputsAsleep(); }

private:
    std::shared_ptr<WaylandSession> session_;
};

} // namespace

std::unique_ptr<CompositorServices> connectWaylandProtocols()
{
    auto session = WaylandSession::connect();
    if (!session)
        return nullptr;
    return std::make_unique<WaylandProtocolsClient>(std::move(session));
}

} // namespace launcher
