#include "dashboard/DashboardSettingsView.h"

#include "dashboard/DashboardStyle.h"
#include "engine/StateStore.h"
#include "platform/AppPlatform.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace launcher {

using namespace dashboardStyle;

namespace {

void setSwatch(QPushButton* well, const QColor& color)
{
    QPixmap swatch(44, 16);
    swatch.fill(color.isValid() ? color : QColor(Qt::black));
    well->setIcon(QIcon(swatch));
    well->setIconSize(swatch.size());
    well->setToolTip(color.name(QColor::HexRgb).toUpper());
}

} // namespace

DashboardSettingsView::DashboardSettingsView(StateStore& state, ColorPanel& colorPanel,
                                             std::function<void()> onRefreshRequested, QWidget* parent)
    : QWidget(parent),
      state_(state),
      colorPanel_(colorPanel),
      onRefreshRequested_(std::move(onRefreshRequested)),
      muteCheckbox_(new QCheckBox),
      movieCheckbox_(new QCheckBox),
      batteryCheckbox_(new QCheckBox),
      acCheckbox_(new QCheckBox),
      minimumBatteryLabel_(new QLabel),
      minimumBatteryValueLabel_(new QLabel),
      minimumBatterySlider_(new QSlider(Qt::Horizontal)),
      languageLabel_(new QLabel),
      languagePopup_(new QComboBox),
      hangColorLabel_(new QLabel),
      forcedColorLabel_(new QLabel),
      hangColorWell_(new QPushButton),
      forcedColorWell_(new QPushButton)
{
    minimumBatterySlider_->setRange(0, 100);
    minimumBatterySlider_->setValue(0);
    minimumBatterySlider_->setTickPosition(QSlider::NoTicks);
    // Stored when the drag ends, not for every pixel of it; the label follows the drag.
    minimumBatterySlider_->setTracking(false);
    setupViews();
    connectActions();
    update(state_);
}

void DashboardSettingsView::setupViews()
{
    auto* card = new QFrame;
    styleCard(card, controlBackground(), 18, 0.3);

    auto* stack = new QVBoxLayout(card);
    stack->setContentsMargins(20, 20, 20, 20);
    stack->setSpacing(12);
    for (QCheckBox* box : {muteCheckbox_, movieCheckbox_, batteryCheckbox_, acCheckbox_})
        stack->addWidget(box);

    auto* batteryRow = new QHBoxLayout;
    batteryRow->setSpacing(12);
    batteryRow->addWidget(minimumBatteryLabel_);
    batteryRow->addWidget(minimumBatteryValueLabel_, 1);
    stack->addLayout(batteryRow);
    stack->addWidget(minimumBatterySlider_);

    auto* languageRow = new QHBoxLayout;
    languageRow->setSpacing(12);
    languageRow->addWidget(languageLabel_);
    languageRow->addWidget(languagePopup_, 1);
    stack->addLayout(languageRow);

    auto* colorRow = new QHBoxLayout;
    colorRow->setSpacing(18);
    for (auto [label, well] : {std::pair{hangColorLabel_, hangColorWell_}, std::pair{forcedColorLabel_, forcedColorWell_}}) {
        auto* column = new QVBoxLayout;
        column->setSpacing(10);
        column->addWidget(label);
        column->addWidget(well, 0, Qt::AlignLeft);
        colorRow->addLayout(column, 1);
    }
    stack->addLayout(colorRow);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(card);
    layout->addStretch(1);
}

void DashboardSettingsView::connectActions()
{
    // clicked and activated come from the user only, never from update().
    for (QCheckBox* box : {muteCheckbox_, movieCheckbox_, batteryCheckbox_, acCheckbox_})
        QObject::connect(box, &QCheckBox::clicked, this, [this, box](bool on) { checkboxChanged(box, on); });
    QObject::connect(minimumBatterySlider_, &QSlider::valueChanged, this, [this](int value) { sliderChanged(value); });
    QObject::connect(minimumBatterySlider_, &QSlider::sliderMoved, this,
                     [this](int value) { minimumBatteryValueLabel_->setText(QString::number(value) + u'%'); });
    QObject::connect(languagePopup_, &QComboBox::activated, this, [this](int index) { languageChanged(index); });
    QObject::connect(hangColorWell_, &QPushButton::clicked, this, [this] { openColorPanel(PelvaneColorTarget::hang); });
    QObject::connect(forcedColorWell_, &QPushButton::clicked, this,
                     [this] { openColorPanel(PelvaneColorTarget::forced); });
}

void DashboardSettingsView::update(StateStore& state)
{
    const auto text = [&state](const char16_t* zh, const char16_t* en) {
        return state.localized(QString::fromUtf16(zh), QString::fromUtf16(en));
    };
    muteCheckbox_->setText(text(u"强制挂机时静音，唤醒后恢复原音量", u"Mute in forced mode and restore volume on wake"));
    movieCheckbox_->setText(text(u"电影条件：仅检测到播放器/视频断言时允许挂机",
                                 u"Movie condition: only allow awake when video playback is detected"));
    batteryCheckbox_->setText(text(u"允许电池供电时挂机", u"Allow awake on battery"));
    acCheckbox_->setText(text(u"允许接电源时挂机", u"Allow awake on AC"));
    minimumBatteryLabel_->setText(text(u"最低电池电量", u"Minimum battery"));
    languageLabel_->setText(text(u"语言", u"Language"));
    hangColorLabel_->setText(text(u"挂机颜色", u"Awake color"));
    forcedColorLabel_->setText(text(u"强制颜色", u"Forced color"));

    muteCheckbox_->setChecked(state.preferences().muteInForced);
    movieCheckbox_->setChecked(state.preferences().requireMoviePlayback);
    batteryCheckbox_->setChecked(state.preferences().allowOnBattery);
    acCheckbox_->setChecked(state.preferences().allowOnAC);

    // Never under the user's finger: a refresh must not end a drag.
    if (!minimumBatterySlider_->isSliderDown()) {
        const QSignalBlocker quiet(minimumBatterySlider_);
        minimumBatterySlider_->setValue(state.preferences().minimumBatteryPercentage);
        minimumBatteryValueLabel_->setText(QString::number(state.preferences().minimumBatteryPercentage) + u'%');
    }

    setSwatch(hangColorWell_, state.preferences().hangPelvaneColor);
    setSwatch(forcedColorWell_, state.preferences().forcedPelvaneColor);

    // Refilling would close an open pop-up, so it happens only when the items differ.
    QStringList items;
    for (AppLanguage language : allAppLanguages)
        items << titleCN(language);
    QStringList shown;
    for (int i = 0; i < languagePopup_->count(); ++i)
        shown << languagePopup_->itemText(i);
    const QSignalBlocker quiet(languagePopup_);
    if (shown != items) {
        languagePopup_->clear();
        languagePopup_->addItems(items);
    }
    const int selected = int(std::find(allAppLanguages.begin(), allAppLanguages.end(), state.preferences().language)
                             - allAppLanguages.begin());
    if (languagePopup_->currentIndex() != selected && !languagePopup_->view()->isVisible())
        languagePopup_->setCurrentIndex(selected);
}

void DashboardSettingsView::refresh()
{
    if (onRefreshRequested_)
        onRefreshRequested_();
}

void DashboardSettingsView::checkboxChanged(QCheckBox* box, bool on)
{
    state_.changePreferences([&](Preferences& p) {
        if (box == muteCheckbox_)
            p.muteInForced = on;
        else if (box == movieCheckbox_)
            p.requireMoviePlayback = on;
        else if (box == batteryCheckbox_)
            p.allowOnBattery = on;
        else if (box == acCheckbox_)
            p.allowOnAC = on;
    });
    refresh();
}

void DashboardSettingsView::sliderChanged(int value)
{
    const int percentage = std::clamp(value, 0, 100);
    state_.changePreferences([&](Preferences& p) { p.minimumBatteryPercentage = percentage; });
    minimumBatteryValueLabel_->setText(QString::number(percentage) + u'%');
    refresh();
}

void DashboardSettingsView::languageChanged(int index)
{
    if (index < 0 || index >= int(allAppLanguages.size()))
        return;
    state_.changePreferences([&](Preferences& p) { p.language = allAppLanguages[size_t(index)]; });
    refresh();
}

void DashboardSettingsView::openColorPanel(PelvaneColorTarget target)
{
    const QColor current = state_.pelvaneColor(target);
    // The panel outlives this view: a window opened anew replaces it.
    colorPanel_.open(current, [view = QPointer<DashboardSettingsView>(this), target](const QColor& color) {
        if (view)
            view->colorChanged(target, color);
    });
}

void DashboardSettingsView::colorChanged(PelvaneColorTarget target, const QColor& color)
{
    // The store converts to sRGB where it can, keeps the colour otherwise, and saves.
    state_.setPelvaneColor(color, target);
    if (target == PelvaneColorTarget::hang)
        setSwatch(hangColorWell_, state_.preferences().hangPelvaneColor);
    else
        setSwatch(forcedColorWell_, state_.preferences().forcedPelvaneColor);
    refresh();
}

} // namespace launcher
