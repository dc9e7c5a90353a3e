#include "platform/linux/LinuxStatusItem.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMenu>
#include <QPainter>
#include <QToolTip>

namespace launcher {

namespace {

// At most 64 px travels (Qt drops larger ones); hosts scale from the nearest.
constexpr int statusNotifierSizes[] = {16, 22, 32, 48};

} // namespace

bool statusNotifierHostRegistered()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcher).value())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(watcher, QStringLiteral("/StatusNotifierWatcher"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
        && reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

std::vector<QImage> statusNotifierPictures(const QImage& glyph)
{
    std::vector<QImage> pictures;
    if (glyph.isNull())
        return pictures;
    for (const int side : statusNotifierSizes) {
        QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
        square.setDevicePixelRatio(1.0);
        square.fill(Qt::transparent);
        const QSize fitted = glyph.size().scaled(side, side, Qt::KeepAspectRatio);
        QImage scaled = glyph.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(1.0);
        QPainter(&square).drawImage(QPoint((side - fitted.width()) / 2, (side - fitted.height()) / 2), scaled);
        pictures.push_back(square);
    }
    return pictures;
}

QIcon statusNotifierIcon(const QImage& glyph)
{
    QIcon icon;
    for (const QImage& picture : statusNotifierPictures(glyph))
        icon.addPixmap(QPixmap::fromImage(picture));
    return icon;
}

LinuxStatusItem::LinuxStatusItem()
    // Qt chose its way when the tray icon was made, by this same question.
    : statusNotifier_(statusNotifierHostRegistered())
{
    QObject::connect(&tray_, &QSystemTrayIcon::activated, &tray_, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Trigger)
            return;
        // Popped from here, the menu would be a window of its own, placed
        // wherever the compositor likes: on Wayland, mid-screen.
        if (statusNotifier_) {
            if (primaryAction_)
                primaryAction_();
        } else if (menu_) {
            menu_->popup(QCursor::pos());
        }
    });
}

void LinuxStatusItem::setImage(const QImage& image)
{
    if (image.isNull() || image.cacheKey() == imageKey_)
        return;
    imageKey_ = image.cacheKey();
    // An XEmbed tray paints the icon here, at the screen's own ratio.
    tray_.setIcon(statusNotifier_ ? statusNotifierIcon(image) : QIcon(QPixmap::fromImage(image)));
    if (!tray_.isVisible())
        tray_.show();
}

void LinuxStatusItem::setTitle(const QString&)
{
    // No tray shows text beside the icon; the tooltip carries it.
}

void LinuxStatusItem::setToolTip(const QString& text)
{
    if (tray_.toolTip() == text)
        return;
    // A tooltip already shown keeps its text unless it is shown anew.
    const bool shown = !statusNotifier_ && QToolTip::isVisible() && QToolTip::text() == tray_.toolTip();
    tray_.setToolTip(text);
    if (shown)
        QToolTip::showText(QCursor::pos(), text);
}

bool LinuxStatusItem::isShown() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
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
