#pragma once

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace launcher {

class ColorPanel;
class StateStore;
enum class PelvaneColorTarget;

// The settings tab. Every change is stored, the preferences are saved at
// once, and onRefreshRequested follows.
class DashboardSettingsView : public QWidget {
public:
    DashboardSettingsView(StateStore& state, ColorPanel& colorPanel, std::function<void()> onRefreshRequested,
                          QWidget* parent = nullptr);

    using QWidget::update;
    void update(StateStore& state);

    QCheckBox* muteCheckbox() const { return muteCheckbox_; }
    QCheckBox* movieCheckbox() const { return movieCheckbox_; }
    QCheckBox* batteryCheckbox() const { return batteryCheckbox_; }
    QCheckBox* acCheckbox() const { return acCheckbox_; }
    QLabel* minimumBatteryLabel() const { return minimumBatteryLabel_; }
    QLabel* minimumBatteryValueLabel() const { return minimumBatteryValueLabel_; }
    QSlider* minimumBatterySlider() const { return minimumBatterySlider_; }
    QLabel* languageLabel() const { return languageLabel_; }
    QComboBox* languagePopup() const { return languagePopup_; }
    QLabel* hangColorLabel() const { return hangColorLabel_; }
    QLabel* forcedColorLabel() const { return forcedColorLabel_; }
    QPushButton* hangColorWell() const { return hangColorWell_; }
    QPushButton* forcedColorWell() const { return forcedColorWell_; }

private:
    void setupViews();
    void connectActions();
    void checkboxChanged(QCheckBox* box, bool on);
    void sliderChanged(int value);
    void languageChanged(int index);
    void openColorPanel(PelvaneColorTarget target);
    void colorChanged(PelvaneColorTarget target, const QColor& color);
    void refresh();

    StateStore& state_;
    ColorPanel& colorPanel_;
    std::function<void()> onRefreshRequested_;
    QCheckBox* muteCheckbox_;
    QCheckBox* movieCheckbox_;
    QCheckBox* batteryCheckbox_;
    QCheckBox* acCheckbox_;
    QLabel* minimumBatteryLabel_;
    QLabel* minimumBatteryValueLabel_;
    QSlider* minimumBatterySlider_;
    QLabel* languageLabel_;
    QComboBox* languagePopup_;
    QLabel* hangColorLabel_;
    QLabel* forcedColorLabel_;
    QPushButton* hangColorWell_;
    QPushButton* forcedColorWell_;
};

} // namespace launcher
