#pragma once

#include <optional>

class QString;

namespace launcher {

class StateStore;

enum class DashboardTab { control = 0, settings = 1, stats = 2 };

inline constexpr DashboardTab allDashboardTabs[] = {DashboardTab::control, DashboardTab::settings,
                                                    DashboardTab::stats};

std::optional<DashboardTab> dashboardTabFromRaw(int raw);

// The segment label in the store's language.
QString dashboardTabTitle(DashboardTab tab, const StateStore& state);

} // namespace launcher
