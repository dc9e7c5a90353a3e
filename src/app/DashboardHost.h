#pragma once

#include "app/TimedPresets.h"
#include "store/HistorySessions.h"

#include <functional>
#include <vector>

namespace launcher {

class StateStore;

// What the dashboard window sends back to the delegate. It never changes
// the state by itself.
struct DashboardActions {
    std::function<void()> onRefreshRequested;
    std::function<void()> onActivateForced;
    std::function<void()> onDisable;
    std::function<void(const TimedPresetChoice&)> onApplyPreset;
};

// The dashboard window as the delegate sees it. At most one window exists;
// once opened it stays (updated every second) until the next open.
class DashboardHost {
public:
    virtual ~DashboardHost() = default;
    // Closes any earlier window and shows a fresh one on the control tab.
    virtual void open(StateStore& state, const std::vector<HistorySession>& sessions, DashboardActions actions) = 0;
    // A window was opened, even if the user has closed it since.
    virtual bool exists() const = 0;
    virtual void update(StateStore& state, const std::vector<HistorySession>& sessions) = 0;
    virtual void showSettingsTab() = 0;
    virtual void close() = 0;
};

// Stands in until the dashboard window exists: it opens nothing and says so
// through exists(), so nothing is updated or switched to a tab.
class NullDashboardHost final : public DashboardHost {
public:
    void open(StateStore&, const std::vector<HistorySession>&, DashboardActions) override {}
    bool exists() const override { return false; }
    void update(StateStore&, const std::vector<HistorySession>&) override {}
    void showSettingsTab() override {}
    void close() override {}
};

} // namespace launcher
