#pragma once

#include "platform/AppPlatform.h"

#include <QPointer>
#include <QSystemTrayIcon>

namespace launcher {

// The glyph in the notification area. Trays show no text beside an icon, so
// the title becomes the tooltip; either click opens the menu.
class LinuxStatusItem final : public StatusItem {
public:
    LinuxStatusItem();
    void setImage(const QImage& image) override;
    void setTitle(const QString& title) override;
    void setMenu(QMenu* menu) override;
    void closeMenu() override;

    const QSystemTrayIcon& trayIcon() const { return tray_; }

private:
    QSystemTrayIcon tray_;
    QPointer<QMenu> menu_;
    qint64 imageKey_ = 0;
};

} // namespace launcher
