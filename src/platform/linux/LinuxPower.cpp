#include "platform/linux/LinuxPower.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>

namespace launcher {

namespace {

QString attribute(const QString& folder, const char* name)
{
    QFile file(folder + QLatin1Char('/') + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(4096)).trimmed();
}

std::optional<int> integerAttribute(const QString& folder, const char* name)
{
    bool ok = false;
    const int value = attribute(folder, name).toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

// Chargers show up as mains or as one of the USB kinds, depending on the driver.
bool isExternalSupply(const QString& type)
{
    return type == QLatin1String("Mains") || type.startsWith(QLatin1String("USB")) || type == QLatin1String("Wireless");
}

} // namespace

LinuxPower::LinuxPower(QString powerSupplyRoot) : root_(std::move(powerSupplyRoot)) {}

PowerSnapshot LinuxPower::currentPowerSnapshot()
{
    bool externalOnline = false;
    bool discharging = false;
    bool charging = false;
    PowerSnapshot snapshot;

    const QStringList names = QDir(root_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QString folder = root_ + QLatin1Char('/') + name;
        const QString type = attribute(folder, "type");
        if (isExternalSupply(type)) {
            const bool online = integerAttribute(folder, "online") == 1;
            externalOnline = externalOnline || online;
        } else if (type == QLatin1String("Battery")) {
            // Mice, keyboards and phones report their batteries here too.
            if (attribute(folder, "scope") == QLatin1String("Device"))
                continue;
            const QString status = attribute(folder, "status");
            const std::optional<int> capacity = integerAttribute(folder, "capacity");
            discharging = discharging || status == QLatin1String("Discharging");
            charging = charging || status == QLatin1String("Charging") || status == QLatin1String("Full")
                || status == QLatin1String("Not charging");
            if (!snapshot.batteryPercent)
                snapshot.batteryPercent = capacity;
        }
    }

    if (externalOnline)
        snapshot.source = PowerSourceKind::ac;
    else if (discharging)
        snapshot.source = PowerSourceKind::battery;
    else if (charging)
        snapshot.source = PowerSourceKind::ac; // a charging or full battery has a charger behind it
    return snapshot;
}

bool inhibitorsShowVideo(const std::vector<Inhibitor>& inhibitors)
{
    static const QStringList playerWords{
        QStringLiteral("vlc"),   QStringLiteral("mpv"),      QStringLiteral("totem"),
        QStringLiteral("video"), QStringLiteral("playback"), QStringLiteral("movie"),
    };
    for (const Inhibitor& lock : inhibitors) {
        if (!lock.what.split(QLatin1Char(':')).contains(QLatin1String("idle")))
            continue;
        const QString text = (lock.who + QLatin1Char(' ') + lock.why).toLower();
        for (const QString& word : playerWords)
            if (text.contains(word))
                return true;
    }
    return false;
}

bool LinuxPower::isVideoPlaying()
{
    const QString service = QStringLiteral("org.freedesktop.login1");
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    // Asking first keeps the bus from trying to start logind where it is missing.
    const QDBusReply<bool> registered = bus.interface()->isServiceRegistered(service);
    if (!registered.isValid() || !registered.value())
        return false;

    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/login1"),
                                                       QStringLiteral("org.freedesktop.login1.Manager"),
                                                       QStringLiteral("ListInhibitors"));
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()
        || reply.signature() != QLatin1String("a(ssssuu)"))
        return false;

    std::vector<Inhibitor> inhibitors;
    const QDBusArgument list = reply.arguments().constFirst().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString what, who, why, mode;
        uint uid = 0, pid = 0;
        list.beginStructure();
        list >> what >> who >> why >> mode >> uid >> pid;
        list.endStructure();
        inhibitors.push_back({what, who, why});
    }
    list.endArray();
    return inhibitorsShowVideo(inhibitors);
}

} // namespace launcher
