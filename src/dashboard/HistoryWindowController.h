#pragma once

#include "app/DashboardHost.h"
#include "dashboard/DashboardTab.h"

#include <QRect>
#include <QWidget>

#include <optional>
#include <vector>

class QScreen;

namespace launcher {

class ColorPanel;
class DashboardRootView;
class StateStore;

// Where the window opens in this visible frame (absent: no screen): as large
// as the default size allows with a margin, centred.
QRect dashboardWindowFrame(const std::optional<QRect>& visibleFrame);

// The dashboard window. It changes nothing by itself: every action goes out
// through the callbacks, and fresh data comes in through update().
class HistoryWindowController : public QWidget {
public:
    HistoryWindowController(StateStore& state, ColorPanel& colorPanel, DashboardActions actions,
                            QWidget* parent = nullptr);

    // Puts the window on screen, sized and centred in the visible frame.
    void showWindow(const std::optional<QRect>& visibleFrame);
    // The minimum size, as far as a screen of this visible frame can hold it.
    // Followed whenever the window's screen changes or changes size.
    void fitMinimumSizeTo(const std::optional<QRect>& visibleFrame);
    using QWidget::update;
    void update(const std::vector<HistorySession>& sessions, StateStore& state);
    void showTab(DashboardTab tab);

    DashboardRootView* dashboardView() const { return dashboardView_; }

private:
    void followScreen(QScreen* screen);

    DashboardRootView* dashboardView_;
    QMetaObject::Connection screenChanged_;
    QMetaObject::Connection screenResized_;
};

QString dashboardWindowTitle(const StateStore& state);

} // namespace launcher
