#pragma once

#include <QtGlobal>
#include <Qt>

#include <optional>

namespace launcher {

// A combination as Carbon names it: a virtual key code of the ANSI layout
// and a modifier mask.
struct CarbonKeyCombination {
    quint32 keyCode = 0;
    quint32 modifiers = 0;
    friend bool operator==(const CarbonKeyCombination&, const CarbonKeyCombination&) = default;
};

// Letters and digits with Shift, Control, Option and Command, in Qt's macOS
// terms (Qt::MetaModifier is the Control key, Qt::ControlModifier Command);
// absent for anything else.
std::optional<CarbonKeyCombination> carbonKeyCombination(Qt::Key key, Qt::KeyboardModifiers modifiers);

} // namespace launcher
