#pragma once

#include "engine/StateStore.h"

#include <QColor>
#include <QFrame>

class QLabel;

namespace launcher {

// A titled value of the estimate panel; the value wraps rather than being cut.
class HistoryMetricRowView : public QFrame {
public:
    explicit HistoryMetricRowView(const QString& title, QWidget* parent = nullptr);

    void setValue(const QString& value, const QColor& accentColor);
    QString title() const;
    QString value() const;
    QColor valueColor() const { return valueColor_; }

private:
    QLabel* titleLabel_;
    QLabel* valueLabel_;
    QColor valueColor_;
};

// The cost section of the statistics tab: energy and money as the summary
// words them, under a fixed title and the summary's note.
class HistoryEstimatePanelView : public QFrame {
public:
    explicit HistoryEstimatePanelView(QWidget* parent = nullptr);

    void setSummary(const EnergyDashboardSummary& summary);

    QString subtitle() const;
    // In display order.
    const std::vector<HistoryMetricRowView*>& rows() const { return rows_; }

private:
    QLabel* titleLabel_;
    QLabel* subtitleLabel_;
    std::vector<HistoryMetricRowView*> rows_;
};

} // namespace launcher
