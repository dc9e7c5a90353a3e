#include "store/AwakeMode.h"

namespace launcher {

QString rawValue(AwakeMode mode)
{
    switch (mode) {
    case AwakeMode::off: return QStringLiteral("off");
    case AwakeMode::normal: return QStringLiteral("normal");
    case AwakeMode::forced: return QStringLiteral("forced");
    }
    return QStringLiteral("off");
}

std::optional<AwakeMode> awakeModeFromRaw(const QString& raw)
{
    for (AwakeMode mode : allAwakeModes)
        if (rawValue(mode) == raw)
            return mode;
    return std::nullopt;
}

QString historyNote(DisableReason reason)
{
    switch (reason) {
    case DisableReason::manual: return QStringLiteral("恢复正常模式");
    case DisableReason::wakeInput: return QStringLiteral("检测到鼠标/键盘，自动恢复正常模式");
    case DisableReason::timerExpired: return QStringLiteral("定时结束，自动恢复正常模式");
    case DisableReason::appQuit: return QStringLiteral("应用退出，恢复正常模式");
    case DisableReason::conditionsUnmet: return QStringLiteral("条件不满足，自动恢复正常模式");
    }
    return {};
}

std::optional<QString> notice(DisableReason reason)
{
    switch (reason) {
    case DisableReason::wakeInput: return QStringLiteral("检测到鼠标或键盘，已恢复正常界面");
    case DisableReason::timerExpired: return QStringLiteral("定时挂机结束，已恢复正常界面");
    default: return std::nullopt;
    }
}

} // namespace launcher
