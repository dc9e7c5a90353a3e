#pragma once

#include "store/HistorySessions.h"

#include <QWidget>

#include <vector>

namespace launcher {

class StateStore;

// The statistics tab: cards, the seven-day chart, the recent sessions and
// the estimate panel, all recomputed from the sessions on every update.
class HistoryDashboardView : public QWidget {
public:
    explicit HistoryDashboardView(QWidget* parent = nullptr);

    using QWidget::update;
    // The store is asked only for the energy summary.
    void update(const std::vector<HistorySession>& sessions, StateStore& state);
};

} // namespace launcher
