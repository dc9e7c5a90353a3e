// Hot keys through the desktop portal, against a stand-in portal on this
// test's own session bus: what is bound, what a press does, and what comes
// back where the portal has no global shortcuts.

#include "platform/linux/PortalHotKeys.h"
#include "platform/AppPlatform.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QtTest>

using namespace launcher;

namespace {
const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// The portal's side, on a connection of its own, answering as
// xdg-desktop-portal does. Calls are kept in the order they came.
class StandInPortal final : public QDBusVirtualObject {
public:
    explicit StandInPortal(std::optional<uint> version) : version_(version) {}

    bool start()
    {
        bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("stand-in portal"));
        return bus_.isConnected() && bus_.registerVirtualObject(portalPath, this, QDBusConnection::SubPath)
            && bus_.registerService(portalService);
    }
    ~StandInPortal() override
    {
        if (bus_.isConnected()) {
            bus_.unregisterService(portalService);
            bus_.unregisterObject(portalPath, QDBusConnection::UnregisterTree);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("stand-in portal"));
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        calls << message.member();
        const QList<QVariant> arguments = message.arguments();
        if (message.member() == QLatin1String("Get")) {
            if (version_ && arguments.value(0).toString() == shortcutsInterface)
                connection.send(message.createReply(QVariant::fromValue(QDBusVariant(*version_))));
            else
                connection.send(message.createErrorReply(QDBusError::UnknownInterface, QStringLiteral("no such interface")));
        } else if (message.member() == QLatin1String("Register")) {
            appId = arguments.value(0).toString();
            connection.send(message.createReply());
        } else if (message.member() == QLatin1String("CreateSession")) {
            const QVariantMap options = qdbus_cast<QVariantMap>(arguments.value(0));
            session = pathFor(QStringLiteral("session"), message.service(), options.value("session_handle_token").toString());
            answer(message, options.value("handle_token").toString(), 0,
                   {{QStringLiteral("session_handle"), session}});
        } else if (message.member() == QLatin1String("BindShortcuts")) {
            boundSession = qdbus_cast<QDBusObjectPath>(arguments.value(0)).path();
            shortcuts = qdbus_cast<QList<PortalShortcut>>(arguments.value(1));
            const QVariantMap options = qdbus_cast<QVariantMap>(arguments.value(3));
            answer(message, options.value("handle_token").toString(), bindResponse, {});
        } else if (message.member() == QLatin1String("Close")) {
            closed << message.path();
            connection.send(message.createReply());
        } else {
            return false;
        }
        return true;
    }

    // The user presses the combination bound as id.
    void activate(const QString& sessionHandle, const QString& id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(portalPath, shortcutsInterface, QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(sessionHandle)) << id << qulonglong(1234) << QVariantMap();
        bus_.send(signal);
    }

    QStringList calls;
    QString appId, session, boundSession;
    QList<PortalShortcut> shortcuts;
    QStringList closed;
    uint bindResponse = 0; // 1: the user declined

private:
    static QString pathFor(const QString& kind, QString sender, const QString& token)
    {
        sender.remove(0, 1).replace(QLatin1Char('.'), QLatin1Char('_'));
        return portalPath + QLatin1Char('/') + kind + QLatin1Char('/') + sender + QLatin1Char('/') + token;
    }

    // The reply names the request; its result follows as a signal there.
    void answer(const QDBusMessage& call, const QString& token, uint response, const QVariantMap& results)
    {
        const QString request = pathFor(QStringLiteral("request"), call.service(), token);
        bus_.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage signal = QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"),
                                                         QStringLiteral("Response"));
        signal << response << results;
        bus_.send(signal);
    }

    std::optional<uint> version_;
    QDBusConnection bus_{QString()};
};

void registerAll(HotKeys& keys)
{
    QVERIFY(keys.registerHotKey(Qt::Key_L, hotKeyControlOption, 1, QStringLiteral("Toggle awake mode")));
    QVERIFY(keys.registerHotKey(Qt::Key_F, hotKeyControlOption, 2, QStringLiteral("Toggle forced mode")));
    QVERIFY(keys.registerHotKey(Qt::Key_0, hotKeyControlOption, 3, QStringLiteral("Disable awake")));
}

} // namespace

class PortalHotKeysTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "needs a session bus of its own");
    }

    void bindsEveryCombinationInOneSessionAndRunsItsPresses()
    {
        StandInPortal portal(1);
        QVERIFY(portal.start());
        PortalHotKeys keys(QDBusConnection::sessionBus(), QStringLiteral("org.example.launcher"));
        std::vector<int> refused;
        keys.setLateRefusalHandler([&](const std::vector<int>& ids) { refused = ids; });
        registerAll(keys);
        QTRY_VERIFY(keys.isBound());
        QCOMPARE(portal.calls, (QStringList{"Register", "Get", "CreateSession", "BindShortcuts"}));
        QCOMPARE(portal.appId, QStringLiteral("org.example.launcher"));
        QCOMPARE(portal.boundSession, portal.session);
        QStringList bound;
        for (const PortalShortcut& shortcut : portal.shortcuts)
            bound << shortcut.id + " " + shortcut.properties.value("preferred_trigger").toString() + " "
                    + shortcut.properties.value("description").toString();
        QCOMPARE(bound, (QStringList{"hotkey-1 CTRL+ALT+l Toggle awake mode", "hotkey-2 CTRL+ALT+f Toggle forced mode",
                                     "hotkey-3 CTRL+ALT+0 Disable awake"}));
        QVERIFY(refused.empty());
        // Once bound, nothing more joins the session.
        QVERIFY(!keys.registerHotKey(Qt::Key_K, hotKeyControlOption, 4, {}));

        // Presses reach the handler from the event loop, only this session's
        // and only the ids bound.
        QList<int> pressed;
        keys.installHandler([&](int id) { pressed << id; });
        portal.activate(portal.session, QStringLiteral("hotkey-2"));
        portal.activate(portal.session + QStringLiteral("x"), QStringLiteral("hotkey-1"));
        portal.activate(portal.session, QStringLiteral("hotkey-9"));
        portal.activate(portal.session, QStringLiteral("hotkey-3"));
        QTRY_COMPARE(pressed, (QList<int>{2, 3}));
        keys.removeHandler();
        portal.activate(portal.session, QStringLiteral("hotkey-1"));
        QTest::qWait(200);

        keys.installHandler([&](int id) { pressed << id; });
        keys.unregisterAll();
        QTRY_COMPARE(portal.closed, QStringList{portal.session});
        portal.activate(portal.session, QStringLiteral("hotkey-1"));
        QTest::qWait(200);
        QCOMPARE(pressed, (QList<int>{2, 3}));
    }

    // Keys dropped and registered anew before the loop runs still get bound.
    void keysRegisteredAfterAnUnregisterAreBound()
    {
        StandInPortal portal(1);
        QVERIFY(portal.start());
        PortalHotKeys keys(QDBusConnection::sessionBus(), QString());
        QVERIFY(keys.registerHotKey(Qt::Key_L, hotKeyControlOption, 1, {}));
        keys.unregisterAll();
        QVERIFY(keys.registerHotKey(Qt::Key_F, hotKeyControlOption, 2, {}));
        QTRY_VERIFY(keys.isBound());
        QCOMPARE(portal.shortcuts.size(), 1);
        QCOMPARE(portal.shortcuts.constFirst().id, QStringLiteral("hotkey-2"));
    }

    void withoutGlobalShortcutsEveryKeyIsRefusedOnce_data()
    {
        // 0: no session bus at all; 1: a portal without the interface; 2: the user declines
        QTest::addColumn<int>("portalKind");
        QTest::newRow("no session bus") << 0;
        QTest::newRow("portal without global shortcuts") << 1;
        QTest::newRow("binding declined") << 2;
    }
    void withoutGlobalShortcutsEveryKeyIsRefusedOnce()
    {
        QFETCH(int, portalKind);
        std::unique_ptr<StandInPortal> portal;
        if (portalKind > 0) {
            portal = std::make_unique<StandInPortal>(portalKind == 1 ? std::nullopt : std::optional<uint>(1));
            portal->bindResponse = 1;
            QVERIFY(portal->start());
        }
        PortalHotKeys keys(portal ? QDBusConnection::sessionBus() : QDBusConnection(QStringLiteral("no such bus")));
        QList<std::vector<int>> refusals;
        keys.setLateRefusalHandler([&](const std::vector<int>& ids) { refusals << ids; });
        registerAll(keys);
        QTRY_COMPARE(refusals.size(), 1);
        QCOMPARE(refusals.constFirst(), (std::vector<int>{1, 2, 3}));
        QCOMPARE(keys.refusal(), HotKeyRefusal::notOffered);
        QVERIFY(!keys.isBound());
        QTest::qWait(200);
        QCOMPARE(refusals.size(), 1);
        if (portalKind == 2) // the session it opened is closed again
            QTRY_COMPARE(portal->closed, QStringList{portal->session});
    }
};

QTEST_MAIN(PortalHotKeysTest)
#include "tst_portalhotkeys_dbus.moc"
