#include "platform/linux/LinuxStatusItem.h"

#include <QCursor>
#include <QMenu>

namespace launcher {

LinuxStatusItem::LinuxStatusItem()
{
    QObject::connect(&tray_, &QSystemTrayIcon::activated, &tray_, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && menu_)
            menu_->popup(QCursor::pos());
    });
}

void LinuxStatusItem::setImage(const QImage& image)
{
    // The tray repaints on every new icon, twenty times a second otherwise.
    if (image.isNull() || image.cacheKey() == imageKey_)
        return;
    imageKey_ = image.cacheKey();
    tray_.setIcon(QIcon(QPixmap::fromImage(image)));
    if (!tray_.isVisible())
        tray_.show();
}

void LinuxStatusItem::setTitle(const QString& title)
{
    if (tray_.toolTip() != title)
        tray_.setToolTip(title);
}

void LinuxStatusItem::setMenu(QMenu* menu)
{
    menu_ = menu;
    tray_.setContextMenu(menu);
}

void LinuxStatusItem::closeMenu()
{
    if (menu_ && menu_->isVisible())
        menu_->hide();
}

} // namespace launcher
