#pragma once

#include "app/DashboardHost.h"
#include "dashboard/DashboardTab.h"

#include <QWidget>

#include <vector>

class QFrame;
class QLabel;
class QStackedWidget;
class QTabBar;

namespace launcher {

class ColorPanel;
class DashboardControlView;
class DashboardSettingsView;
class HistoryDashboardView;
class StateStore;

// The window's content: a header card with title and subtitle, and a content
// card with the tab switch above the three tabs, one of them visible.
class DashboardRootView : public QWidget {
public:
    DashboardRootView(StateStore& state, ColorPanel& colorPanel, DashboardActions actions, QWidget* parent = nullptr);

    using QWidget::update;
    void update(const std::vector<HistorySession>& sessions, StateStore& state);
    void updateHeader();
    void showTab(DashboardTab tab);

    DashboardTab currentTab() const { return currentTab_; }
    QLabel* titleLabel() const { return titleLabel_; }
    QLabel* subtitleLabel() const { return subtitleLabel_; }
    QTabBar* segmented() const { return segmented_; }
    DashboardControlView* controlView() const { return controlView_; }
    DashboardSettingsView* settingsView() const { return settingsView_; }
    HistoryDashboardView* statsView() const { return statsView_; }

private:
    void setupViews();
    void tabChanged(int index);
    QWidget* viewFor(DashboardTab tab) const;

    StateStore* state_;
    QLabel* titleLabel_;
    QLabel* subtitleLabel_;
    QTabBar* segmented_;
    QFrame* headerCard_;
    QFrame* contentCard_;
    QStackedWidget* container_;
    DashboardControlView* controlView_;
    DashboardSettingsView* settingsView_;
    HistoryDashboardView* statsView_;
    DashboardTab currentTab_ = DashboardTab::control;
};

} // namespace launcher
