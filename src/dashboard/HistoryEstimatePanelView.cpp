#include "dashboard/HistoryEstimatePanelView.h"

#include "dashboard/DashboardStyle.h"

#include <QLabel>
#include <QVBoxLayout>

#include <array>

namespace launcher {

using namespace dashboardStyle;

namespace {

struct RowDefinition {
    const char* title;
    QString EnergyDashboardSummary::*value;
    QColor (*color)();
};

const std::array<RowDefinition, 7> rowDefinitions{{
    {"设备机型", &EnergyDashboardSummary::machineLabel, &label},
    {"推断地区", &EnergyDashboardSummary::locationLabel, &label},
    {"居民电价", &EnergyDashboardSummary::rateLabel, &activePelvaneGreenDeep},
    {"累计耗电", &EnergyDashboardSummary::totalEnergyLabel, &label},
    {"累计花费", &EnergyDashboardSummary::totalSpentLabel, &activePelvaneGreenDeep},
    {"强制挂机省电", &EnergyDashboardSummary::savedEnergyLabel, &activePelvaneGreen},
    {"强制挂机少花", &EnergyDashboardSummary::savedMoneyLabel, &activePelvaneGreenDeep},
}};

} // namespace

HistoryMetricRowView::HistoryMetricRowView(const QString& title, QWidget* parent)
    : QFrame(parent),
      titleLabel_(makeLabel(title, systemFont(9, QFont::DemiBold), secondaryLabel(), false, this)),
      valueLabel_(makeLabel(QStringLiteral("--"), systemFont(11, QFont::DemiBold), label(), true, this))
{
    QColor background = windowBackground();
    background.setAlphaF(0.75f);
    styleCard(this, background, 12, 0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(3);
    layout->addWidget(titleLabel_);
    layout->addWidget(valueLabel_);
}

void HistoryMetricRowView::setValue(const QString& value, const QColor& accentColor)
{
    valueLabel_->setText(value);
    valueColor_ = accentColor;
    setLabelColor(valueLabel_, accentColor);
}

QString HistoryMetricRowView::title() const
{
    return titleLabel_->text();
}

QString HistoryMetricRowView::value() const
{
    return valueLabel_->text();
}

HistoryEstimatePanelView::HistoryEstimatePanelView(QWidget* parent)
    : QFrame(parent),
      titleLabel_(makeLabel(QStringLiteral("省电与成本估算"), systemFont(13, QFont::DemiBold), label(), false, this)),
      subtitleLabel_(makeLabel(QStringLiteral("按设备机型功耗 + 系统时区推断的居民电价估算，仅供参考。"),
                               systemFont(9, QFont::Medium), secondaryLabel(), true, this))
{
    styleCard(this, controlBackground(), 16, 0.35);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(0);
    layout->addWidget(titleLabel_);
    layout->addSpacing(5);
    layout->addWidget(subtitleLabel_);
    layout->addSpacing(10);
    auto* rowsStack = new QVBoxLayout;
    rowsStack->setSpacing(8);
    for (const RowDefinition& row : rowDefinitions) {
        rows_.push_back(new HistoryMetricRowView(QString::fromUtf8(row.title), this));
        rowsStack->addWidget(rows_.back());
    }
    layout->addLayout(rowsStack);
}

void HistoryEstimatePanelView::setSummary(const EnergyDashboardSummary& summary)
{
    for (size_t i = 0; i < rowDefinitions.size(); ++i)
        rows_[i]->setValue(summary.*rowDefinitions[i].value, rowDefinitions[i].color());
    subtitleLabel_->setText(summary.noteLabel);
}

QString HistoryEstimatePanelView::subtitle() const
{
    return subtitleLabel_->text();
}

} // namespace launcher
