#include "dashboard/DashboardRootView.h"

#include "dashboard/DashboardControlView.h"
#include "dashboard/DashboardSettingsView.h"
#include "dashboard/DashboardStyle.h"
#include "dashboard/HistoryDashboardView.h"
#include "dashboard/HistoryWindowController.h"
#include "engine/StateStore.h"

#include <QFrame>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace launcher {

using namespace dashboardStyle;

namespace {

// One line that ends in "…" when it does not fit; text() keeps the whole title.
class TailElidedLabel final : public QLabel {
public:
    TailElidedLabel(const QFont& font, const QColor& color)
    {
        setFont(font);
        setLabelColor(this, color);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        const QRect area = contentsRect();
        painter.drawText(area, int(alignment()), fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }
};

} // namespace

std::optional<DashboardTab> dashboardTabFromRaw(int raw)
{
    for (DashboardTab tab : allDashboardTabs)
        if (int(tab) == raw)
            return tab;
    return std::nullopt;
}

QString dashboardTabTitle(DashboardTab tab, const StateStore& state)
{
    switch (tab) {
    case DashboardTab::control:
        return state.localized(QStringLiteral("控制"), QStringLiteral("Control"));
    case DashboardTab::settings:
        return state.localized(QStringLiteral("设置"), QStringLiteral("Settings"));
    case DashboardTab::stats:
        return state.localized(QStringLiteral("统计"), QStringLiteral("Stats"));
    }
    return {};
}

DashboardRootView::DashboardRootView(StateStore& state, ColorPanel& colorPanel, DashboardActions actions,
                                     QWidget* parent)
    : QWidget(parent),
      state_(&state),
      titleLabel_(new TailElidedLabel(systemFont(18, QFont::Bold), label())),
      subtitleLabel_(makeLabel(QString(), systemFont(10, QFont::Medium), secondaryLabel(), true)),
      segmented_(new QTabBar),
      headerCard_(new QFrame),
      contentCard_(new QFrame),
      container_(new QStackedWidget),
      controlView_(new DashboardControlView(state, actions.onApplyPreset, actions.onActivateForced,
                                            actions.onDisable, actions.onRefreshRequested)),
      settingsView_(new DashboardSettingsView(state, colorPanel, actions.onRefreshRequested)),
      statsView_(new HistoryDashboardView)
{
    setupViews();
    updateHeader();
    showTab(DashboardTab::control);
}

void DashboardRootView::setupViews()
{
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor::fromRgbF(0.96f, 0.96f, 0.96f));
    setPalette(background);

    for (QFrame* card : {headerCard_, contentCard_})
        styleCard(card, windowBackground(), 16, 0.12);

    auto* header = new QVBoxLayout(headerCard_);
    header->setContentsMargins(14, 14, 14, 12);
    header->setSpacing(6);
    titleLabel_->setTextFormat(Qt::PlainText);
    header->addWidget(titleLabel_);
    header->addWidget(subtitleLabel_);

    for (DashboardTab tab : allDashboardTabs)
        segmented_->addTab(dashboardTabTitle(tab, *state_));
    segmented_->setExpanding(false);
    segmented_->setFixedHeight(26);
    // Two lines at most; a longer summary is cut rather than pushing the tabs
    // down. Measured as the label lays out wrapped text, which is taller than
    // two line spacings: that bound cut off the descenders.
    const QMargins margins = subtitleLabel_->contentsMargins();
    subtitleLabel_->setMaximumHeight(
        subtitleLabel_->fontMetrics()
            .boundingRect(QRect(0, 0, QWIDGETSIZE_MAX, QWIDGETSIZE_MAX), Qt::TextWordWrap, QStringLiteral("Ag\nAg"))
            .height()
        + margins.top() + margins.bottom());
    segmented_->setDrawBase(false);
    QObject::connect(segmented_, &QTabBar::currentChanged, this, [this](int index) { tabChanged(index); });

    container_->addWidget(controlView_);
    container_->addWidget(settingsView_);
    container_->addWidget(statsView_);

    auto* content = new QVBoxLayout(contentCard_);
    content->setContentsMargins(12, 12, 12, 12);
    content->setSpacing(12);
    content->addWidget(segmented_, 0, Qt::AlignLeft);
    content->addWidget(container_, 1);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(12, 12, 12, 12);
    root->setSpacing(8);
    root->addWidget(headerCard_);
    root->addWidget(contentCard_, 1);
}

void DashboardRootView::update(const std::vector<HistorySession>& sessions, StateStore& state)
{
    state_ = &state;
    updateHeader();
    controlView_->update(state);
    settingsView_->update(state);
    statsView_->update(sessions, state);
}

void DashboardRootView::updateHeader()
{
    titleLabel_->setText(dashboardWindowTitle(*state_));
    subtitleLabel_->setText(state_->localized(
        QStringLiteral("开始或停止挂机，查看最近七天的挂机记录与能耗估算，调整电源条件、语言和颜色。"),
        QStringLiteral("Start or stop awake mode, see the last seven days of sessions with an energy estimate, "
                       "and set the power conditions, language and colors.")));
    for (DashboardTab tab : allDashboardTabs)
        segmented_->setTabText(int(tab), dashboardTabTitle(tab, *state_));
}

QWidget* DashboardRootView::viewFor(DashboardTab tab) const
{
    switch (tab) {
    case DashboardTab::control:
        return controlView_;
    case DashboardTab::settings:
        return settingsView_;
    case DashboardTab::stats:
        return statsView_;
    }
    return controlView_;
}

void DashboardRootView::showTab(DashboardTab tab)
{
    currentTab_ = tab;
    {
        const QSignalBlocker quiet(segmented_);
        segmented_->setCurrentIndex(int(tab));
    }
    container_->setCurrentWidget(viewFor(tab));
}

void DashboardRootView::tabChanged(int index)
{
    if (const auto tab = dashboardTabFromRaw(index))
        showTab(*tab);
}

} // namespace launcher
