#pragma once

#include "dashboard/HistoryStatistics.h"

#include <QRectF>
#include <QWidget>

#include <vector>

namespace launcher {

// Where everything of the seven-day chart goes, in widget coordinates
// (y down). A bar part that is empty has an empty rectangle.
struct ChartBar {
    QRectF track;
    QRectF normal; // at the bottom
    QRectF forced; // stacked on the normal part
    QRectF label;
    QString labelText;
};

struct ChartGeometry {
    QRectF plot;
    double base = 0; // y of every bar's bottom edge
    double top = 0;
    double spacing = 0;
    std::vector<double> gridLines; // y, bottom to top
    std::vector<ChartBar> bars;
};

inline constexpr double chartBarWidth = 42;
inline constexpr double chartBarRadius = 10;

ChartGeometry chartGeometry(const QSizeF& size, const std::vector<DayUsage>& days);

// The statistics tab's bar chart: light green normal time under dark green
// forced time, each day against the busiest day or one hour.
class HistoryChartView : public QWidget {
public:
    explicit HistoryChartView(QWidget* parent = nullptr);

    const std::vector<DayUsage>& dayUsages() const { return dayUsages_; }
    void setDayUsages(std::vector<DayUsage> days);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<DayUsage> dayUsages_;
};

} // namespace launcher
