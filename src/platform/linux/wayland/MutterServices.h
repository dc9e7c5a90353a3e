#pragma once

#include "platform/linux/wayland/CompositorServices.h"

#include <QDBusConnection>
#include <QObject>

namespace launcher {

// GNOME's compositor through its services on the session bus: IdleMonitor's
// user-active watch for input anywhere, DisplayConfig's power-save mode for
// the outputs. It has no layer shell, so no overlay covers.
class MutterServices final : public QObject, public CompositorServices {
    Q_OBJECT
public:
    // Null when neither service is on the bus.
    static std::unique_ptr<MutterServices> connect(const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~MutterServices() override;

    bool offersOverlayCovers() const override { return false; }
    std::unique_ptr<BlackoutWindow> createOverlayCovers(std::function<void(WakeEventType)>) override { return nullptr; }

    bool offersIdleNotification() const override { return hasIdleMonitor_; }
    void watchIdle(std::function<void()> onInput) override;

    // A mode of "unknown", read or pushed, means no power control.
    bool offersOutputPower() const override { return powerSaveMode_.has_value(); }
    void setOutputsPowered(bool on) override;
    std::optional<bool> outputsAsleep() const override;

private slots:
    void watchFired(uint id);
    void displayConfigChanged(const QString& interfaceName, const QVariantMap& changed, const QStringList& invalidated);

private:
    MutterServices(const QDBusConnection& bus, bool hasIdleMonitor, bool hasDisplayConfig);
    void addWatch();
    void removeWatch();
    std::optional<int> readPowerSaveMode() const;

    QDBusConnection bus_;
    bool hasIdleMonitor_;
    std::function<void()> onInput_;
    // The armed watch; a reply that comes after the watching ended or was
    // re-armed is dropped (and its watch removed) by its generation.
    std::optional<uint> watchId_;
    quint64 generation_ = 0;
    // Last known mode: 0 on, 1 standby, 2 suspend, 3 off; absent without
    // DisplayConfig or where it cannot say (-1).
    std::optional<int> powerSaveMode_;
};

} // namespace launcher
