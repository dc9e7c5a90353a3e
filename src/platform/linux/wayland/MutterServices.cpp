#include "platform/linux/wayland/MutterServices.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace launcher {

namespace {

const QString idleService = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString idlePath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString idleInterface = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString displayService = QStringLiteral("org.gnome.Mutter.DisplayConfig");
const QString displayPath = QStringLiteral("/org/gnome/Mutter/DisplayConfig");
const QString displayInterface = QStringLiteral("org.gnome.Mutter.DisplayConfig");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString powerSaveModeName = QStringLiteral("PowerSaveMode");

constexpr int powerOn = 0;
constexpr int powerOff = 3;

bool isRegistered(const QDBusConnection& bus, const QString& name)
{
    QDBusConnectionInterface* names = bus.interface();
    return names && names->isServiceRegistered(name).value();
}

std::optional<int> validMode(int mode)
{
    // -1: the outputs cannot say (no power saving there).
    return mode >= 0 ? std::optional<int>(mode) : std::nullopt;
}

} // namespace

std::unique_ptr<MutterServices> MutterServices::connect(const QDBusConnection& bus)
{
    if (!bus.isConnected())
        return nullptr;
    const bool idle = isRegistered(bus, idleService);
    const bool display = isRegistered(bus, displayService);
    if (!idle && !display)
        return nullptr;
    return std::unique_ptr<MutterServices>(new MutterServices(bus, idle, display));
}

MutterServices::MutterServices(const QDBusConnection& bus, bool hasIdleMonitor, bool hasDisplayConfig)
    : bus_(bus), hasIdleMonitor_(hasIdleMonitor)
{
    if (hasIdleMonitor_)
        bus_.connect(idleService, idlePath, idleInterface, QStringLiteral("WatchFired"), this, SLOT(watchFired(uint)));
    if (hasDisplayConfig) {
        bus_.connect(displayService, displayPath, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                     SLOT(displayConfigChanged(QString, QVariantMap, QStringList)));
        powerSaveMode_ = readPowerSaveMode();
    }
}

MutterServices::~MutterServices()
{
    watchIdle({});
}

std::optional<int> MutterServices::readPowerSaveMode() const
{
    QDBusMessage get = QDBusMessage::createMethodCall(displayService, displayPath, propertiesInterface,
                                                      QStringLiteral("Get"));
    get << displayInterface << powerSaveModeName;
    const QDBusMessage reply = bus_.call(get, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    bool ok = false;
    const int mode = reply.arguments().first().value<QDBusVariant>().variant().toInt(&ok);
    return ok ? validMode(mode) : std::nullopt;
}

void MutterServices::watchIdle(std::function<void()> onInput)
{
    const bool wasWatching = bool(onInput_);
    onInput_ = std::move(onInput);
    if (!hasIdleMonitor_)
        return;
    if (!onInput_) {
        removeWatch();
        return;
    }
    if (!wasWatching)
        addWatch();
}

void MutterServices::addWatch()
{
    const quint64 generation = ++generation_;
    QDBusMessage add = QDBusMessage::createMethodCall(idleService, idlePath, idleInterface,
                                                      QStringLiteral("AddUserActiveWatch"));
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(add), this);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<uint> reply = *call;
        if (reply.isError())
            return;
        if (generation != generation_ || !onInput_) {
            // Watching ended (or was re-armed) while this was on its way.
            QDBusMessage remove = QDBusMessage::createMethodCall(idleService, idlePath, idleInterface,
                                                                 QStringLiteral("RemoveWatch"));
            remove << reply.value();
            bus_.asyncCall(remove);
            return;
        }
        watchId_ = reply.value();
    });
}

void MutterServices::removeWatch()
{
    ++generation_;
    if (!watchId_)
        return;
    QDBusMessage remove = QDBusMessage::createMethodCall(idleService, idlePath, idleInterface,
                                                         QStringLiteral("RemoveWatch"));
    remove << *watchId_;
    watchId_.reset();
    bus_.asyncCall(remove);
}

// A user-active watch fires once; it is armed again for the next input.
void MutterServices::watchFired(uint id)
{
    if (!watchId_ || id != *watchId_)
        return;
    watchId_.reset();
    if (!onInput_)
        return;
    addWatch();
    // Last: the handler may stop the watching.
    onInput_();
}

void MutterServices::setOutputsPowered(bool on)
{
    if (!offersOutputPower())
        return;
    QDBusMessage set = QDBusMessage::createMethodCall(displayService, displayPath, propertiesInterface,
                                                      QStringLiteral("Set"));
    set << displayInterface << powerSaveModeName << QVariant::fromValue(QDBusVariant(on ? powerOn : powerOff));
    bus_.asyncCall(set);
}

std::optional<bool> MutterServices::outputsAsleep() const
{
    if (!powerSaveMode_)
        return std::nullopt;
    return *powerSaveMode_ != powerOn;
}

void MutterServices::displayConfigChanged(const QString& interfaceName, const QVariantMap& changed,
                                          const QStringList& invalidated)
{
    if (interfaceName != displayInterface)
        return;
    if (changed.contains(powerSaveModeName)) {
        bool ok = false;
        const int mode = changed.value(powerSaveModeName).toInt(&ok);
        if (ok)
            powerSaveMode_ = validMode(mode);
    } else if (invalidated.contains(powerSaveModeName)) {
        powerSaveMode_ = readPowerSaveMode();
    }
}

} // namespace launcher
