#include "dashboard/HistoryDashboardView.h"

#include "dashboard/DashboardStyle.h"
#include "dashboard/HistoryChartView.h"
#include "dashboard/HistoryEstimatePanelView.h"
#include "dashboard/HistoryRecentRowView.h"
#include "dashboard/HistoryStatCardView.h"
#include "dashboard/HistoryStatistics.h"
#include "engine/StateStore.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace launcher {

using namespace dashboardStyle;

namespace {

constexpr size_t recentRowCount = 6;

} // namespace

// The rounded box of recent sessions. It places the rows itself: a layout
// squeezed below its rows' fixed heights would stack them over each other,
// so whole rows are shown from the top while they fit and the rest hidden.
class RecentSessionList final : public QWidget {
public:
    static constexpr int inset = 12;
    static constexpr int spacing = 8;

    explicit RecentSessionList(QLabel* emptyLabel) : emptyLabel_(emptyLabel)
    {
        emptyLabel_->setParent(this);
        styleCard(this, controlBackground(), 14, 0.35);
    }

    void setRows(std::vector<QWidget*> rows)
    {
        rows_ = std::move(rows);
        emptyLabel_->setHidden(!rows_.empty());
        place();
        updateGeometry();
    }

    QSize sizeHint() const override { return {0, inset + heightOf(rows_.size()) + inset}; }
    // Room for one row; a shorter window shows none rather than a cut one.
    QSize minimumSizeHint() const override { return {0, inset + heightOf(1) + inset}; }

protected:
    void resizeEvent(QResizeEvent*) override { place(); }

private:
    int heightOf(size_t count) const
    {
        const int row = rows_.empty() ? emptyLabel_->sizeHint().height() : rows_.front()->minimumHeight();
        return count == 0 ? row : int(count) * row + (int(count) - 1) * spacing;
    }

    void place()
    {
        const int width = std::max(0, this->width() - 2 * inset);
        const int bottom = height() - inset;
        emptyLabel_->setGeometry(inset, inset, width, emptyLabel_->sizeHint().height());
        int top = inset;
        for (QWidget* row : rows_) {
            const int rowHeight = row->minimumHeight();
            row->setGeometry(inset, top, width, rowHeight);
            row->setVisible(top + rowHeight <= bottom);
            top += rowHeight + spacing;
        }
    }

    QLabel* emptyLabel_;
    std::vector<QWidget*> rows_;
};

HistoryDashboardView::HistoryDashboardView(QWidget* parent)
    : QWidget(parent),
      titleLabel_(makeLabel(QStringLiteral("最近挂机概览"), systemFont(18, QFont::Bold), label())),
      subtitleLabel_(makeLabel(QStringLiteral("图标卡片 + 最近 7 天可视化图表"), systemFont(10, QFont::Medium),
                               secondaryLabel())),
      sectionTabs_(new QButtonGroup(this)),
      sections_(new QStackedWidget),
      overviewPanel_(new QWidget),
      estimatePanel_(new QWidget),
      cards_{new HistoryStatCardView(QStringLiteral("clock.fill"), QStringLiteral("累计挂机")),
             new HistoryStatCardView(QStringLiteral("sun.max.fill"), QStringLiteral("今天")),
             new HistoryStatCardView(QStringLiteral("moon.stars.fill"), QStringLiteral("强制挂机")),
             new HistoryStatCardView(QStringLiteral("chart.bar.fill"), QStringLiteral("会话次数"))},
      estimateView_(new HistoryEstimatePanelView),
      chartTitleLabel_(makeLabel(QStringLiteral("最近 7 天挂机时长"), systemFont(13, QFont::DemiBold), label())),
      chartLegendLabel_(makeLabel(QStringLiteral("浅绿 = 挂机模式，深绿 = 强制挂机"), systemFont(9, QFont::Medium),
                                  secondaryLabel())),
      chartView_(new HistoryChartView),
      recentTitleLabel_(makeLabel(QStringLiteral("最近记录"), systemFont(14, QFont::DemiBold), label())),
      emptyLabel_(makeLabel(QStringLiteral("还没有历史记录，先开一次挂机试试。"), systemFont(12, QFont::Medium),
                            secondaryLabel())),
      recentList_(new RecentSessionList(emptyLabel_))
{
    setupViews();
    sectionChanged(0);
}

void HistoryDashboardView::setupViews()
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    auto* tabs = new QHBoxLayout;
    tabs->setSpacing(0);
    for (const QString& title : {QStringLiteral("概览"), QStringLiteral("成本")}) {
        auto* button = new QPushButton(title);
        button->setCheckable(true);
        button->setFixedHeight(26);
        button->setMinimumWidth(64);
        sectionTabs_->addButton(button, sectionTabs_->buttons().size());
        tabs->addWidget(button);
    }
    tabs->addStretch(1);
    sectionTabs_->setExclusive(true);
    QObject::connect(sectionTabs_, &QButtonGroup::idClicked, this, [this](int id) { sectionChanged(id); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 12, 0, 0);
    layout->setSpacing(0);
    auto* header = new QVBoxLayout;
    header->setContentsMargins(14, 0, 14, 0);
    header->setSpacing(0);
    header->addWidget(titleLabel_);
    header->addSpacing(4);
    header->addWidget(subtitleLabel_);
    header->addSpacing(8);
    header->addLayout(tabs);
    layout->addLayout(header);
    layout->addSpacing(10);
    layout->addWidget(sections_, 1);

    // Overview: cards, chart, recent sessions.
    auto* overview = new QVBoxLayout(overviewPanel_);
    overview->setContentsMargins(14, 0, 14, 14);
    overview->setSpacing(0);
    auto* cardsStack = new QHBoxLayout;
    cardsStack->setSpacing(8);
    for (HistoryStatCardView* card : cards_) {
        card->setFixedHeight(76);
        cardsStack->addWidget(card, 1);
    }
    overview->addLayout(cardsStack);
    overview->addSpacing(12);
    auto* chartHeader = new QHBoxLayout;
    chartHeader->addWidget(chartTitleLabel_, 0, Qt::AlignLeft | Qt::AlignBottom);
    chartHeader->addStretch(1);
    chartHeader->addWidget(chartLegendLabel_, 0, Qt::AlignRight | Qt::AlignBottom);
    overview->addLayout(chartHeader);
    overview->addSpacing(10);
    chartView_->setFixedHeight(152);
    overview->addWidget(chartView_);
    overview->addSpacing(12);
    overview->addWidget(recentTitleLabel_);
    overview->addSpacing(10);
    emptyLabel_->setAlignment(Qt::AlignCenter);
    overview->addWidget(recentList_, 1);

    auto* estimate = new QVBoxLayout(estimatePanel_);
    estimate->setContentsMargins(14, 0, 14, 14);
    estimate->addWidget(estimateView_);
    estimate->addStretch(1);

    sections_->addWidget(overviewPanel_);
    sections_->addWidget(estimatePanel_);
}

void HistoryDashboardView::sectionChanged(int index)
{
    const int section = index == 1 ? 1 : 0;
    sectionTabs_->button(section)->setChecked(true);
    sections_->setCurrentWidget(section == 1 ? estimatePanel_ : overviewPanel_);
}

int HistoryDashboardView::currentSection() const
{
    return sections_->currentWidget() == estimatePanel_ ? 1 : 0;
}

QAbstractButton* HistoryDashboardView::sectionButton(int index) const
{
    return sectionTabs_->button(index);
}

bool HistoryDashboardView::showsEmptyLabel() const
{
    return !emptyLabel_->isHidden();
}

void HistoryDashboardView::update(const std::vector<HistorySession>& sessions, StateStore& state)
{
    const double now = state.now();
    double total = 0, forced = 0;
    for (const HistorySession& session : sessions) {
        total += session.duration();
        if (session.mode == AwakeMode::forced)
            forced += session.duration();
    }
    // The week ends with today, so its last day is the today card.
    std::vector<DayUsage> week = dayUsages(sessions, now, timeZone_);
    const double today = week.back().totalDuration();

    cards_[0]->setValue(formatDuration(total), activePelvaneGreenDeep());
    cards_[1]->setValue(formatDuration(today), activePelvaneGreen());
    cards_[2]->setValue(formatDuration(forced), activePelvaneGreenDeep());
    cards_[3]->setValue(QString::number(sessions.size()), activePelvaneGreen());

    estimateView_->setSummary(state.energyDashboardSummary(sessions));
    chartView_->setDayUsages(std::move(week));
    reloadRecentSessions(sessions);
}

void HistoryDashboardView::reloadRecentSessions(const std::vector<HistorySession>& sessions)
{
    // The row widgets stay and take the new sessions in place, so the
    // once-a-second refresh neither flickers nor rebuilds anything.
    const std::vector<HistorySession> latest = latestSessions(sessions, recentRowCount);
    const size_t before = recentRows_.size();
    while (recentRows_.size() > latest.size()) {
        delete recentRows_.back();
        recentRows_.pop_back();
    }
    for (size_t i = 0; i < latest.size(); ++i) {
        if (i < recentRows_.size())
            recentRows_[i]->setSession(latest[i], timeZone_);
        else
            recentRows_.push_back(new HistoryRecentRowView(latest[i], timeZone_, recentList_));
    }
    if (recentRows_.size() != before)
        recentList_->setRows(std::vector<QWidget*>(recentRows_.begin(), recentRows_.end()));
}

} // namespace launcher
