#pragma once

#include "engine/StateStore.h"

#include <QFrame>
#include <QTimeZone>

#include <optional>

class QLabel;

namespace launcher {

// One line of the recent-session list: a mode symbol and the title.
class HistoryRecentRowView : public QFrame {
public:
    HistoryRecentRowView(const HistorySession& session, const QTimeZone& timeZone, QWidget* parent = nullptr);

    // Shows another session in the same widget, touching only what differs.
    void setSession(const HistorySession& session, const QTimeZone& timeZone);
    QString text() const;

    // "MM-dd HH:mm · 强制挂机 · 01小时59分", the duration truncated, not rounded.
    static QString title(const HistorySession& session, const QTimeZone& timeZone);

private:
    QLabel* icon_;
    QLabel* text_;
    std::optional<bool> forced_;
};

} // namespace launcher
