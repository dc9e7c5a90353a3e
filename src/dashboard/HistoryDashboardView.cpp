#include "dashboard/HistoryDashboardView.h"

namespace launcher {

// Placeholder: an empty tab until the statistics view exists.
HistoryDashboardView::HistoryDashboardView(QWidget* parent)
    : QWidget(parent)
{
}

void HistoryDashboardView::update(const std::vector<HistorySession>&, StateStore&) {}

} // namespace launcher
