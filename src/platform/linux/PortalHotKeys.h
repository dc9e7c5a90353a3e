#pragma once

#include "platform/AppPlatform.h"
#include "platform/HotKeyDispatch.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariantMap>

#include <optional>
#include <vector>

namespace launcher {

// One entry of the portal's shortcut lists, a(sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut);

// A combination in the portal's trigger language, e.g. "CTRL+ALT+l": modifier
// names, then the key's symbol on the keyboard's base level. Letters and
// digits with Control, Alt, Shift and Super (Qt's Meta); absent otherwise.
std::optional<QString> portalTrigger(Qt::Key key, Qt::KeyboardModifiers modifiers);

// The portal's name for the combination registered with id.
QString portalShortcutId(int id);

// System-wide keys through the desktop portal's GlobalShortcuts, the only way
// a Wayland client gets them. The combinations registered before the event
// loop next turns are bound together in one session; the portal answers
// later, so a portal that is missing, lacks GlobalShortcuts or declines is
// told through the late-refusal handler.
class PortalHotKeys final : public QObject, public HotKeys {
    Q_OBJECT
public:
    // appId names the program to a portal that asks (one outside a sandbox).
    explicit PortalHotKeys(QDBusConnection bus, QString appId = {});
    ~PortalHotKeys() override;

    void installHandler(std::function<void(int id)> handler) override;
    void removeHandler() override;
    // False for a combination the trigger language cannot say, a repeated one,
    // or once binding has begun.
    bool registerHotKey(Qt::Key key, Qt::KeyboardModifiers modifiers, int id, const QString& description) override;
    void unregisterAll() override;
    HotKeyRefusal refusal() const override { return HotKeyRefusal::notOffered; }
    void setLateRefusalHandler(std::function<void(const std::vector<int>& ids)> handler) override;

    // The portal has bound every accepted combination.
    bool isBound() const { return stage_ == Stage::bound; }

private slots:
    void onResponse(const QDBusMessage& message);
    void onActivated(const QDBusMessage& message);

private:
    enum class Stage { collecting, asking, creating, binding, bound, refused };
    struct Shortcut {
        int id;
        QString trigger;
        QString description;
    };

    void begin();
    void createSession();
    void bindShortcuts();
    void sendRequest(const QDBusMessage& call);
    void refuse();
    QString nextToken();
    QString requestPath(const QString& token) const;
    // Listens for the Response of the request at path, and only that one.
    void awaitResponse(const QString& path);
    // Neither answers nor key presses any more.
    void stopListening();
    // Runs onReply with the reply of an asynchronous call, unless the
    // registrations were dropped meanwhile.
    void callAsync(const QDBusMessage& call, std::function<void(const QDBusMessage&)> onReply);

    QDBusConnection bus_;
    QString appId_;
    Stage stage_ = Stage::collecting;
    bool beginQueued_ = false;
    std::vector<Shortcut> shortcuts_;
    QString requestPath_;
    QString session_;
    bool activatedConnected_ = false;
    int generation_ = 0;
    int tokens_ = 0;
    HotKeyDispatch dispatch_;
    std::function<void(const std::vector<int>& ids)> lateRefusal_;
};

} // namespace launcher

Q_DECLARE_METATYPE(launcher::PortalShortcut)
