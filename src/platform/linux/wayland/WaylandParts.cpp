#include "platform/linux/wayland/WaylandParts.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>

#include <chrono>

namespace launcher {

namespace {

// An age with no input seen: grows with time and never drops, so it is never
// taken for input.
constexpr double unknownAge = 365.0 * 24 * 3600;

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

WakeEventType buttonType(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return WakeEventType::leftMouseDown;
    case Qt::RightButton:
        return WakeEventType::rightMouseDown;
    default:
        return WakeEventType::otherMouseDown;
    }
}

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
        return true;
    default:
        return false;
    }
}

class CoverWindow final : public QRasterWindow {
public:
    CoverWindow(QScreen* screen, const std::function<void(WakeEventType)>& onInput) : onInput_(onInput)
    {
        setFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        setCursor(Qt::BlankCursor);
        setScreen(screen);
        setGeometry(screen->geometry());
        showFullScreen();
        requestActivate();
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(QRect(QPoint(0, 0), size()), Qt::black); }

    bool event(QEvent* event) override
    {
        // Where the pointer entered is where it rests, not a movement.
        if (event->type() == QEvent::Enter)
            pointerAt_ = static_cast<QEnterEvent*>(event)->globalPosition();
        return QRasterWindow::event(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        const QPointF at = event->globalPosition();
        const bool moved = pointerAt_ && *pointerAt_ != at;
        pointerAt_ = at;
        if (moved)
            onInput_(WakeEventType::mouseMoved);
    }
    void mousePressEvent(QMouseEvent* event) override { onInput_(buttonType(event->button())); }
    void wheelEvent(QWheelEvent*) override { onInput_(WakeEventType::scrollWheel); }
    void keyPressEvent(QKeyEvent* event) override
    {
        onInput_(isModifierKey(event->key()) ? WakeEventType::flagsChanged : WakeEventType::keyDown);
    }

private:
    std::function<void(WakeEventType)> onInput_;
    std::optional<QPointF> pointerAt_;
};

class FullScreenCovers final : public BlackoutWindow {
public:
    explicit FullScreenCovers(std::function<void(WakeEventType)> onInput) : onInput_(std::move(onInput))
    {
        for (QScreen* screen : QGuiApplication::screens())
            cover(screen);
        QObject::connect(qApp, &QGuiApplication::screenAdded, &context_, [this](QScreen* screen) { cover(screen); });
        QObject::connect(qApp, &QGuiApplication::screenRemoved, &context_,
                         [this](QScreen* screen) { windows_.erase(screen); });
    }

private:
    void cover(QScreen* screen) { windows_[screen] = std::make_unique<CoverWindow>(screen, onInput_); }

    std::function<void(WakeEventType)> onInput_;
    std::map<QScreen*, std::unique_ptr<CoverWindow>> windows_;
    QObject context_;
};

} // namespace

WaylandInputIdle::WaylandInputIdle(MonotonicSeconds seconds)
    : seconds_(seconds ? std::move(seconds) : MonotonicSeconds(steadySeconds)), startedAt_(seconds_())
{
}

void WaylandInputIdle::noteInput(WakeEventType type)
{
    lastEventAt_[type] = seconds_();
}

double WaylandInputIdle::secondsSinceLastEvent(WakeEventType type)
{
    const double now = seconds_();
    const auto found = lastEventAt_.find(type);
    return found == lastEventAt_.end() ? unknownAge + (now - startedAt_) : now - found->second;
}

void WaylandInputIdle::setWatching(bool watching)
{
    if (watching == watching_)
        return;
    watching_ = watching;
    if (onWatchingChanged)
        onWatchingChanged(watching);
}

std::unique_ptr<BlackoutWindow> createFullScreenCovers(std::function<void(WakeEventType)> onInput)
{
    return std::make_unique<FullScreenCovers>(std::move(onInput));
}

WaylandScreens::WaylandScreens(CompositorServices* services, std::function<void(WakeEventType)> onInput)
    : services_(services), onInput_(std::move(onInput))
{
}

std::vector<std::unique_ptr<BlackoutWindow>> WaylandScreens::createBlackoutWindows()
{
    std::vector<std::unique_ptr<BlackoutWindow>> covers;
    if (services_ && services_->offersOverlayCovers()) {
        if (auto overlay = services_->createOverlayCovers(onInput_)) {
            covers.push_back(std::move(overlay));
            return covers;
        }
    }
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        covers.push_back(createFullScreenCovers(onInput_));
    return covers;
}

bool WaylandScreens::canSleepDisplays() const
{
    return services_ && services_->offersOutputPower();
}

void WaylandScreens::sleepDisplaysNow()
{
    if (!canSleepDisplays())
        return;
    services_->setOutputsPowered(false);
    poweredOff_ = true;
}

// The compositor may leave them off after the covers go (wlroots does).
void WaylandScreens::restoreDisplaySleepSettings()
{
    if (!poweredOff_)
        return;
    poweredOff_ = false;
    services_->setOutputsPowered(true);
}

void WaylandScreens::inputArrived()
{
    if (poweredOff_ && services_->outputsAsleep().value_or(false))
        services_->setOutputsPowered(true);
}

WaylandParts::WaylandParts(Clock& clock, std::unique_ptr<CompositorServices> services, MonotonicSeconds seconds)
    : services_(std::move(services))
    , input(std::move(seconds))
    , screens(services_.get(), [this](WakeEventType type) { inputArrived(type); })
    , screenEvents(clock, [services = services_.get()]() -> std::optional<bool> {
          if (!services || !services->offersOutputPower())
              return std::nullopt;
          return services->outputsAsleep();
      })
{
    input.onWatchingChanged = [this](bool watching) {
        if (!services_ || !services_->offersIdleNotification())
            return;
        if (!watching) {
            services_->watchIdle({});
            return;
        }
        // The notice does not say what the input was: it stands for both
        // kinds, and the watch takes the first that drops.
        services_->watchIdle([this] {
            inputArrived(WakeEventType::mouseMoved);
            input.noteInput(WakeEventType::keyDown);
        });
    };
}

void WaylandParts::inputArrived(WakeEventType type)
{
    input.noteInput(type);
    screens.inputArrived();
}

namespace {

bool offersAnything(const CompositorServices& services)
{
    return services.offersOverlayCovers() || services.offersIdleNotification() || services.offersOutputPower();
}

} // namespace

std::unique_ptr<CompositorServices> chooseCompositorServices(
    std::unique_ptr<CompositorServices> protocols,
    const std::function<std::unique_ptr<CompositorServices>()>& dbusServices)
{
    if (protocols && offersAnything(*protocols))
        return protocols;
    std::unique_ptr<CompositorServices> dbus = dbusServices ? dbusServices() : nullptr;
    if (dbus && offersAnything(*dbus))
        return dbus;
    return nullptr;
}

} // namespace launcher
