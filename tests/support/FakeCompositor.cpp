#include "support/FakeCompositor.h"

#include <QDir>
#include <QTemporaryDir>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#ifndef MSG_NOSIGNAL
#define MSG_NOSIGNAL 0
#endif

namespace launcher::testing {

namespace {

// wl_display's requests and events.
constexpr uint16_t displaySync = 0;
constexpr uint16_t displayGetRegistry = 1;
constexpr uint16_t displayDeleteId = 1;

uint32_t padded(size_t bytes)
{
    return uint32_t((bytes + 3) / 4);
}

// The string argument starting at words[at]: its text and the index after it.
std::string stringAt(const std::vector<uint32_t> &words, size_t at, size_t &next)
{
    if (at >= words.size())
        return {};
    const uint32_t length = words[at];
    next = at + 1 + padded(length);
    if (length == 0 || next > words.size())
        return {};
    return std::string(reinterpret_cast<const char *>(&words[at + 1]), length - 1);
}

} // namespace

FakeCompositor::FakeCompositor(std::vector<Global> globals, Behaviour behaviour)
    : globals_(std::move(globals))
    , behaviour_(behaviour)
{
    QTemporaryDir dir(QDir::temp().filePath(QStringLiteral("fake-compositor-XXXXXX")));
    dir.setAutoRemove(false);
    dir_ = dir.path();
    path_ = dir_ + QStringLiteral("/wayland-fake");
    listenFd_ = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path_.toLocal8Bit().constData(), sizeof address.sun_path - 1);
    bind(listenFd_, reinterpret_cast<sockaddr *>(&address), sizeof address);
    listen(listenFd_, 4);
    if (pipe(wakeFds_) != 0)
        wakeFds_[0] = wakeFds_[1] = -1;
    thread_ = std::thread([this] { serve(); });
}

FakeCompositor::~FakeCompositor()
{
    if (wakeFds_[1] >= 0 && write(wakeFds_[1], "q", 1) < 0) {
        // The thread then ends at its next read.
    }
    thread_.join();
    for (int fd : {listenFd_, clientFd_, wakeFds_[0], wakeFds_[1]})
        if (fd >= 0)
            close(fd);
    QDir(dir_).removeRecursively();
}

void FakeCompositor::disconnect()
{
    std::lock_guard lock(mutex_);
    if (clientFd_ >= 0)
        shutdown(clientFd_, SHUT_RDWR);
}

uint32_t FakeCompositor::addGlobal(const Global &global)
{
    std::lock_guard lock(mutex_);
    globals_.push_back(global);
    const uint32_t name = uint32_t(globals_.size());
    if (registry_)
        sendString(registry_, 0, name, global.interface, global.version);
    return name;
}

void FakeCompositor::removeGlobal(uint32_t name)
{
    std::lock_guard lock(mutex_);
    if (registry_)
        send(registry_, 1, {name});
}

std::vector<FakeCompositor::LayerSurface> FakeCompositor::layerSurfaces()
{
    std::lock_guard lock(mutex_);
    std::vector<LayerSurface> live;
    for (const auto &[id, surface] : layerSurfaces_)
        live.push_back(surface);
    return live;
}

void FakeCompositor::switchOutput(size_t index, bool on)
{
    std::lock_guard lock(mutex_);
    if (index < powerObjects_.size())
        sendPower(powerObjects_[index], on);
}

void FakeCompositor::idleThenResume()
{
    std::lock_guard lock(mutex_);
    for (const auto &[id, interface] : objects_) {
        if (interface == "ext_idle_notification_v1") {
            send(id, 0, {});
            send(id, 1, {});
        }
    }
}

void FakeCompositor::serve()
{
    pollfd waiting[2] = {{listenFd_, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
    if (poll(waiting, 2, -1) <= 0 || (waiting[1].revents & POLLIN))
        return;
    const int fd = accept(listenFd_, nullptr, nullptr);
    if (behaviour_ == Behaviour::closeAtOnce) {
        close(fd);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        clientFd_ = fd;
        objects_[1] = "wl_display";
    }
    std::vector<uint8_t> pending;
    for (;;) {
        pollfd ready[2] = {{fd, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
        if (poll(ready, 2, -1) <= 0 || (ready[1].revents & POLLIN))
            return;
        uint8_t buffer[4096];
        // File descriptors the client passes (shared memory) are dropped.
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        if (behaviour_ == Behaviour::neverAnswer)
            continue;
        pending.insert(pending.end(), buffer, buffer + got);
        while (pending.size() >= 8) {
            uint32_t header[2];
            std::memcpy(header, pending.data(), 8);
            const uint32_t size = header[1] >> 16;
            if (size < 8 || pending.size() < size)
                break;
            std::vector<uint32_t> words((size - 8) / 4);
            if (size > 8)
                std::memcpy(words.data(), pending.data() + 8, size - 8);
            pending.erase(pending.begin(), pending.begin() + size);
            std::lock_guard lock(mutex_);
            if (!handle(header[0], uint16_t(header[1] & 0xffff), words))
                return;
        }
    }
}

bool FakeCompositor::handle(uint32_t object, uint16_t opcode, const std::vector<uint32_t> &words)
{
    const auto found = objects_.find(object);
    if (found == objects_.end())
        return true;
    const std::string &interface = found->second;
    const auto word = [&words](size_t at) { return at < words.size() ? words[at] : 0u; };
    if (interface == "wl_display" && opcode == displaySync) {
        send(word(0), 0, {0});
        send(1, displayDeleteId, {word(0)});
    } else if (interface == "wl_display" && opcode == displayGetRegistry) {
        objects_[word(0)] = "wl_registry";
        registry_ = word(0);
        for (size_t i = 0; i < globals_.size(); ++i)
            sendString(word(0), 0, uint32_t(i + 1), globals_[i].interface, globals_[i].version);
    } else if (interface == "wl_registry" && opcode == 0) {
        size_t next = 1;
        const std::string bound = stringAt(words, 1, next);
        const uint32_t id = word(next + 1);
        objects_[id] = bound;
        const uint32_t name = word(0);
        if (bound == "wl_output" && name >= 1 && name <= globals_.size()) {
            outputGlobals_[id] = name;
            // scale, then done
            send(id, 3, {uint32_t(globals_[name - 1].scale)});
            if (word(next) >= 2)
                send(id, 2, {});
        }
    } else if (interface == "wl_compositor" && opcode == 0) {
        objects_[word(0)] = "wl_surface";
        surfaces_[word(0)] = {};
    } else if (interface == "wl_shm" && opcode == 0) {
        objects_[word(0)] = "wl_shm_pool";
    } else if (interface == "wl_shm_pool" && opcode == 0) {
        objects_[word(0)] = "wl_buffer";
        buffers_[word(0)] = {int32_t(word(2)), int32_t(word(3))};
    } else if (interface == "wl_surface" && opcode == 1) {
        surfaces_[object].pendingBuffer = word(0);
    } else if (interface == "wl_surface" && opcode == 8) {
        surfaces_[object].pendingScale = int32_t(word(0));
    } else if (interface == "wl_surface" && opcode == 6) {
        Surface &surface = surfaces_[object];
        surface.scale = surface.pendingScale;
        const auto layer = layerSurfaces_.find(surface.layerSurface);
        if (layer != layerSurfaces_.end()) {
            if (!surface.configured) {
                surface.configured = true;
                send(surface.layerSurface, 0, {1, outputWidth, outputHeight});
            }
            const auto buffer = buffers_.find(surface.pendingBuffer);
            if (buffer != buffers_.end()) {
                layer->second.bufferWidth = buffer->second.first;
                layer->second.bufferHeight = buffer->second.second;
                layer->second.bufferScale = surface.scale;
            }
        }
    } else if (interface == "wl_surface" && opcode == 0) {
        objects_.erase(object);
        surfaces_.erase(object);
    } else if (interface == "zwlr_layer_shell_v1" && opcode == 0) {
        objects_[word(0)] = "zwlr_layer_surface_v1";
        layerSurfaces_[word(0)].output = outputGlobals_[word(2)];
        surfaces_[word(1)].layerSurface = word(0);
    } else if (interface == "zwlr_layer_surface_v1" && opcode == 7) {
        layerSurfaces_.erase(object);
        objects_.erase(object);
    } else if (interface == "zwlr_output_power_manager_v1" && opcode == 0) {
        objects_[word(0)] = "zwlr_output_power_v1";
        powerObjects_.push_back(word(0));
        sendPower(word(0), outputsOn_);
    } else if (interface == "zwlr_output_power_v1" && opcode == 0) {
        outputsOn_ = word(0) == 1;
        sendPower(object, outputsOn_);
    } else if (interface == "org_kde_kwin_dpms_manager" && opcode == 0) {
        objects_[word(0)] = "org_kde_kwin_dpms";
        powerObjects_.push_back(word(0));
        send(word(0), 0, {1});
        sendPower(word(0), outputsOn_);
    } else if (interface == "org_kde_kwin_dpms" && opcode == 0) {
        outputsOn_ = word(0) == 0;
        sendPower(object, outputsOn_);
    } else if (interface == "ext_idle_notifier_v1" && opcode == 1) {
        objects_[word(0)] = "ext_idle_notification_v1";
    } else if (interface == "ext_idle_notification_v1" && opcode == 0) {
        objects_.erase(object);
    }
    return true;
}

void FakeCompositor::sendPower(uint32_t object, bool on)
{
    if (objects_[object] == "zwlr_output_power_v1") {
        send(object, 0, {on ? 1u : 0u});
    } else {
        // KDE counts modes up from on (0) to off (3), and closes with done.
        send(object, 1, {on ? 0u : 3u});
        send(object, 2, {});
    }
}

void FakeCompositor::send(uint32_t object, uint16_t opcode, const std::vector<uint32_t> &arguments)
{
    std::vector<uint32_t> message{object, uint32_t((8 + 4 * arguments.size()) << 16) | opcode};
    message.insert(message.end(), arguments.begin(), arguments.end());
    if (clientFd_ >= 0)
        ::send(clientFd_, message.data(), message.size() * 4, MSG_NOSIGNAL);
}

void FakeCompositor::sendString(uint32_t object, uint16_t opcode, uint32_t before, const std::string &text,
                                uint32_t after)
{
    std::vector<uint32_t> arguments{before, uint32_t(text.size() + 1)};
    std::vector<uint32_t> characters(padded(text.size() + 1), 0);
    std::memcpy(characters.data(), text.data(), text.size());
    arguments.insert(arguments.end(), characters.begin(), characters.end());
    arguments.push_back(after);
    send(object, opcode, arguments);
}

} // namespace launcher::testing
