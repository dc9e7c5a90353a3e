#pragma once

#include "platform/AppPlatform.h"

#include <QIcon>
#include <QPointer>
#include <QSystemTrayIcon>

#include <vector>

namespace launcher {

// The glyph in the notification area: an XEmbed tray draws it in this
// process, a StatusNotifier host (KDE, GNOME's AppIndicator, Xfce's panel,
// waybar) in its own, fetching every new picture over D-Bus. Trays show no
// text beside an icon, so the tooltip carries the time. In an XEmbed tray
// either click opens the menu; a StatusNotifier host draws the menu itself on
// the secondary click and hands the primary one to the primary action.
class LinuxStatusItem final : public StatusItem {
public:
    LinuxStatusItem();
    void setImage(const QImage& image) override;
    void setTitle(const QString& title) override;
    void setToolTip(const QString& text) override;
    void setMenu(QMenu* menu) override;
    void setPrimaryAction(std::function<void()> action) override { primaryAction_ = std::move(action); }
    void closeMenu() override;
    bool showsFramesCheaply() const override { return !statusNotifier_; }
    bool isShown() const override;

    const QSystemTrayIcon& trayIcon() const { return tray_; }
    bool usesStatusNotifierHost() const { return statusNotifier_; }

private:
    QSystemTrayIcon tray_;
    QPointer<QMenu> menu_;
    std::function<void()> primaryAction_;
    qint64 imageKey_ = 0;
    bool statusNotifier_ = false;
};

// The square, letterboxed pictures at device pixel ratio 1 that a
// StatusNotifier host is sent: it reads pixels, not logical sizes, and picks
// the size nearest its slot.
std::vector<QImage> statusNotifierPictures(const QImage& glyph);
QIcon statusNotifierIcon(const QImage& glyph);

// Whether Qt draws its tray icons through a StatusNotifier host: a watcher on
// the session bus that has a host registered.
bool statusNotifierHostRegistered();

} // namespace launcher
