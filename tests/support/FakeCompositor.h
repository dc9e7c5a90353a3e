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

// A Wayland compositor reduced to its wire: it lists the globals it is given,
// answers syncs, and plays the power and idle protocols so that a client's
// bookkeeping can be checked where no real compositor offers them. Surfaces
// and everything else are accepted and ignored. It serves one connection on
// its own thread, so a client may block on it.
class FakeCompositor {
public:
    enum class Behaviour { answer, closeAtOnce, neverAnswer };
    struct Global {
        std::string interface;
        uint32_t version = 1;
    };

    explicit FakeCompositor(std::vector<Global> globals, Behaviour behaviour = Behaviour::answer);
    ~FakeCompositor();

    // The socket's absolute path, for WAYLAND_DISPLAY.
    QString socketPath() const { return path_; }

    // Every idle notification goes idle and resumes, as at a person's return.
    void idleThenResume();
    // What a client last asked an output to be, and what the compositor says.
    bool outputsOn() const { return outputsOn_; }
    // Drops the client, as a compositor that quits or kills it.
    void disconnect();

private:
    void serve();
    bool handle(uint32_t object, uint16_t opcode, const std::vector<uint32_t> &words);
    void send(uint32_t object, uint16_t opcode, const std::vector<uint32_t> &arguments);
    void sendString(uint32_t object, uint16_t opcode, uint32_t before, const std::string &text, uint32_t after);
    void sendPower(uint32_t object);

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
    std::atomic<bool> outputsOn_{true};
};

} // namespace launcher::testing
