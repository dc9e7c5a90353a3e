#pragma once

#include <Qt>

#include <array>
#include <optional>
#include <utility>

namespace launcher {

// Qt's modifiers as a native mask, bit by bit from the table; absent when one
// of them has no native counterpart.
template <typename Mask, std::size_t N>
std::optional<Mask> nativeModifierMask(Qt::KeyboardModifiers modifiers,
                                       const std::array<std::pair<Qt::KeyboardModifier, Mask>, N>& table)
{
    Mask mask = 0;
    for (const auto& [qt, native] : table)
        if (modifiers.testFlag(qt)) {
            mask |= native;
            modifiers &= ~qt;
        }
    if (modifiers != Qt::NoModifier)
        return std::nullopt;
    return mask;
}

} // namespace launcher
