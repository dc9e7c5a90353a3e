#include "platform/linux/LinuxScreens.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/dpms.h>

namespace launcher {

namespace {

class BlackWindow final : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(QRect(QPoint(0, 0), size()), Qt::black);
    }
};

class LinuxBlackoutWindow final : public BlackoutWindow {
public:
    explicit LinuxBlackoutWindow(QScreen* screen)
    {
        window_.setFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint
                         | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus);
        window_.setScreen(screen);
        window_.setGeometry(screen->geometry());
        window_.show();
        window_.raise();
    }

private:
    BlackWindow window_;
};

class XDpms final : public Dpms {
public:
    explicit XDpms(Display* display) : display_(display) {}
    std::optional<bool> enabled() override
    {
        int event = 0, error = 0;
        if (!display_ || !DPMSQueryExtension(display_, &event, &error) || !DPMSCapable(display_))
            return std::nullopt;
        CARD16 level = DPMSModeOn;
        BOOL on = False;
        if (!DPMSInfo(display_, &level, &on))
            return std::nullopt;
        return bool(on);
    }
    void setEnabled(bool on) override
    {
        XErrorTrap trap(display_);
        on ? DPMSEnable(display_) : DPMSDisable(display_);
        trap.failed();
    }
    void forceOff() override
    {
        XErrorTrap trap(display_);
        DPMSForceLevel(display_, DPMSModeOff);
        trap.failed();
    }

private:
    Display* display_;
};

} // namespace

void DisplaySleepSwitch::sleepNow()
{
    const std::optional<bool> on = dpms_.enabled();
    if (!on)
        return;
    if (!*on) {
        dpms_.setEnabled(true);
        switchedOn_ = true;
    }
    dpms_.forceOff();
}

void DisplaySleepSwitch::restore()
{
    if (!switchedOn_)
        return;
    switchedOn_ = false;
    // Switched off by the user meanwhile: nothing left to put back.
    if (dpms_.enabled().value_or(false))
        dpms_.setEnabled(false);
}

LinuxScreens::LinuxScreens()
    : display_(openXDisplay()), dpms_(std::make_unique<XDpms>(display_.get())), sleepSwitch_(*dpms_)
{
    if (!display_)
        return;
    int event = 0, error = 0;
    int major = 4, minor = 0;
    // Hiding the cursor came with version 4 of the extension.
    canHideCursor_ = XFixesQueryExtension(display_.get(), &event, &error)
        && XFixesQueryVersion(display_.get(), &major, &minor) && major >= 4;
}

std::vector<std::unique_ptr<BlackoutWindow>> LinuxScreens::createBlackoutWindows()
{
    std::vector<std::unique_ptr<BlackoutWindow>> windows;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return windows;
    for (QScreen* screen : QGuiApplication::screens())
        windows.push_back(std::make_unique<LinuxBlackoutWindow>(screen));
    return windows;
}

void LinuxScreens::hideCursor()
{
    if (!canHideCursor_)
        return;
    Display* display = display_.get();
    for (int screen = 0; screen < ScreenCount(display); ++screen)
        XFixesHideCursor(display, RootWindow(display, screen));
    XFlush(display);
}

void LinuxScreens::showCursor()
{
    if (!canHideCursor_)
        return;
    Display* display = display_.get();
    for (int screen = 0; screen < ScreenCount(display); ++screen)
        XFixesShowCursor(display, RootWindow(display, screen));
    XFlush(display);
}

void LinuxScreens::sleepDisplaysNow()
{
    sleepSwitch_.sleepNow();
}

void LinuxScreens::restoreDisplaySleepSettings()
{
    sleepSwitch_.restore();
}

std::optional<bool> dpmsDisplaysAsleep(_XDisplay* display)
{
    int event = 0, error = 0;
    if (!display || !DPMSQueryExtension(display, &event, &error) || !DPMSCapable(display))
        return std::nullopt;
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    if (!DPMSInfo(display, &level, &enabled))
        return std::nullopt;
    return enabled && level != DPMSModeOn;
}

LinuxScreenEvents::LinuxScreenEvents(Clock& clock)
    : LinuxScreenEvents(clock, [display = std::shared_ptr<_XDisplay>(openXDisplay())] {
          return dpmsDisplaysAsleep(display.get());
      })
{
}

LinuxScreenEvents::LinuxScreenEvents(Clock& clock, SleepReading displaysAsleep)
    : clock_(clock), displaysAsleep_(std::move(displaysAsleep))
{
}

LinuxScreenEvents::~LinuxScreenEvents()
{
    setWatching(false);
}

void LinuxScreenEvents::setWatching(bool watching)
{
    if (!watching) {
        if (timer_)
            clock_.cancel(*timer_);
        timer_.reset();
        return;
    }
    if (timer_)
        return;
    const std::optional<bool> asleep = displaysAsleep_();
    if (!asleep)
        return;
    asleep_ = *asleep;
    timer_ = clock_.repeating(pollInterval, [this] { poll(); });
}

ScreenEvents::Token LinuxScreenEvents::addObserver(ScreenEvent event, std::function<void()> handler)
{
    const Token token = next_++;
    observers_.emplace(token, std::make_pair(event, std::move(handler)));
    return token;
}

void LinuxScreenEvents::removeObserver(Token token)
{
    observers_.erase(token);
}

void LinuxScreenEvents::poll()
{
    const std::optional<bool> asleep = displaysAsleep_();
    if (!asleep || *asleep == asleep_)
        return;
    asleep_ = *asleep;
    post(asleep_ ? ScreenEvent::didSleep : ScreenEvent::didWake);
}

void LinuxScreenEvents::post(ScreenEvent event)
{
    // Handlers may add or remove observers.
    const auto observers = observers_;
    for (const auto& [token, observer] : observers)
        if (observer.first == event && observers_.count(token))
            observer.second();
}

} // namespace launcher
