#include "platform/linux/LinuxDesktop.h"

#include "platform/linux/LinuxX11.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <X11/Xlib.h>

namespace launcher {

namespace {

// Qt raises the toast over the program's own windows; this keeps it over
// those of other programs too, which a window manager may stack above it.
// It watches the root window's children on a connection of its own, so Qt's
// event handling never sees the extra events.
class LinuxToastPanel final : public QtToastPanel {
public:
    using QtToastPanel::QtToastPanel;

    void showWithoutActivating() override
    {
        QtToastPanel::showWithoutActivating();
        watch();
    }

    void hide() override
    {
        watcher_.reset();
        display_.reset();
        QtToastPanel::hide();
    }

private:
    void watch()
    {
        if (display_ || QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        display_ = openXDisplay();
        if (!display_)
            return;
        XSelectInput(display_.get(), DefaultRootWindow(display_.get()), SubstructureNotifyMask);
        XFlush(display_.get());
        watcher_ = std::make_unique<QSocketNotifier>(ConnectionNumber(display_.get()), QSocketNotifier::Read);
        QObject::connect(watcher_.get(), &QSocketNotifier::activated, watcher_.get(), [this] { readEvents(); });
    }

    void readEvents()
    {
        const Window own = widget().winId();
        bool covered = false;
        while (XPending(display_.get())) {
            XEvent event;
            XNextEvent(display_.get(), &event);
            // Every map and restack of another window may have put it above the toast.
            if (event.type == MapNotify)
                covered |= event.xmap.window != own;
            else if (event.type == ConfigureNotify)
                covered |= event.xconfigure.window != own;
        }
        if (covered && widget().isVisible())
            widget().raise();
    }

    XDisplayPointer display_;
    std::unique_ptr<QSocketNotifier> watcher_;
};

} // namespace

bool runsOnWayland()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
        && QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool windowsCanBeTranslucent()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display())
        return true;
    Display* display = x11->display();
    // A compositing manager owns this selection for as long as it runs.
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(DefaultScreen(display));
    const Atom selection = XInternAtom(display, name.constData(), False);
    return XGetSelectionOwner(display, selection) != None;
}

std::unique_ptr<ToastPanel> LinuxDesktop::createToastPanel()
{
    return std::make_unique<LinuxToastPanel>(windowsCanBeTranslucent());
}

} // namespace launcher
