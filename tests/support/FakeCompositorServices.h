#pragma once

#include "platform/linux/wayland/CompositorServices.h"

#include <QStringList>

namespace launcher::testing {

// A compositor that offers what the test says, records what it is asked, and
// lets the test play its input and its outputs' power.
class FakeCompositorServices final : public CompositorServices {
public:
    class Overlay final : public BlackoutWindow {
    public:
        explicit Overlay(FakeCompositorServices& owner) : owner_(owner) { ++owner_.overlaysOpen; }
        ~Overlay() override { --owner_.overlaysOpen; }

    private:
        FakeCompositorServices& owner_;
    };

    bool offersOverlayCovers() const override { return overlay; }
    std::unique_ptr<BlackoutWindow> createOverlayCovers(std::function<void(WakeEventType)> onInput) override
    {
        overlayInput = std::move(onInput);
        return std::make_unique<Overlay>(*this);
    }

    bool offersIdleNotification() const override { return idle; }
    void watchIdle(std::function<void()> onInput) override
    {
        idleHandler = std::move(onInput);
        requests << (idleHandler ? QStringLiteral("watchIdle") : QStringLiteral("stopIdle"));
    }
    // Input anywhere in the session, as the compositor reports it.
    void inputElsewhere()
    {
        if (idleHandler)
            idleHandler();
    }

    bool offersOutputPower() const override { return power; }
    void setOutputsPowered(bool on) override
    {
        requests << (on ? QStringLiteral("powerOn") : QStringLiteral("powerOff"));
        asleep = !on;
    }
    std::optional<bool> outputsAsleep() const override
    {
        return power ? std::optional<bool>(asleep) : std::nullopt;
    }

    bool overlay = false;
    bool idle = false;
    bool power = false;
    bool asleep = false;
    int overlaysOpen = 0;
    std::function<void(WakeEventType)> overlayInput;
    std::function<void()> idleHandler;
    QStringList requests;
};

} // namespace launcher::testing
