#pragma once

#include "platform/Platform.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_shm;
struct wl_seat;
struct wl_pointer;
struct wl_keyboard;
struct wl_output;
struct wl_surface;
struct wl_buffer;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct zwlr_output_power_manager_v1;
struct zwlr_output_power_v1;
struct org_kde_kwin_dpms_manager;
struct org_kde_kwin_dpms;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;
class QSocketNotifier;

namespace launcher {

// The program's own connection to the compositor, read from Qt's event loop.
// It binds what the compositor offers of layer shell, idle notification and
// output power; when the compositor goes away or breaks the connection,
// everything reads as not offered and requests do nothing.
class WaylandSession : public QObject {
    Q_OBJECT
public:
    // Null when there is no compositor to reach, or it does not answer.
    static std::shared_ptr<WaylandSession> connect();
    ~WaylandSession() override;

    bool alive() const { return display_ != nullptr && !broken_; }
    bool hasLayerShell() const { return alive() && layerShell_ && compositor_ && shm_; }
    bool hasIdleNotification() const { return alive() && (idleNotifier_ || kdeIdle_) && !seats_.empty(); }
    bool hasOutputPower() const { return alive() && (outputPower_ || kdeDpms_); }

    // A set of black overlay surfaces, one per output, kept for outputs that
    // come and go. Input on them is passed to onInput, later, from the loop.
    int createCoverSet(std::function<void(WakeEventType)> onInput);
    void destroyCoverSet(int id);

    void watchIdle(std::function<void()> onInput);
    void setOutputsPowered(bool on);
    std::optional<bool> outputsAsleep() const;

private:
    struct Output;
    struct Seat;
    struct Cover;
    struct CoverSet;

    explicit WaylandSession(wl_display *display);
    bool start();
    // Waits (bounded) until the compositor has answered everything sent so far.
    bool roundtrip(int timeoutMs = 2000);
    void readEvents();
    void flush();
    void fail();

    void bindGlobal(uint32_t name, const char *interface, uint32_t version);
    void removeGlobal(uint32_t name);
    void addOutput(uint32_t name, uint32_t version);
    void dropOutput(Output &output);
    void attachOutputPower(Output &output);
    void releaseOutputPower(Output &output);
    void addCover(CoverSet &set, Output &output);
    void destroyCover(Cover &cover);
    void drawCover(Cover &cover);
    void updateSeat(Seat &seat, uint32_t capabilities);
    void dropSeat(Seat &seat);
    void startIdleWatch();
    void stopIdleWatch();
    void deliverInput(wl_surface *surface, WakeEventType type);
    void deliverIdleInput();
    Output *outputFor(wl_output *output);
    Seat *seatFor(const void *proxy);
    Cover *coverFor(zwlr_layer_surface_v1 *layerSurface);

    // Called from the listeners, which are defined in member functions.
    static void onIdleResumed(void *data);

    wl_display *display_ = nullptr;
    wl_registry *registry_ = nullptr;
    QSocketNotifier *notifier_ = nullptr;
    bool broken_ = false;

    wl_compositor *compositor_ = nullptr;
    wl_shm *shm_ = nullptr;
    zwlr_layer_shell_v1 *layerShell_ = nullptr;
    uint32_t layerShellVersion_ = 0;
    zwlr_output_power_manager_v1 *outputPower_ = nullptr;
    org_kde_kwin_dpms_manager *kdeDpms_ = nullptr;
    ext_idle_notifier_v1 *idleNotifier_ = nullptr;
    org_kde_kwin_idle *kdeIdle_ = nullptr;

    std::vector<std::unique_ptr<Output>> outputs_;
    std::vector<std::unique_ptr<Seat>> seats_;
    std::map<int, std::unique_ptr<CoverSet>> coverSets_;
    int nextCoverSet_ = 1;

    std::function<void()> onIdleInput_;
    ext_idle_notification_v1 *idleNotification_ = nullptr;
    org_kde_kwin_idle_timeout *kdeIdleTimeout_ = nullptr;
    bool idle_ = false;
};

} // namespace launcher
