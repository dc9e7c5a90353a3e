#include "dashboard/DashboardControlView.h"

#include "dashboard/HistoryStatCardView.h"
#include "engine/Constants.h"
#include "engine/StateStore.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace launcher {

const std::vector<std::vector<std::optional<double>>>& presetGrid()
{
    static const std::vector<std::vector<std::optional<double>>> grid{
        {900.0, 1800.0, 3600.0, 7200.0, 14400.0},
        {21600.0, 43200.0, 86400.0, 604800.0, std::nullopt},
    };
    return grid;
}

QString presetButtonTitle(const std::optional<double>& duration, const StateStore& state)
{
    if (!duration)
        return state.localized(QStringLiteral("无限"), QStringLiteral("∞"));
    struct Title {
        double seconds;
        const char16_t* zh;
        const char16_t* en;
    };
    static constexpr Title titles[] = {
        {900, u"15分", u"15m"},     {1800, u"30分", u"30m"},     {3600, u"1小时", u"1h"},
        {7200, u"2小时", u"2h"},    {14400, u"4小时", u"4h"},    {21600, u"6小时", u"6h"},
        {43200, u"12小时", u"12h"}, {86400, u"1天", u"1d"},      {604800, u"1周", u"1w"},
    };
    for (const Title& title : titles)
        if (title.seconds == *duration)
            return state.localized(QString::fromUtf16(title.zh), QString::fromUtf16(title.en));
    return {};
}

DashboardControlView::DashboardControlView(StateStore& state,
                                           std::function<void(const TimedPresetChoice&)> onApplyPreset,
                                           std::function<void()> onActivateForced, std::function<void()> onDisable,
                                           std::function<void()> onRefreshRequested, QWidget* parent)
    : QWidget(parent),
      state_(state),
      onApplyPreset_(std::move(onApplyPreset)),
      onActivateForced_(std::move(onActivateForced)),
      onDisable_(std::move(onDisable)),
      onRefreshRequested_(std::move(onRefreshRequested)),
      statusCard_(new HistoryStatCardView(QStringLiteral("bolt.heart.fill"), QStringLiteral("当前状态"))),
      modeCard_(new HistoryStatCardView(QStringLiteral("power.circle.fill"), QStringLiteral("当前模式"))),
      powerCard_(new HistoryStatCardView(QStringLiteral("battery.100.bolt"), QStringLiteral("电源来源"))),
      batteryCard_(new HistoryStatCardView(QStringLiteral("battery.75"), QStringLiteral("电池电量"))),
      presetRows_(new QVBoxLayout),
      forcedButton_(new QPushButton),
      disableButton_(new QPushButton)
{
    setupViews();
    rebuildPresetButtons(state_);
    update(state_);
}

void DashboardControlView::setupViews()
{
    auto* cardsStack = new QHBoxLayout;
    cardsStack->setSpacing(8);
    for (HistoryStatCardView* card : {statusCard_, modeCard_, powerCard_, batteryCard_}) {
        card->setFixedHeight(76);
        cardsStack->addWidget(card, 1);
    }

    presetRows_->setSpacing(8);

    // A palette colour is only a hint to the style, which draws it as a light
    // gradient; a sheet of its own keeps the bezel the deep green.
    const QColor deep = activePelvaneGreenDeep();
    forcedButton_->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: white; border: 1px solid %2;"
                       " border-radius: 6px; padding: 4px 14px; }"
                       "QPushButton:pressed { background-color: %2; }")
            .arg(deep.name(), deep.darker(125).name()));
    QObject::connect(forcedButton_, &QPushButton::clicked, this, [this] {
        if (onActivateForced_)
            onActivateForced_();
    });
    QObject::connect(disableButton_, &QPushButton::clicked, this, [this] {
        if (onDisable_)
            onDisable_();
    });
    auto* actionRow = new QHBoxLayout;
    actionRow->setSpacing(8);
    actionRow->addWidget(forcedButton_);
    actionRow->addWidget(disableButton_);
    actionRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 8, 4, 12);
    layout->setSpacing(12);
    layout->addLayout(cardsStack);
    layout->addLayout(presetRows_);
    layout->addLayout(actionRow);
    layout->addStretch(1);
}

void DashboardControlView::update(StateStore& state)
{
    const AwakeMode mode = state.mode();
    statusCard_->setValue(mode == AwakeMode::off      ? state.localized(QStringLiteral("待机"), QStringLiteral("Idle"))
                          : mode == AwakeMode::normal ? state.localized(QStringLiteral("挂机中"), QStringLiteral("Awake"))
                                                      : state.localized(QStringLiteral("强制挂机"), QStringLiteral("Forced")),
                          activePelvaneGreenDeep());
    modeCard_->setValue(mode == AwakeMode::forced
                            ? state.localized(QStringLiteral("显示器关闭"), QStringLiteral("Display off"))
                            : state.localized(QStringLiteral("保持唤醒"), QStringLiteral("Keep awake")),
                        activePelvaneGreen());
    // One reading for both cards: on some systems each is a tool run.
    const PowerSnapshot power = state.currentPowerSnapshot();
    powerCard_->setValue(state.currentPowerSourceTitle(power), activePelvaneGreenDeep());
    batteryCard_->setValue(state.currentBatteryTitle(power), activePelvaneGreen());
    forcedButton_->setText(
        state.localized(QStringLiteral("立即强制挂机（3小时）"), QStringLiteral("Start forced mode (3h)")));
    disableButton_->setText(state.localized(QStringLiteral("关闭挂机"), QStringLiteral("Stop")));
    // A rebuild every second would lose a press in progress and the focus.
    if (presetTitles(state) != builtTitles_)
        rebuildPresetButtons(state);
}

QStringList DashboardControlView::presetTitles(const StateStore& state) const
{
    QStringList titles;
    for (const auto& row : presetGrid())
        for (const auto& duration : row)
            titles << presetButtonTitle(duration, state);
    return titles;
}

void DashboardControlView::rebuildPresetButtons(const StateStore& state)
{
    while (QLayoutItem* item = presetRows_->takeAt(0)) {
        if (QWidget* row = item->widget()) {
            // The click that led here may still be on the stack.
            row->hide();
            row->setParent(nullptr);
            row->deleteLater();
        }
        delete item;
    }
    presetButtons_.clear();

    for (const auto& durations : presetGrid()) {
        auto* row = new QWidget;
        auto* stack = new QHBoxLayout(row);
        stack->setContentsMargins(0, 0, 0, 0);
        stack->setSpacing(10);
        for (const auto& duration : durations) {
            auto* button = new PresetButton(presetButtonTitle(duration, state), row);
            button->preset = TimedPresetChoice{AwakeMode::normal, duration};
            QObject::connect(button, &QPushButton::clicked, this, [this, button] { didTapPreset(button); });
            stack->addWidget(button, 1);
            presetButtons_.push_back(button);
        }
        presetRows_->addWidget(row);
    }
    builtTitles_ = presetTitles(state);
}

void DashboardControlView::didTapPreset(PresetButton* sender)
{
    if (sender->preset && onApplyPreset_)
        onApplyPreset_(*sender->preset);
}

} // namespace launcher
