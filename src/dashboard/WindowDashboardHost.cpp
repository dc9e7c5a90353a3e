#include "dashboard/WindowDashboardHost.h"

#include "dashboard/HistoryWindowController.h"

namespace launcher {

WindowDashboardHost::WindowDashboardHost(const AppPlatform& desktop)
    : desktop_(desktop)
{
}

WindowDashboardHost::~WindowDashboardHost() = default;

void WindowDashboardHost::open(StateStore& state, const std::vector<HistorySession>& sessions,
                               DashboardActions actions)
{
    close();
    controller_ = std::make_unique<HistoryWindowController>(state, desktop_.colorPanel, std::move(actions));
    controller_->update(sessions, state);
    controller_->showWindow(desktop_.desktop.mainScreenVisibleFrame());
    // The delegate brings the program to the front after this.
}

void WindowDashboardHost::update(StateStore& state, const std::vector<HistorySession>& sessions)
{
    if (controller_)
        controller_->update(sessions, state);
}

void WindowDashboardHost::showSettingsTab()
{
    if (controller_)
        controller_->showTab(DashboardTab::settings);
}

void WindowDashboardHost::close()
{
    if (!controller_)
        return;
    controller_->close();
    // A refused start from one of this window's own buttons reopens the
    // dashboard while that button's click is still being delivered.
    controller_.release()->deleteLater();
}

} // namespace launcher
