#include "platform/linux/PortalHotKeys.h"

#include <QCoreApplication>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <algorithm>

namespace launcher {

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// A session handle arrives as a string from some portals, as a path from others.
QString pathText(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

std::optional<QString> portalTrigger(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QString symbol;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        symbol = QChar(u'a' + (key - Qt::Key_A)); // the base level: unshifted
    else if (key >= Qt::Key_0 && key <= Qt::Key_9)
        symbol = QChar(u'0' + (key - Qt::Key_0));
    else
        return std::nullopt;
    if (modifiers & ~(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier))
        return std::nullopt;
    QStringList parts;
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    parts << symbol;
    return parts.join(QLatin1Char('+'));
}

QString portalShortcutId(int id)
{
    return QStringLiteral("hotkey-%1").arg(id);
}

PortalHotKeys::PortalHotKeys(QDBusConnection bus, QString appId) : bus_(std::move(bus)), appId_(std::move(appId))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
}

PortalHotKeys::~PortalHotKeys()
{
    unregisterAll();
}

void PortalHotKeys::installHandler(std::function<void(int id)> handler)
{
    dispatch_.install(std::move(handler));
}

void PortalHotKeys::removeHandler()
{
    dispatch_.remove();
}

void PortalHotKeys::setLateRefusalHandler(std::function<void(const std::vector<int>& ids)> handler)
{
    lateRefusal_ = std::move(handler);
}

bool PortalHotKeys::registerHotKey(Qt::Key key, Qt::KeyboardModifiers modifiers, int id, const QString& description)
{
    if (stage_ != Stage::collecting)
        return false;
    const std::optional<QString> trigger = portalTrigger(key, modifiers);
    if (!trigger || std::any_of(shortcuts_.begin(), shortcuts_.end(), [&](const Shortcut& s) {
            return s.trigger == *trigger || s.id == id;
        }))
        return false;
    shortcuts_.push_back({id, *trigger, description});
    // Keys registered together are bound in one session, once the loop runs.
    // One queued start serves them all, also when unregisterAll came between.
    if (!beginQueued_) {
        beginQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                beginQueued_ = false;
                if (stage_ == Stage::collecting)
                    begin();
            },
            Qt::QueuedConnection);
    }
    return true;
}

void PortalHotKeys::unregisterAll()
{
    stopListening();
    if (!session_.isEmpty() && bus_.isConnected())
        bus_.asyncCall(QDBusMessage::createMethodCall(portalService, session_, QStringLiteral("org.freedesktop.portal.Session"),
                                                      QStringLiteral("Close")));
    session_.clear();
    shortcuts_.clear();
    stage_ = Stage::collecting;
    ++generation_;
}

void PortalHotKeys::callAsync(const QDBusMessage& call, std::function<void(const QDBusMessage&)> onReply)
{
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation = generation_, onReply = std::move(onReply)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (generation == generation_)
                    onReply(finished->reply());
            });
}

void PortalHotKeys::begin()
{
    if (shortcuts_.empty())
        return;
    if (!bus_.isConnected()) {
        refuse();
        return;
    }
    stage_ = Stage::asking;
    // A portal outside a sandbox learns who asks from this, where it offers
    // it; it must come first on the connection. Its answer does not matter.
    if (!appId_.isEmpty()) {
        QDBusMessage registration = QDBusMessage::createMethodCall(
            portalService, portalPath, QStringLiteral("org.freedesktop.host.portal.Registry"), QStringLiteral("Register"));
        registration << appId_ << QVariantMap();
        bus_.asyncCall(registration);
    }
    QDBusMessage get = QDBusMessage::createMethodCall(portalService, portalPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << shortcutsInterface << QStringLiteral("version");
    callAsync(get, [this](const QDBusMessage& reply) {
        const bool offered = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
            && reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt() >= 1;
        if (offered)
            createSession();
        else
            refuse();
    });
}

QString PortalHotKeys::nextToken()
{
    return QStringLiteral("launcher%1_%2").arg(QCoreApplication::applicationPid()).arg(++tokens_);
}

QString PortalHotKeys::requestPath(const QString& token) const
{
    QString sender = bus_.baseService();
    sender.remove(0, sender.startsWith(QLatin1Char(':')) ? 1 : 0).replace(QLatin1Char('.'), QLatin1Char('_'));
    return portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

void PortalHotKeys::awaitResponse(const QString& path)
{
    if (!requestPath_.isEmpty())
        bus_.disconnect(portalService, requestPath_, requestInterface, QStringLiteral("Response"), this,
                        SLOT(onResponse(QDBusMessage)));
    requestPath_ = path;
    bus_.connect(portalService, requestPath_, requestInterface, QStringLiteral("Response"), this,
                 SLOT(onResponse(QDBusMessage)));
}

void PortalHotKeys::stopListening()
{
    if (!requestPath_.isEmpty())
        bus_.disconnect(portalService, requestPath_, requestInterface, QStringLiteral("Response"), this,
                        SLOT(onResponse(QDBusMessage)));
    requestPath_.clear();
    if (activatedConnected_)
        bus_.disconnect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
                        SLOT(onActivated(QDBusMessage)));
    activatedConnected_ = false;
}

// Each request's answer comes as a signal on a path of its own; listening
// there before asking means an early answer is not missed.
void PortalHotKeys::createSession()
{
    stage_ = Stage::creating;
    const QString token = nextToken();
    awaitResponse(requestPath(token));
    QDBusMessage create = QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface,
                                                         QStringLiteral("CreateSession"));
    create << QVariantMap{{QStringLiteral("handle_token"), token},
                          {QStringLiteral("session_handle_token"), nextToken()}};
    sendRequest(create);
}

void PortalHotKeys::bindShortcuts()
{
    stage_ = Stage::binding;
    const QString token = nextToken();
    awaitResponse(requestPath(token));
    activatedConnected_ = bus_.connect(portalService, portalPath, shortcutsInterface, QStringLiteral("Activated"), this,
                                       SLOT(onActivated(QDBusMessage)));
    QList<PortalShortcut> list;
    for (const Shortcut& shortcut : shortcuts_)
        list.append({portalShortcutId(shortcut.id),
                     {{QStringLiteral("description"), shortcut.description},
                      {QStringLiteral("preferred_trigger"), shortcut.trigger}}});
    QDBusMessage bind = QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface,
                                                       QStringLiteral("BindShortcuts"));
    bind << QVariant::fromValue(QDBusObjectPath(session_)) << QVariant::fromValue(list) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    sendRequest(bind);
}

// A refused call ends it all. An older portal picks the request's path itself
// and names it in the reply; the answer is awaited there instead.
void PortalHotKeys::sendRequest(const QDBusMessage& call)
{
    const Stage stage = stage_;
    callAsync(call, [this, stage](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
            refuse();
            return;
        }
        const QString handle = reply.arguments().constFirst().value<QDBusObjectPath>().path();
        if (stage_ == stage && !handle.isEmpty() && handle != requestPath_)
            awaitResponse(handle);
    });
}

void PortalHotKeys::onResponse(const QDBusMessage& message)
{
    if (message.path() != requestPath_ || message.arguments().size() < 2)
        return;
    // 0: granted; 1: the user declined; 2: anything else.
    const uint response = message.arguments().at(0).toUInt();
    const QVariantMap results = qdbus_cast<QVariantMap>(message.arguments().at(1));
    if (response != 0) {
        refuse();
        return;
    }
    if (stage_ == Stage::creating) {
        session_ = pathText(results.value(QStringLiteral("session_handle")));
        if (session_.isEmpty())
            refuse();
        else
            bindShortcuts();
    } else if (stage_ == Stage::binding) {
        stage_ = Stage::bound;
    }
}

void PortalHotKeys::onActivated(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (stage_ != Stage::bound || arguments.size() < 2 || pathText(arguments.at(0)) != session_)
        return;
    const QString name = arguments.at(1).toString();
    const auto shortcut = std::find_if(shortcuts_.begin(), shortcuts_.end(),
                                       [&](const Shortcut& s) { return portalShortcutId(s.id) == name; });
    if (shortcut != shortcuts_.end())
        dispatch_.post(shortcut->id);
}

void PortalHotKeys::refuse()
{
    std::vector<int> ids;
    for (const Shortcut& shortcut : shortcuts_)
        ids.push_back(shortcut.id);
    unregisterAll();
    stage_ = Stage::refused;
    if (lateRefusal_ && !ids.empty())
        lateRefusal_(ids);
}

} // namespace launcher
