#pragma once

#include "app/TimedPresets.h"

#include <QPushButton>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QVBoxLayout;

namespace launcher {

class HistoryStatCardView;
class StateStore;

// A push button that carries the timed preset it starts.
class PresetButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
    std::optional<TimedPresetChoice> preset;
};

// The preset grid of the control tab: rows of durations in seconds, absent
// meaning no timed stop; all of them start normal mode.
const std::vector<std::vector<std::optional<double>>>& presetGrid();
// The button title for a duration, by exact equality; empty for any other.
QString presetButtonTitle(const std::optional<double>& duration, const StateStore& state);

// The first tab: four state cards, the preset grid and the forced and stop
// buttons. It changes nothing itself; every button calls a callback.
class DashboardControlView : public QWidget {
public:
    DashboardControlView(StateStore& state, std::function<void(const TimedPresetChoice&)> onApplyPreset,
                         std::function<void()> onActivateForced, std::function<void()> onDisable,
                         std::function<void()> onRefreshRequested, QWidget* parent = nullptr);

    using QWidget::update;
    void update(StateStore& state);
    void rebuildPresetButtons(const StateStore& state);

    HistoryStatCardView* statusCard() const { return statusCard_; }
    HistoryStatCardView* modeCard() const { return modeCard_; }
    HistoryStatCardView* powerCard() const { return powerCard_; }
    HistoryStatCardView* batteryCard() const { return batteryCard_; }
    QVBoxLayout* presetRows() const { return presetRows_; }
    const std::vector<PresetButton*>& presetButtons() const { return presetButtons_; }
    QPushButton* forcedButton() const { return forcedButton_; }
    QPushButton* disableButton() const { return disableButton_; }

private:
    void setupViews();
    QStringList presetTitles(const StateStore& state) const;
    void didTapPreset(PresetButton* sender);

    StateStore& state_;
    std::function<void(const TimedPresetChoice&)> onApplyPreset_;
    std::function<void()> onActivateForced_;
    std::function<void()> onDisable_;
    std::function<void()> onRefreshRequested_;
    HistoryStatCardView* statusCard_;
    HistoryStatCardView* modeCard_;
    HistoryStatCardView* powerCard_;
    HistoryStatCardView* batteryCard_;
    QVBoxLayout* presetRows_;
    std::vector<PresetButton*> presetButtons_;
    QPushButton* forcedButton_;
    QPushButton* disableButton_;
    // The titles the grid was built with: it is rebuilt only when they change.
    QStringList builtTitles_;
};

} // namespace launcher
