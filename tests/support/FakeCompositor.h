#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace launcher::testing {

// A Wayland compositor reduced to its wire, for what sway and mutter here
// cannot show: it lists globals (and later ones, and their removal), answers
// syncs, configures layer surfaces and notes the buffers they show, and plays
// wlroots' and KDE's output power and ext-idle-notify. Everything else is
// accepted and ignored. It serves one connection on its own thread, so a
// client may block on it.
class FakeCompositor {
public:
    enum class Behaviour { answer, closeAtOnce, neverAnswer };
    struct Global {
        std::string interface;
        uint32_t version = 1;
        int32_t scale = 1; // of a wl_output
    };
    // A layer surface as the client set it up, and the buffer it showed.
    struct LayerSurface {
        uint32_t output = 0; // the output's global name
        int32_t bufferWidth = 0;
        int32_t bufferHeight = 0;
        int32_t bufferScale = 1;
    };
    // The size every layer surface is configured to, in surface coordinates.
    static constexpr uint32_t outputWidth = 640;
    static constexpr uint32_t outputHeight = 400;

    explicit FakeCompositor(std::vector<Global> globals, Behaviour behaviour = Behaviour::answer);
    ~FakeCompositor();

    // The socket's absolute path, for WAYLAND_DISPLAY.
    QString socketPath() const { return path_; }

    // Every idle notification goes idle and resumes, as at a person's return.
    void idleThenResume();
    // What a client last asked the outputs to be.
    bool outputsOn() const { return outputsOn_; }
    // The compositor switches one output by itself, as KDE's does at input.
    void switchOutput(size_t index, bool on);
    // Drops the client, as a compositor that quits or kills it.
    void disconnect();
    // Globals that appear and vanish later; names count from 1 in order.
    uint32_t addGlobal(const Global &global);
    void removeGlobal(uint32_t name);
    // The layer surfaces the client holds now.
    std::vector<LayerSurface> layerSurfaces();

private:
    void serve();
    bool handle(uint32_t object, uint16_t opcode, const std::vector<uint32_t> &words);
    void send(uint32_t object, uint16_t opcode, const std::vector<uint32_t> &arguments);
    void sendString(uint32_t object, uint16_t opcode, uint32_t before, const std::string &text, uint32_t after);
    void sendPower(uint32_t object, bool on);

    std::vector<Global> globals_;
    Behaviour behaviour_;
    QString dir_;
    QString path_;
    int listenFd_ = -1;
    int clientFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    std::thread thread_;
    std::mutex mutex_;
    std::map<uint32_t, std::string> objects_;
    uint32_t registry_ = 0;
    std::map<uint32_t, uint32_t> outputGlobals_; // wl_output object → global name
    struct Surface {
        int32_t scale = 1;
        int32_t pendingScale = 1;
        uint32_t pendingBuffer = 0;
        uint32_t layerSurface = 0;
        bool configured = false;
    };
    std::map<uint32_t, Surface> surfaces_;
    std::map<uint32_t, std::pair<int32_t, int32_t>> buffers_;
    std::map<uint32_t, LayerSurface> layerSurfaces_; // by zwlr_layer_surface_v1 object
    std::map<uint32_t, uint32_t> layerSurfaceOf_;    // wl_surface object → layer surface object
    std::atomic<bool> outputsOn_{true};
    std::vector<uint32_t> powerObjects_; // in the order the client asked for them
};

} // namespace launcher::testing
