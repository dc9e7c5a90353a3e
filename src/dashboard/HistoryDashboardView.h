#pragma once

#include "store/HistorySessions.h"

#include <QTimeZone>
#include <QWidget>

#include <array>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QStackedWidget;

namespace launcher {

class StateStore;
class HistoryChartView;
class HistoryEstimatePanelView;
class HistoryRecentRowView;
class HistoryStatCardView;
class RecentSessionList;

// The statistics tab: cards, the seven-day chart, the recent sessions and
// the estimate panel, all recomputed from the sessions on every update.
class HistoryDashboardView : public QWidget {
public:
    explicit HistoryDashboardView(QWidget* parent = nullptr);

    using QWidget::update;
    // The store is asked only for the energy summary.
    void update(const std::vector<HistorySession>& sessions, StateStore& state);

    // Where days begin and how row times read; the system's zone unless set.
    void setTimeZone(const QTimeZone& timeZone) { timeZone_ = timeZone; }

    // 1 shows the cost section, anything else the overview.
    void sectionChanged(int index);
    int currentSection() const;

    // total, today, forced, count
    const std::array<HistoryStatCardView*, 4>& cards() const { return cards_; }
    HistoryChartView* chartView() const { return chartView_; }
    HistoryEstimatePanelView* estimateView() const { return estimateView_; }
    QAbstractButton* sectionButton(int index) const;
    // Top first; none while the empty label is shown. Rows that do not fit
    // the window's height are hidden.
    const std::vector<HistoryRecentRowView*>& recentRows() const { return recentRows_; }
    bool showsEmptyLabel() const;

private:
    void setupViews();
    void reloadRecentSessions(const std::vector<HistorySession>& sessions);

    QTimeZone timeZone_ = QTimeZone::systemTimeZone();
    QLabel* titleLabel_;
    QLabel* subtitleLabel_;
    QButtonGroup* sectionTabs_;
    QStackedWidget* sections_;
    QWidget* overviewPanel_;
    QWidget* estimatePanel_;
    std::array<HistoryStatCardView*, 4> cards_;
    HistoryEstimatePanelView* estimateView_;
    QLabel* chartTitleLabel_;
    QLabel* chartLegendLabel_;
    HistoryChartView* chartView_;
    QLabel* recentTitleLabel_;
    QLabel* emptyLabel_;
    RecentSessionList* recentList_;
    std::vector<HistoryRecentRowView*> recentRows_;
};

} // namespace launcher
