#include "dashboard/HistoryChartView.h"

#include "dashboard/DashboardStyle.h"

#include <QPainter>
#include <QStyleOption>

#include <algorithm>

namespace launcher {

using namespace dashboardStyle;

ChartGeometry chartGeometry(const QSizeF& size, const std::vector<DayUsage>& days)
{
    ChartGeometry g;
    g.plot = QRectF(QPointF(0, 0), size).adjusted(20, 18, -20, -18);
    g.base = g.plot.bottom() - 26;
    g.top = g.plot.top() + 20;
    const double plotHeight = g.base - g.top;

    double busiest = 0;
    for (const DayUsage& day : days)
        busiest = std::max(busiest, day.totalDuration());
    const double scale = std::max(busiest, 3600.0);

    const auto n = double(days.size());
    g.spacing = std::max(12.0, (g.plot.width() - chartBarWidth * std::max(n, 1.0)) / (std::max(n, 2.0) - 1));

    for (int i = 0; i <= 3; ++i)
        g.gridLines.push_back(g.base - i * plotHeight / 3);

    for (size_t k = 0; k < days.size(); ++k) {
        const DayUsage& day = days[k];
        const double x = g.plot.left() + double(k) * (g.spacing + chartBarWidth);
        const double total = day.totalDuration();
        const double barHeight = plotHeight * (total / scale);
        // Share of the bar, not of max(total, 1): under a second of normal
        // time alone would otherwise leave a forced sliver on top.
        const double normalHeight = total > 0 ? barHeight * (day.normalDuration / total) : 0;
        const double forcedHeight = barHeight - normalHeight;

        ChartBar bar;
        bar.track = QRectF(x, g.base - plotHeight, chartBarWidth, plotHeight);
        if (normalHeight > 0)
            bar.normal = QRectF(x, g.base - normalHeight, chartBarWidth, normalHeight);
        if (forcedHeight > 0)
            bar.forced = QRectF(x, g.base - normalHeight - forcedHeight, chartBarWidth, forcedHeight);
        bar.label = QRectF(x - 4, g.plot.bottom() - 14, 50, 18);
        bar.labelText = day.date.toString(QStringLiteral("M/d"));
        g.bars.push_back(bar);
    }
    return g;
}

HistoryChartView::HistoryChartView(QWidget* parent)
    : QWidget(parent)
{
    styleCard(this, controlBackground(), 16, 0.35);
}

void HistoryChartView::setDayUsages(std::vector<DayUsage> days)
{
    if (days == dayUsages_)
        return;
    dayUsages_ = std::move(days);
    update();
}

void HistoryChartView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The card background and border from the style sheet.
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);

    painter.setRenderHint(QPainter::Antialiasing);
    const ChartGeometry g = chartGeometry(size(), dayUsages_);

    auto faded = [](QColor color, float alpha) {
        color.setAlphaF(alpha);
        return color;
    };
    painter.setPen(QPen(faded(separator(), 0.18f), 1));
    for (double y : g.gridLines)
        painter.drawLine(QPointF(g.plot.left(), y), QPointF(g.plot.right(), y));

    painter.setFont(systemFont(11, QFont::Medium));
    const QColor track = faded(separator(), 0.1f);
    const QColor normal = faded(activePelvaneGreen(), 0.9f);
    const QColor forced = faded(activePelvaneGreenDeep(), 0.95f);
    for (const ChartBar& bar : g.bars) {
        painter.setPen(Qt::NoPen);
        for (const auto& [rect, color] : {std::pair{bar.track, track}, {bar.normal, normal}, {bar.forced, forced}}) {
            if (rect.isEmpty())
                continue;
            painter.setBrush(color);
            painter.drawRoundedRect(rect, chartBarRadius, chartBarRadius);
        }
        painter.setPen(secondaryLabel());
        painter.drawText(bar.label, Qt::AlignCenter, bar.labelText);
    }
}

} // namespace launcher
