#include "platform/linux/LinuxDesktop.h"

#include <QByteArray>
#include <QGuiApplication>

#include <X11/Xlib.h>

namespace launcher {

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
    return std::make_unique<QtToastPanel>(windowsCanBeTranslucent());
}

} // namespace launcher
