#pragma once

#include "engine/StateStore.h"

#include <QFrame>
#include <QTimeZone>

namespace launcher {

// One line of the recent-session list: a mode symbol and the title.
class HistoryRecentRowView : public QFrame {
public:
    HistoryRecentRowView(const HistorySession& session, const QTimeZone& timeZone, QWidget* parent = nullptr);

    // "MM-dd HH:mm · 强制挂机 · 01小时59分", the duration truncated, not rounded.
    static QString title(const HistorySession& session, const QTimeZone& timeZone);
};

} // namespace launcher
