#pragma once

#include "app/DashboardHost.h"
#include "platform/AppPlatform.h"

#include <memory>

namespace launcher {

class HistoryWindowController;

// The dashboard as real windows, one at a time.
class WindowDashboardHost final : public DashboardHost {
public:
    explicit WindowDashboardHost(const AppPlatform& desktop);
    ~WindowDashboardHost() override;

    void open(StateStore& state, const std::vector<HistorySession>& sessions, DashboardActions actions) override;
    bool exists() const override { return controller_ != nullptr; }
    void update(StateStore& state, const std::vector<HistorySession>& sessions) override;
    void showSettingsTab() override;
    void close() override;

    HistoryWindowController* controller() const { return controller_.get(); }

private:
    AppPlatform desktop_;
    std::unique_ptr<HistoryWindowController> controller_;
};

} // namespace launcher
