// A virtual mouse and keyboard on a wlroots compositor (sway), for tests that
// need input the compositor believes. It prints "ready", then reads commands
// from standard input, one a line, answering "ok" or "error" once the
// compositor has taken each: "move DX DY", "click left|right|middle",
// "scroll STEPS", "key CODE" (evdev), "modifiers MASK" (1 = shift).
//
// The devices stay plugged in until standard input ends: devices that come
// and go per command race the clients, which bind their pointer and keyboard
// only once the seat says it has them. Exits 1 when the compositor lacks the
// virtual pointer or keyboard.
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Globals {
    wl_seat *seat = nullptr;
    zwlr_virtual_pointer_manager_v1 *manager = nullptr;
    zwp_virtual_keyboard_manager_v1 *keyboards = nullptr;
};

void onGlobal(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
{
    auto *globals = static_cast<Globals *>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        globals->manager = static_cast<zwlr_virtual_pointer_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0)
        globals->keyboards = static_cast<zwp_virtual_keyboard_manager_v1 *>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
}

// The default layout's keymap, handed over in shared memory.
bool sendKeymap(zwp_virtual_keyboard_v1 *keyboard)
{
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap *keymap = context ? xkb_keymap_new_from_names(context, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
    char *text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    bool sent = false;
    if (text) {
        const size_t size = std::strlen(text) + 1;
        const int fd = memfd_create("wl-input-keymap", MFD_CLOEXEC);
        if (fd >= 0 && write(fd, text, size) == ssize_t(size)) {
            zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, uint32_t(size));
            sent = true;
        }
        if (fd >= 0)
            close(fd);
    }
    free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return sent;
}

void onGlobalRemove(void *, wl_registry *, uint32_t) {}

uint32_t nowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint32_t(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

// One command; false when it is not understood.
bool perform(zwlr_virtual_pointer_v1 *pointer, zwp_virtual_keyboard_v1 *keyboard, const std::vector<std::string> &words)
{
    const auto number = [&words](size_t index) { return index < words.size() ? std::atoi(words[index].c_str()) : 0; };
    const std::string command = words.empty() ? std::string() : words[0];
    if (command == "move" && words.size() == 3) {
        zwlr_virtual_pointer_v1_motion(pointer, nowMs(), wl_fixed_from_int(number(1)), wl_fixed_from_int(number(2)));
    } else if (command == "click" && words.size() == 2) {
        const uint32_t button = words[1] == "left" ? BTN_LEFT : words[1] == "right" ? BTN_RIGHT : BTN_MIDDLE;
        zwlr_virtual_pointer_v1_button(pointer, nowMs(), button, WL_POINTER_BUTTON_STATE_PRESSED);
        zwlr_virtual_pointer_v1_frame(pointer);
        zwlr_virtual_pointer_v1_button(pointer, nowMs(), button, WL_POINTER_BUTTON_STATE_RELEASED);
    } else if (command == "scroll" && words.size() == 2) {
        zwlr_virtual_pointer_v1_axis_source(pointer, WL_POINTER_AXIS_SOURCE_WHEEL);
        zwlr_virtual_pointer_v1_axis_discrete(pointer, nowMs(), WL_POINTER_AXIS_VERTICAL_SCROLL,
                                              wl_fixed_from_int(15 * number(1)), number(1));
    } else if (command == "key" && words.size() == 2) {
        zwp_virtual_keyboard_v1_key(keyboard, nowMs(), uint32_t(number(1)), WL_KEYBOARD_KEY_STATE_PRESSED);
        zwp_virtual_keyboard_v1_key(keyboard, nowMs(), uint32_t(number(1)), WL_KEYBOARD_KEY_STATE_RELEASED);
        return true;
    } else if (command == "modifiers" && words.size() == 2) {
        zwp_virtual_keyboard_v1_modifiers(keyboard, uint32_t(number(1)), 0, 0, 0);
        return true;
    } else {
        return false;
    }
    zwlr_virtual_pointer_v1_frame(pointer);
    return true;
}

} // namespace

int main()
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        std::fputs("wl-input: no Wayland compositor\n", stderr);
        return 1;
    }
    Globals globals;
    static const wl_registry_listener listener{onGlobal, onGlobalRemove};
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &globals);
    wl_display_roundtrip(display);
    if (!globals.manager || !globals.keyboards || !globals.seat) {
        std::fputs("wl-input: the compositor offers no virtual pointer or keyboard\n", stderr);
        return 1;
    }
    zwlr_virtual_pointer_v1 *pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.manager, globals.seat);
    zwp_virtual_keyboard_v1 *keyboard =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(globals.keyboards, globals.seat);
    if (!sendKeymap(keyboard)) {
        std::fputs("wl-input: no keymap\n", stderr);
        return 1;
    }
    wl_display_roundtrip(display);
    std::puts("ready");
    std::fflush(stdout);

    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream split(line);
        std::vector<std::string> words;
        for (std::string word; split >> word;)
            words.push_back(word);
        const bool understood = perform(pointer, keyboard, words);
        const bool taken = wl_display_roundtrip(display) >= 0;
        std::puts(understood && taken ? "ok" : "error");
        std::fflush(stdout);
    }
    zwp_virtual_keyboard_v1_destroy(keyboard);
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
