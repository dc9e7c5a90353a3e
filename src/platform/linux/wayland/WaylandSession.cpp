#include "platform/linux/wayland/WaylandSession.h"

#include "dpms-client-protocol.h"
#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"
// The generated C names an argument "namespace".
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#include "wlr-output-power-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <QDeadlineTimer>
#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>

#include <linux/input-event-codes.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace launcher {

namespace {

// Long enough not to fire between a person's movements, short enough that
// the first input after a pause is noticed at once.
constexpr uint32_t idleTimeoutMs = 1000;

template<typename T>
T *bind(wl_registry *registry, uint32_t name, const wl_interface *interface, uint32_t offered, uint32_t wanted)
{
    return static_cast<T *>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

// A zero-filled XRGB buffer is opaque black; nothing needs to be drawn.
wl_buffer *blackBuffer(wl_shm *shm, int width, int height)
{
    const int stride = width * 4;
    const int size = stride * height;
    const int fd = memfd_create("launcher-cover", MFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    wl_buffer *buffer = nullptr;
    if (ftruncate(fd, size) == 0) {
        wl_shm_pool *pool = wl_shm_create_pool(shm, fd, size);
        buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
        wl_shm_pool_destroy(pool);
    }
    close(fd);
    return buffer;
}

} // namespace

struct WaylandSession::Output {
    uint32_t name = 0;
    wl_output *output = nullptr;
    uint32_t version = 0;
    int32_t scale = 1;
    zwlr_output_power_v1 *power = nullptr;
    org_kde_kwin_dpms *dpms = nullptr;
    bool dpmsSupported = false;
    std::optional<bool> off;
};

struct WaylandSession::Seat {
    uint32_t name = 0;
    wl_seat *seat = nullptr;
    uint32_t version = 0;
    wl_pointer *pointer = nullptr;
    wl_keyboard *keyboard = nullptr;
    wl_surface *keyboardFocus = nullptr;
    std::optional<std::array<uint32_t, 4>> modifiers;
};

struct WaylandSession::Cover {
    uint32_t output = 0;
    wl_surface *surface = nullptr;
    zwlr_layer_surface_v1 *layerSurface = nullptr;
    wl_buffer *buffer = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t bufferScale = 0;
    bool configured = false;
};

struct WaylandSession::CoverSet {
    std::function<void(WakeEventType)> onInput;
    std::vector<std::unique_ptr<Cover>> covers;
    // Queued input is dropped once the set is gone.
    std::unique_ptr<QObject> context = std::make_unique<QObject>();
};

std::shared_ptr<WaylandSession> WaylandSession::connect()
{
    // Without a Wayland session named, the program is on X11 and stays there.
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_SOCKET"))
        return nullptr;
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return nullptr;
    std::shared_ptr<WaylandSession> session(new WaylandSession(display));
    if (!session->start())
        return nullptr;
    return session;
}

WaylandSession::WaylandSession(wl_display *display)
    : display_(display)
{
}

bool WaylandSession::start()
{
    static const wl_registry_listener registryListener{
        .global = [](void *data, wl_registry *, uint32_t name, const char *interface, uint32_t version) {
            static_cast<WaylandSession *>(data)->bindGlobal(name, interface, version);
        },
        .global_remove = [](void *data, wl_registry *, uint32_t name) {
            static_cast<WaylandSession *>(data)->removeGlobal(name);
        },
    };
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &registryListener, this);
    // The first answer lists the globals; the second brings what binding
    // them sent (seat capabilities, output scales and power modes).
    if (!roundtrip() || !roundtrip())
        return false;
    notifier_ = new QSocketNotifier(wl_display_get_fd(display_), QSocketNotifier::Read, this);
    QObject::connect(notifier_, &QSocketNotifier::activated, this, &WaylandSession::readEvents);
    return true;
}

WaylandSession::~WaylandSession()
{
    if (!display_)
        return;
    delete notifier_;
    notifier_ = nullptr;
    stopIdleWatch();
    for (auto &[id, set] : coverSets_)
        for (auto &cover : set->covers)
            destroyCover(*cover);
    coverSets_.clear();
    for (auto &seat : seats_)
        dropSeat(*seat);
    for (auto &output : outputs_)
        dropOutput(*output);
    if (layerShell_) {
        if (layerShellVersion_ >= 3)
            zwlr_layer_shell_v1_destroy(layerShell_);
        else
            wl_proxy_destroy(reinterpret_cast<wl_proxy *>(layerShell_));
    }
    if (outputPower_)
        zwlr_output_power_manager_v1_destroy(outputPower_);
    if (kdeDpms_)
        org_kde_kwin_dpms_manager_destroy(kdeDpms_);
    if (idleNotifier_)
        ext_idle_notifier_v1_destroy(idleNotifier_);
    if (kdeIdle_)
        org_kde_kwin_idle_destroy(kdeIdle_);
    if (shm_)
        wl_shm_destroy(shm_);
    if (compositor_)
        wl_compositor_destroy(compositor_);
    wl_registry_destroy(registry_);
    wl_display_flush(display_);
    wl_display_disconnect(display_);
}

bool WaylandSession::roundtrip(int timeoutMs)
{
    if (!alive())
        return false;
    static const wl_callback_listener doneListener{
        .done = [](void *data, wl_callback *callback, uint32_t) {
            *static_cast<bool *>(data) = true;
            wl_callback_destroy(callback);
        },
    };
    bool done = false;
    wl_callback *callback = wl_display_sync(display_);
    wl_callback_add_listener(callback, &doneListener, &done);
    const QDeadlineTimer deadline(timeoutMs);
    const int fd = wl_display_get_fd(display_);
    // Whatever ends the wait early, the pending callback goes with it.
    const auto giveUp = [&] {
        if (!done)
            wl_callback_destroy(callback);
        fail();
        return false;
    };
    while (!done) {
        while (wl_display_prepare_read(display_) != 0) {
            if (wl_display_dispatch_pending(display_) < 0)
                return giveUp();
        }
        if (done) {
            wl_display_cancel_read(display_);
            break;
        }
        if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display_);
            return giveUp();
        }
        pollfd readable{fd, POLLIN, 0};
        const int ready = poll(&readable, 1, int(deadline.remainingTime()));
        if (ready <= 0) {
            wl_display_cancel_read(display_);
            if (ready < 0 && errno == EINTR)
                continue;
            // A compositor that does not answer is treated as gone.
            return giveUp();
        }
        if (wl_display_read_events(display_) < 0 || wl_display_dispatch_pending(display_) < 0)
            return giveUp();
    }
    return true;
}

void WaylandSession::readEvents()
{
    if (!alive())
        return;
    while (wl_display_prepare_read(display_) != 0) {
        if (wl_display_dispatch_pending(display_) < 0)
            return fail();
    }
    if (wl_display_read_events(display_) < 0 || wl_display_dispatch_pending(display_) < 0)
        return fail();
    flush();
}

void WaylandSession::flush()
{
    if (alive() && wl_display_flush(display_) < 0 && errno != EAGAIN)
        fail();
}

void WaylandSession::fail()
{
    broken_ = true;
    // The socket stays readable at end of file; stop listening to it.
    if (notifier_)
        notifier_->setEnabled(false);
}

void WaylandSession::bindGlobal(uint32_t name, const char *interface, uint32_t version)
{
    const auto is = [interface](const wl_interface &candidate) { return std::strcmp(interface, candidate.name) == 0; };
    if (is(wl_compositor_interface) && !compositor_) {
        compositor_ = bind<wl_compositor>(registry_, name, &wl_compositor_interface, version, 4);
    } else if (is(wl_shm_interface) && !shm_) {
        shm_ = bind<wl_shm>(registry_, name, &wl_shm_interface, version, 1);
    } else if (is(zwlr_layer_shell_v1_interface) && !layerShell_) {
        layerShellVersion_ = std::min<uint32_t>(version, 3);
        layerShell_ = bind<zwlr_layer_shell_v1>(registry_, name, &zwlr_layer_shell_v1_interface, version, 3);
    } else if (is(ext_idle_notifier_v1_interface) && !idleNotifier_) {
        idleNotifier_ = bind<ext_idle_notifier_v1>(registry_, name, &ext_idle_notifier_v1_interface, version, 1);
    } else if (is(org_kde_kwin_idle_interface) && !kdeIdle_) {
        kdeIdle_ = bind<org_kde_kwin_idle>(registry_, name, &org_kde_kwin_idle_interface, version, 1);
    } else if (is(zwlr_output_power_manager_v1_interface) && !outputPower_) {
        outputPower_ = bind<zwlr_output_power_manager_v1>(registry_, name, &zwlr_output_power_manager_v1_interface,
                                                          version, 1);
        for (auto &output : outputs_)
            attachOutputPower(*output);
    } else if (is(org_kde_kwin_dpms_manager_interface) && !kdeDpms_) {
        kdeDpms_ = bind<org_kde_kwin_dpms_manager>(registry_, name, &org_kde_kwin_dpms_manager_interface, version, 1);
        for (auto &output : outputs_)
            attachOutputPower(*output);
    } else if (is(wl_output_interface)) {
        addOutput(name, version);
    } else if (is(wl_seat_interface)) {
        static const wl_seat_listener seatListener{
            .capabilities = [](void *data, wl_seat *seat, uint32_t capabilities) {
                auto *self = static_cast<WaylandSession *>(data);
                if (Seat *known = self->seatFor(seat))
                    self->updateSeat(*known, capabilities);
            },
            .name = [](void *, wl_seat *, const char *) {},
        };
        auto seat = std::make_unique<Seat>();
        seat->name = name;
        seat->version = std::min<uint32_t>(version, 5);
        seat->seat = bind<wl_seat>(registry_, name, &wl_seat_interface, version, 5);
        wl_seat_add_listener(seat->seat, &seatListener, this);
        seats_.push_back(std::move(seat));
    }
}

void WaylandSession::removeGlobal(uint32_t name)
{
    for (auto it = outputs_.begin(); it != outputs_.end(); ++it) {
        if ((*it)->name != name)
            continue;
        for (auto &[id, set] : coverSets_) {
            auto &covers = set->covers;
            for (auto &cover : covers)
                if (cover->output == name)
                    destroyCover(*cover);
            std::erase_if(covers, [](const auto &cover) { return cover->surface == nullptr; });
        }
        dropOutput(**it);
        outputs_.erase(it);
        return;
    }
    for (auto it = seats_.begin(); it != seats_.end(); ++it) {
        if ((*it)->name != name)
            continue;
        const bool watching = bool(onIdleInput_);
        stopIdleWatch();
        dropSeat(**it);
        seats_.erase(it);
        if (watching && !seats_.empty())
            startIdleWatch();
        return;
    }
}

void WaylandSession::addOutput(uint32_t name, uint32_t version)
{
    static const wl_output_listener outputListener{
        .geometry = [](void *, wl_output *, int32_t, int32_t, int32_t, int32_t, int32_t, const char *, const char *,
                       int32_t) {},
        .mode = [](void *, wl_output *, uint32_t, int32_t, int32_t, int32_t) {},
        .done =
            [](void *data, wl_output *output) {
                auto *self = static_cast<WaylandSession *>(data);
                Output *known = self->outputFor(output);
                if (!known)
                    return;
                // A new scale needs buffers of the new size.
                for (auto &[id, set] : self->coverSets_)
                    for (auto &cover : set->covers)
                        if (cover->output == known->name && cover->bufferScale != known->scale)
                            self->drawCover(*cover);
            },
        .scale =
            [](void *data, wl_output *output, int32_t factor) {
                if (Output *known = static_cast<WaylandSession *>(data)->outputFor(output))
                    known->scale = std::max(1, factor);
            },
        .name = [](void *, wl_output *, const char *) {},
        .description = [](void *, wl_output *, const char *) {},
    };
    auto output = std::make_unique<Output>();
    output->name = name;
    output->version = std::min<uint32_t>(version, 3);
    output->output = bind<wl_output>(registry_, name, &wl_output_interface, version, 3);
    wl_output_add_listener(output->output, &outputListener, this);
    attachOutputPower(*output);
    Output &added = *output;
    outputs_.push_back(std::move(output));
    for (auto &[id, set] : coverSets_)
        addCover(*set, added);
}

void WaylandSession::dropOutput(Output &output)
{
    releaseOutputPower(output);
    if (output.version >= 3)
        wl_output_release(output.output);
    else
        wl_output_destroy(output.output);
    output.output = nullptr;
}

void WaylandSession::attachOutputPower(Output &output)
{
    static const zwlr_output_power_v1_listener powerListener{
        .mode =
            [](void *data, zwlr_output_power_v1 *power, uint32_t mode) {
                auto *self = static_cast<WaylandSession *>(data);
                for (auto &output : self->outputs_)
                    if (output->power == power)
                        output->off = mode == ZWLR_OUTPUT_POWER_V1_MODE_OFF;
            },
        .failed =
            [](void *data, zwlr_output_power_v1 *power) {
                // Another client holds the output, or it cannot be switched.
                auto *self = static_cast<WaylandSession *>(data);
                for (auto &output : self->outputs_)
                    if (output->power == power) {
                        zwlr_output_power_v1_destroy(power);
                        output->power = nullptr;
                        output->off.reset();
                    }
            },
    };
    static const org_kde_kwin_dpms_listener dpmsListener{
        .supported =
            [](void *data, org_kde_kwin_dpms *dpms, uint32_t supported) {
                for (auto &output : static_cast<WaylandSession *>(data)->outputs_)
                    if (output->dpms == dpms)
                        output->dpmsSupported = supported != 0;
            },
        .mode =
            [](void *data, org_kde_kwin_dpms *dpms, uint32_t mode) {
                // Standby and suspend are dark too.
                for (auto &output : static_cast<WaylandSession *>(data)->outputs_)
                    if (output->dpms == dpms)
                        output->off = mode != ORG_KDE_KWIN_DPMS_MODE_ON;
            },
        .done = [](void *, org_kde_kwin_dpms *) {},
    };
    if (outputPower_ && !output.power) {
        output.power = zwlr_output_power_manager_v1_get_output_power(outputPower_, output.output);
        zwlr_output_power_v1_add_listener(output.power, &powerListener, this);
    } else if (kdeDpms_ && !outputPower_ && !output.dpms) {
        output.dpms = org_kde_kwin_dpms_manager_get(kdeDpms_, output.output);
        org_kde_kwin_dpms_add_listener(output.dpms, &dpmsListener, this);
    }
}

void WaylandSession::releaseOutputPower(Output &output)
{
    if (output.power)
        zwlr_output_power_v1_destroy(output.power);
    if (output.dpms)
        org_kde_kwin_dpms_release(output.dpms);
    output.power = nullptr;
    output.dpms = nullptr;
    output.off.reset();
}

void WaylandSession::setOutputsPowered(bool on)
{
    if (!hasOutputPower())
        return;
    for (auto &output : outputs_) {
        if (output->power)
            zwlr_output_power_v1_set_mode(output->power,
                                          on ? ZWLR_OUTPUT_POWER_V1_MODE_ON : ZWLR_OUTPUT_POWER_V1_MODE_OFF);
        else if (output->dpms && output->dpmsSupported)
            org_kde_kwin_dpms_set(output->dpms, on ? ORG_KDE_KWIN_DPMS_MODE_ON : ORG_KDE_KWIN_DPMS_MODE_OFF);
    }
    flush();
}

std::optional<bool> WaylandSession::outputsAsleep() const
{
    if (!hasOutputPower())
        return std::nullopt;
    // An output whose state is unknown counts as lit: the screens are asleep
    // only when every one of them says so.
    if (outputs_.empty())
        return false;
    return std::all_of(outputs_.begin(), outputs_.end(), [](const auto &output) { return output->off.value_or(false); });
}

int WaylandSession::createCoverSet(std::function<void(WakeEventType)> onInput)
{
    const int id = nextCoverSet_++;
    auto set = std::make_unique<CoverSet>();
    set->onInput = std::move(onInput);
    CoverSet &created = *set;
    coverSets_.emplace(id, std::move(set));
    if (hasLayerShell())
        for (auto &output : outputs_)
            addCover(created, *output);
    flush();
    return id;
}

void WaylandSession::destroyCoverSet(int id)
{
    const auto it = coverSets_.find(id);
    if (it == coverSets_.end())
        return;
    for (auto &cover : it->second->covers)
        destroyCover(*cover);
    coverSets_.erase(it);
    flush();
}

void WaylandSession::addCover(CoverSet &set, Output &output)
{
    static const zwlr_layer_surface_v1_listener coverListener{
        .configure =
            [](void *data, zwlr_layer_surface_v1 *layerSurface, uint32_t serial, uint32_t width, uint32_t height) {
                auto *self = static_cast<WaylandSession *>(data);
                zwlr_layer_surface_v1_ack_configure(layerSurface, serial);
                if (Cover *cover = self->coverFor(layerSurface)) {
                    cover->width = width;
                    cover->height = height;
                    cover->configured = true;
                    self->drawCover(*cover);
                }
            },
        .closed =
            [](void *data, zwlr_layer_surface_v1 *layerSurface) {
                auto *self = static_cast<WaylandSession *>(data);
                for (auto &[id, set] : self->coverSets_) {
                    for (auto &cover : set->covers)
                        if (cover->layerSurface == layerSurface)
                            self->destroyCover(*cover);
                    std::erase_if(set->covers, [](const auto &cover) { return cover->surface == nullptr; });
                }
            },
    };
    if (!hasLayerShell())
        return;
    auto cover = std::make_unique<Cover>();
    cover->output = output.name;
    cover->surface = wl_compositor_create_surface(compositor_);
    cover->layerSurface = zwlr_layer_shell_v1_get_layer_surface(layerShell_, cover->surface, output.output,
                                                                ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "launcher-cover");
    zwlr_layer_surface_v1_add_listener(cover->layerSurface, &coverListener, this);
    zwlr_layer_surface_v1_set_anchor(cover->layerSurface,
                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM
                                         | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(cover->layerSurface, 0, 0);
    zwlr_layer_surface_v1_set_exclusive_zone(cover->layerSurface, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(cover->layerSurface,
                                                     ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    wl_surface_commit(cover->surface);
    set.covers.push_back(std::move(cover));
}

void WaylandSession::drawCover(Cover &cover)
{
    if (!cover.configured || !cover.surface || cover.width == 0 || cover.height == 0)
        return;
    int32_t scale = 1;
    for (auto &output : outputs_)
        if (output->name == cover.output)
            scale = output->scale;
    wl_buffer *buffer = blackBuffer(shm_, int(cover.width) * scale, int(cover.height) * scale);
    if (!buffer)
        return;
    wl_surface_set_buffer_scale(cover.surface, scale);
    wl_surface_attach(cover.surface, buffer, 0, 0);
    wl_surface_damage(cover.surface, 0, 0, int32_t(cover.width), int32_t(cover.height));
    wl_surface_commit(cover.surface);
    if (cover.buffer)
        wl_buffer_destroy(cover.buffer);
    cover.buffer = buffer;
    cover.bufferScale = scale;
    flush();
}

void WaylandSession::destroyCover(Cover &cover)
{
    for (auto &seat : seats_)
        if (seat->keyboardFocus == cover.surface)
            seat->keyboardFocus = nullptr;
    if (cover.layerSurface)
        zwlr_layer_surface_v1_destroy(cover.layerSurface);
    if (cover.surface)
        wl_surface_destroy(cover.surface);
    if (cover.buffer)
        wl_buffer_destroy(cover.buffer);
    cover = Cover{};
}

void WaylandSession::updateSeat(Seat &seat, uint32_t capabilities)
{
    static const wl_pointer_listener pointerListener{
        .enter =
            [](void *, wl_pointer *pointer, uint32_t serial, wl_surface *, wl_fixed_t, wl_fixed_t) {
                // Only covers are ever under this connection's pointer.
                wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
            },
        .leave = [](void *, wl_pointer *, uint32_t, wl_surface *) {},
        .motion =
            [](void *data, wl_pointer *, uint32_t, wl_fixed_t, wl_fixed_t) {
                static_cast<WaylandSession *>(data)->deliverInput(nullptr, WakeEventType::mouseMoved);
            },
        .button =
            [](void *data, wl_pointer *, uint32_t, uint32_t, uint32_t button, uint32_t state) {
                if (state != WL_POINTER_BUTTON_STATE_PRESSED)
                    return;
                const WakeEventType type = button == BTN_LEFT    ? WakeEventType::leftMouseDown
                                           : button == BTN_RIGHT ? WakeEventType::rightMouseDown
                                                                 : WakeEventType::otherMouseDown;
                static_cast<WaylandSession *>(data)->deliverInput(nullptr, type);
            },
        .axis =
            [](void *data, wl_pointer *, uint32_t, uint32_t, wl_fixed_t) {
                static_cast<WaylandSession *>(data)->deliverInput(nullptr, WakeEventType::scrollWheel);
            },
        .frame = [](void *, wl_pointer *) {},
        .axis_source = [](void *, wl_pointer *, uint32_t) {},
        .axis_stop = [](void *, wl_pointer *, uint32_t, uint32_t) {},
        .axis_discrete = [](void *, wl_pointer *, uint32_t, int32_t) {},
        .axis_value120 = [](void *, wl_pointer *, uint32_t, int32_t) {},
    };
    static const wl_keyboard_listener keyboardListener{
        .keymap = [](void *, wl_keyboard *, uint32_t, int32_t fd, uint32_t) { close(fd); },
        .enter =
            [](void *data, wl_keyboard *keyboard, uint32_t, wl_surface *surface, wl_array *) {
                auto *self = static_cast<WaylandSession *>(data);
                if (Seat *seat = self->seatFor(keyboard)) {
                    seat->keyboardFocus = surface;
                    // The state that comes with focus is not a change.
                    seat->modifiers.reset();
                }
            },
        .leave =
            [](void *data, wl_keyboard *keyboard, uint32_t, wl_surface *) {
                if (Seat *seat = static_cast<WaylandSession *>(data)->seatFor(keyboard))
                    seat->keyboardFocus = nullptr;
            },
        .key =
            [](void *data, wl_keyboard *keyboard, uint32_t, uint32_t, uint32_t, uint32_t state) {
                auto *self = static_cast<WaylandSession *>(data);
                Seat *seat = self->seatFor(keyboard);
                if (seat && state == WL_KEYBOARD_KEY_STATE_PRESSED)
                    self->deliverInput(seat->keyboardFocus, WakeEventType::keyDown);
            },
        .modifiers =
            [](void *data, wl_keyboard *keyboard, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked,
               uint32_t group) {
                auto *self = static_cast<WaylandSession *>(data);
                Seat *seat = self->seatFor(keyboard);
                if (!seat)
                    return;
                const std::array<uint32_t, 4> now{depressed, latched, locked, group};
                const bool changed = seat->modifiers && *seat->modifiers != now;
                seat->modifiers = now;
                if (changed)
                    self->deliverInput(seat->keyboardFocus, WakeEventType::flagsChanged);
            },
        .repeat_info = [](void *, wl_keyboard *, int32_t, int32_t) {},
    };
    const bool hasPointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
    const bool hasKeyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    if (hasPointer && !seat.pointer) {
        seat.pointer = wl_seat_get_pointer(seat.seat);
        wl_pointer_add_listener(seat.pointer, &pointerListener, this);
    } else if (!hasPointer && seat.pointer) {
        if (seat.version >= 3)
            wl_pointer_release(seat.pointer);
        else
            wl_pointer_destroy(seat.pointer);
        seat.pointer = nullptr;
    }
    if (hasKeyboard && !seat.keyboard) {
        seat.keyboard = wl_seat_get_keyboard(seat.seat);
        wl_keyboard_add_listener(seat.keyboard, &keyboardListener, this);
    } else if (!hasKeyboard && seat.keyboard) {
        if (seat.version >= 3)
            wl_keyboard_release(seat.keyboard);
        else
            wl_keyboard_destroy(seat.keyboard);
        seat.keyboard = nullptr;
        seat.keyboardFocus = nullptr;
    }
}

void WaylandSession::dropSeat(Seat &seat)
{
    updateSeat(seat, 0);
    if (seat.version >= 5)
        wl_seat_release(seat.seat);
    else
        wl_seat_destroy(seat.seat);
    seat.seat = nullptr;
}

void WaylandSession::deliverInput(wl_surface *surface, WakeEventType type)
{
    // Pointer events name no surface after enter; they go to every set, of
    // which there is one in practice. Keys go to the set holding the focus.
    for (auto &[id, set] : coverSets_) {
        if (surface) {
            const bool owns = std::any_of(set->covers.begin(), set->covers.end(),
                                          [surface](const auto &cover) { return cover->surface == surface; });
            if (!owns)
                continue;
        }
        // Later, from the loop: the handler may well destroy the covers.
        QMetaObject::invokeMethod(
            set->context.get(), [onInput = set->onInput, type] { onInput(type); }, Qt::QueuedConnection);
    }
}

void WaylandSession::watchIdle(std::function<void()> onInput)
{
    stopIdleWatch();
    onIdleInput_ = std::move(onInput);
    if (onIdleInput_)
        startIdleWatch();
    flush();
}

void WaylandSession::startIdleWatch()
{
    static const ext_idle_notification_v1_listener idleListener{
        .idled = [](void *data, ext_idle_notification_v1 *) { static_cast<WaylandSession *>(data)->idle_ = true; },
        .resumed = [](void *data, ext_idle_notification_v1 *) { onIdleResumed(data); },
    };
    static const org_kde_kwin_idle_timeout_listener kdeIdleListener{
        .idle = [](void *data, org_kde_kwin_idle_timeout *) { static_cast<WaylandSession *>(data)->idle_ = true; },
        .resumed = [](void *data, org_kde_kwin_idle_timeout *) { onIdleResumed(data); },
    };
    if (!hasIdleNotification())
        return;
    idle_ = false;
    wl_seat *seat = seats_.front()->seat;
    if (idleNotifier_) {
        idleNotification_ = ext_idle_notifier_v1_get_idle_notification(idleNotifier_, idleTimeoutMs, seat);
        ext_idle_notification_v1_add_listener(idleNotification_, &idleListener, this);
    } else {
        kdeIdleTimeout_ = org_kde_kwin_idle_get_idle_timeout(kdeIdle_, seat, idleTimeoutMs);
        org_kde_kwin_idle_timeout_add_listener(kdeIdleTimeout_, &kdeIdleListener, this);
    }
}

void WaylandSession::stopIdleWatch()
{
    if (idleNotification_)
        ext_idle_notification_v1_destroy(idleNotification_);
    if (kdeIdleTimeout_)
        org_kde_kwin_idle_timeout_release(kdeIdleTimeout_);
    idleNotification_ = nullptr;
    kdeIdleTimeout_ = nullptr;
    idle_ = false;
}

void WaylandSession::onIdleResumed(void *data)
{
    auto *self = static_cast<WaylandSession *>(data);
    if (!self->idle_)
        return;
    self->idle_ = false;
    QMetaObject::invokeMethod(
        self,
        [self] {
            if (self->onIdleInput_)
                self->onIdleInput_();
        },
        Qt::QueuedConnection);
}

WaylandSession::Output *WaylandSession::outputFor(wl_output *output)
{
    for (auto &known : outputs_)
        if (known->output == output)
            return known.get();
    return nullptr;
}

WaylandSession::Seat *WaylandSession::seatFor(const void *proxy)
{
    for (auto &seat : seats_)
        if (seat->seat == proxy || seat->pointer == proxy || seat->keyboard == proxy)
            return seat.get();
    return nullptr;
}

WaylandSession::Cover *WaylandSession::coverFor(zwlr_layer_surface_v1 *layerSurface)
{
    for (auto &[id, set] : coverSets_)
        for (auto &cover : set->covers)
            if (cover->layerSurface == layerSurface)
                return cover.get();
    return nullptr;
}

} // namespace launcher
