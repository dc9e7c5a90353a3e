#include "platform/macos/MacKeyCodes.h"

#include "platform/KeyModifiers.h"

#include <algorithm>
#include <array>
#include <utility>

namespace launcher {

namespace {

// kVK_ANSI_* of Carbon's Events.h.
constexpr std::array<std::pair<Qt::Key, quint32>, 36> carbonKeys{{
    {Qt::Key_A, 0x00}, {Qt::Key_B, 0x0B}, {Qt::Key_C, 0x08}, {Qt::Key_D, 0x02}, {Qt::Key_E, 0x0E}, {Qt::Key_F, 0x03},
    {Qt::Key_G, 0x05}, {Qt::Key_H, 0x04}, {Qt::Key_I, 0x22}, {Qt::Key_J, 0x26}, {Qt::Key_K, 0x28}, {Qt::Key_L, 0x25},
    {Qt::Key_M, 0x2E}, {Qt::Key_N, 0x2D}, {Qt::Key_O, 0x1F}, {Qt::Key_P, 0x23}, {Qt::Key_Q, 0x0C}, {Qt::Key_R, 0x0F},
    {Qt::Key_S, 0x01}, {Qt::Key_T, 0x11}, {Qt::Key_U, 0x20}, {Qt::Key_V, 0x09}, {Qt::Key_W, 0x0D}, {Qt::Key_X, 0x07},
    {Qt::Key_Y, 0x10}, {Qt::Key_Z, 0x06}, {Qt::Key_0, 0x1D}, {Qt::Key_1, 0x12}, {Qt::Key_2, 0x13}, {Qt::Key_3, 0x14},
    {Qt::Key_4, 0x15}, {Qt::Key_5, 0x17}, {Qt::Key_6, 0x16}, {Qt::Key_7, 0x1A}, {Qt::Key_8, 0x1C}, {Qt::Key_9, 0x19},
}};

// cmdKey, shiftKey, optionKey, controlKey.
constexpr std::array<std::pair<Qt::KeyboardModifier, quint32>, 4> carbonModifierBits{{
    {Qt::ControlModifier, 0x0100},
    {Qt::ShiftModifier, 0x0200},
    {Qt::AltModifier, 0x0800},
    {Qt::MetaModifier, 0x1000},
}};

} // namespace

std::optional<CarbonKeyCombination> carbonKeyCombination(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    const auto found
        = std::find_if(carbonKeys.begin(), carbonKeys.end(), [key](const auto& entry) { return entry.first == key; });
    if (found == carbonKeys.end())
        return std::nullopt;
    // The keypad and group switch have no Carbon counterpart here.
    const std::optional<quint32> mask = nativeModifierMask(modifiers, carbonModifierBits);
    if (!mask)
        return std::nullopt;
    return CarbonKeyCombination{found->second, *mask};
}

} // namespace launcher
