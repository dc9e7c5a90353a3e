// launcher-keepawake: keeps the session awake for as long as it runs.
//
// Takes the flags of macOS's caffeinate: -d keeps the display on; -i, -s and
// -m keep the system from sleeping. For each of the two it holds every lock
// the session offers, since desktops differ in which one they obey. It stays
// alive until SIGTERM or SIGINT even when it holds nothing, then releases
// them and exits 0. "--check" tries every lock once and says which work.
//
// Its first line says what it holds:
//   holding: sleep=gnome-session,logind display=screensaver,x11-screensaver
// with "none" for a list that is empty, and " refused=a,b" appended when a
// service was there but said no (that tells the reader which desktop it is).
//
// Every lock ends with the connection or descriptor that holds it, so
// leaving without releasing them is safe, only less tidy.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QFileInfo>
#include <QTextStream>

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>
#include <thread>
#include <unistd.h>

namespace {

const QString appName = QStringLiteral("launcher");
const QString reason = QStringLiteral("Keeping the computer awake on request");
// A service that is there answers at once; one that does not must not stall the start.
constexpr int busTimeoutMs = 1500;

struct Flags {
    bool display = false;
    bool sleep = false;
};

std::optional<Flags> parseFlags(const QStringList& arguments)
{
    Flags flags;
    // Like caffeinate, no flag at all means idle sleep.
    flags.sleep = arguments.isEmpty();
    for (const QString& argument : arguments) {
        if (argument.size() < 2 || !argument.startsWith(QLatin1Char('-')))
            return std::nullopt;
        for (QChar flag : argument.mid(1)) {
            switch (flag.unicode()) {
            case 'd': flags.display = true; break;
            case 'i':
            case 's':
            case 'm': flags.sleep = true; break; // a disk only stops when the system sleeps
            default: return std::nullopt;
            }
        }
    }
    return flags;
}

// What came of asking for one lock.
struct Outcome {
    enum Kind { held, absent, refused } kind = absent;
    QString why;                   // for absent and refused
    std::function<void()> release; // for held
};

Outcome absentBecause(QString why) { return {Outcome::absent, std::move(why), {}}; }

// The X server's screen saver held off while our connection lasts.
class X11ScreenSaver {
public:
    ~X11ScreenSaver()
    {
        if (!display_)
            return;
        if (suspended_)
            XScreenSaverSuspend(display_, False);
        XCloseDisplay(display_);
    }

    Outcome take()
    {
        const QString whyNot = connect();
        if (!whyNot.isEmpty())
            return absentBecause(whyNot);
        XScreenSaverSuspend(display_, True);
        XFlush(display_);
        suspended_ = true;
        // Undone by the destructor, after every bus lock has gone.
        return {Outcome::held, {}, [] {}};
    }

private:
    QString connect()
    {
        if (display_)
            return {};
        const QByteArray name = qgetenv("DISPLAY");
        if (name.isEmpty())
            return QStringLiteral("DISPLAY is not set");
        display_ = XOpenDisplay(name.constData());
        if (!display_)
            return QStringLiteral("cannot open display %1").arg(QString::fromLocal8Bit(name));
        int event = 0, error = 0, major = 0, minor = 0;
        if (!XScreenSaverQueryExtension(display_, &event, &error) || !XScreenSaverQueryVersion(display_, &major, &minor))
            return QStringLiteral("the X server has no MIT-SCREEN-SAVER extension");
        if (major < 1 || (major == 1 && minor < 1))
            return QStringLiteral("MIT-SCREEN-SAVER %1.%2 cannot suspend").arg(major).arg(minor);
        return {};
    }

    Display* display_ = nullptr;
    bool suspended_ = false;
};

// Libdbus would start a session bus of its own when none is given; we only
// use one that exists.
QString sessionBusAddress()
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return address;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus")))
        return QStringLiteral("unix:path=") + runtime + QStringLiteral("/bus");
    return {};
}

// One well-known service on one bus.
class BusService {
public:
    BusService(std::optional<QDBusConnection> bus, QString busName, QString service)
        : bus_(std::move(bus)), busName_(std::move(busName)), service_(std::move(service))
    {
    }

    // Sends one call; a service that is not on the bus comes back as absent,
    // any other failure as refused. On success, reply holds the answer.
    Outcome call(const QString& path, const QString& interface, const QString& method, const QVariantList& arguments,
                 QDBusMessage& reply) const
    {
        if (!bus_ || !bus_->isConnected()) {
            const QString detail = bus_ ? bus_->lastError().message() : QString();
            return absentBecause(QStringLiteral("no %1 bus").arg(busName_)
                                 + (detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(detail)));
        }
        reply = send(path, interface, method, arguments);
        if (reply.type() != QDBusMessage::ErrorMessage)
            return {Outcome::held, {}, {}};
        const QString error = reply.errorName();
        if (error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
            || error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
            return absentBecause(QStringLiteral("no %1 on the %2 bus").arg(service_, busName_));
        return {Outcome::refused, reply.errorMessage().isEmpty() ? error : reply.errorMessage(), {}};
    }

    QDBusMessage send(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments) const
    {
        auto message = QDBusMessage::createMethodCall(service_, path, interface, method);
        message.setArguments(arguments);
        return bus_->call(message, QDBus::Block, busTimeoutMs);
    }

private:
    std::optional<QDBusConnection> bus_;
    QString busName_;
    QString service_;
};

// Inhibit hands out a number; the lock lasts until it is handed back.
Outcome takeCookie(const BusService& service, const QStringList& paths, const QString& interface,
                   const QString& inhibit, const QString& release, const QVariantList& arguments)
{
    Outcome outcome;
    for (const QString& path : paths) {
        QDBusMessage reply;
        outcome = service.call(path, interface, inhibit, arguments, reply);
        if (outcome.kind == Outcome::held) {
            const QVariant cookie = reply.arguments().value(0);
            outcome.release = [service, path, interface, release, cookie] {
                service.send(path, interface, release, {cookie});
            };
            return outcome;
        }
        // Desktops differ in where they put the object; try the next place.
        if (outcome.kind == Outcome::absent
            || reply.errorName() != QLatin1String("org.freedesktop.DBus.Error.UnknownObject"))
            return outcome;
    }
    return outcome;
}

// The flags of org.gnome.SessionManager.Inhibit and of the portal.
constexpr uint suspendFlag = 4;
constexpr uint idleFlag = 8;

Outcome takeGnomeSession(const BusService& service, uint flag)
{
    return takeCookie(service, {QStringLiteral("/org/gnome/SessionManager")}, QStringLiteral("org.gnome.SessionManager"),
                      QStringLiteral("Inhibit"), QStringLiteral("Uninhibit"),
                      {appName, uint(0), reason, flag}); // no toplevel window
}

// Through the portal the lock lasts until its request object is closed.
Outcome takePortal(const BusService& service, uint flag)
{
    QDBusMessage reply;
    Outcome outcome = service.call(QStringLiteral("/org/freedesktop/portal/desktop"),
                                   QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"),
                                   {QString(), flag, QVariantMap{{QStringLiteral("reason"), reason}}}, reply);
    if (outcome.kind != Outcome::held)
        return outcome;
    const QString handle = qvariant_cast<QDBusObjectPath>(reply.arguments().value(0)).path();
    outcome.release = [service, handle] {
        service.send(handle, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close"), {});
    };
    return outcome;
}

// Logind's sleep lock, held while we keep the descriptor it gives us. Not
// "idle": some desktops read an idle lock as "keep the screen on".
Outcome takeLogind(const BusService& service)
{
    QDBusMessage reply;
    Outcome outcome = service.call(QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
                                   QStringLiteral("Inhibit"),
                                   {QStringLiteral("sleep"), appName, reason, QStringLiteral("block")}, reply);
    if (outcome.kind != Outcome::held)
        return outcome;
    auto lock = std::make_shared<QDBusUnixFileDescriptor>(qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().value(0)));
    if (!lock->isValid())
        return {Outcome::refused, QStringLiteral("no lock in the answer"), {}};
    outcome.release = [lock] { *lock = QDBusUnixFileDescriptor(); };
    return outcome;
}

enum class Fact { sleep, display };

// One way of holding one fact.
struct Method {
    QString name;
    Fact fact;
    std::function<Outcome()> take;
    bool portal = false; // taken only when sandboxed or nothing else holds the fact
};

// Every lock this session could offer, in the order they are tried. The X
// connection is declared first, so it goes last: if the server has died,
// Xlib ends the process there, and the bus locks are already released.
class Session {
public:
    Session()
    {
        const QString address = sessionBusAddress();
        std::optional<QDBusConnection> session;
        if (!address.isEmpty())
            session = QDBusConnection::connectToBus(address, QStringLiteral("session"));
        const auto onSession = [&](const char* service) {
            return BusService(session, QStringLiteral("session"), QString::fromLatin1(service));
        };
        const BusService gnome = onSession("org.gnome.SessionManager");
        const BusService portal = onSession("org.freedesktop.portal.Desktop");
        const BusService power = onSession("org.freedesktop.PowerManagement");
        const BusService saver = onSession("org.freedesktop.ScreenSaver");
        const BusService logind(QDBusConnection::systemBus(), QStringLiteral("system"),
                                QStringLiteral("org.freedesktop.login1"));

        methods_ = {
            {QStringLiteral("gnome-session"), Fact::sleep, [=] { return takeGnomeSession(gnome, suspendFlag); }},
            {QStringLiteral("power-management"), Fact::sleep,
             [=] {
                 const QString path = QStringLiteral("/org/freedesktop/PowerManagement/Inhibit");
                 return takeCookie(power, {path}, QStringLiteral("org.freedesktop.PowerManagement.Inhibit"),
                                   QStringLiteral("Inhibit"), QStringLiteral("UnInhibit"), {appName, reason});
             }},
            {QStringLiteral("logind"), Fact::sleep, [=] { return takeLogind(logind); }},
            {QStringLiteral("portal"), Fact::sleep, [=] { return takePortal(portal, suspendFlag); }, true},
            {QStringLiteral("screensaver"), Fact::display,
             [=] {
                 return takeCookie(saver, {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")},
                                   QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("Inhibit"),
                                   QStringLiteral("UnInhibit"), {appName, reason});
             }},
            {QStringLiteral("gnome-session"), Fact::display, [=] { return takeGnomeSession(gnome, idleFlag); }},
            {QStringLiteral("x11-screensaver"), Fact::display, [this] { return x11_.take(); }},
            {QStringLiteral("portal"), Fact::display, [=] { return takePortal(portal, idleFlag); }, true},
        };
    }

    ~Session()
    {
        for (auto release = releases_.rbegin(); release != releases_.rend(); ++release)
            (*release)();
    }

    // Takes every lock the flags ask for; returns the status line.
    QByteArray hold(Flags flags, bool sandboxed)
    {
        QStringList held[2];
        QStringList refused;
        for (const Method& method : methods_) {
            const int fact = int(method.fact);
            if (!(method.fact == Fact::sleep ? flags.sleep : flags.display))
                continue;
            if (method.portal && !sandboxed && !held[fact].isEmpty())
                continue;
            Outcome outcome = method.take();
            if (outcome.kind == Outcome::held) {
                held[fact] << method.name;
                releases_.push_back(std::move(outcome.release));
            } else if (outcome.kind == Outcome::refused && !refused.contains(method.name)) {
                refused << method.name;
            }
        }
        const auto list = [](const QStringList& names) {
            return names.isEmpty() ? QStringLiteral("none") : names.join(QLatin1Char(','));
        };
        QString line = QStringLiteral("holding: sleep=%1 display=%2").arg(list(held[0]), list(held[1]));
        if (!refused.isEmpty())
            line += QStringLiteral(" refused=") + refused.join(QLatin1Char(','));
        return line.toUtf8() + '\n';
    }

    // Tries each lock once and lets it go again.
    QByteArray check(bool sandboxed)
    {
        QByteArray report;
        QTextStream out(&report);
        for (const Method& method : methods_) {
            out << (method.fact == Fact::sleep ? "sleep " : "display ") << method.name << ": ";
            const Outcome outcome = method.take();
            if (outcome.kind == Outcome::held) {
                outcome.release();
                out << "available";
                if (method.portal && !sandboxed)
                    out << " (taken only when nothing else holds)";
            } else {
                out << (outcome.kind == Outcome::absent ? "unavailable: " : "refused: ") << outcome.why;
            }
            out << '\n';
        }
        out.flush();
        return report;
    }

private:
    X11ScreenSaver x11_;
    std::vector<Method> methods_;
    std::vector<std::function<void()>> releases_;
};

enum class Phase { starting, holding, releasing };
std::atomic<Phase> phase{Phase::starting};

// Takes the stop signals, blocked everywhere else. While the locks are held,
// a stop lets main() release them in order. Before that (a bus that never
// answers can block a connection for good) and while releasing, a stop
// leaves at once.
void watchForStop(sigset_t stopSignals)
{
    for (;;) {
        int signal = 0;
        if (sigwait(&stopSignals, &signal) != 0)
            continue;
        Phase expected = Phase::holding;
        if (!phase.compare_exchange_strong(expected, Phase::releasing))
            _exit(0);
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Blocked before any thread starts, so only the watcher sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // Our output goes to whoever started us; one that has stopped reading
    // must not end us.
    std::signal(SIGPIPE, SIG_IGN);

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool checkOnly = arguments == QStringList{QStringLiteral("--check")};
    const auto flags = checkOnly ? Flags{} : parseFlags(arguments);
    if (!flags) {
        std::fputs("usage: launcher-keepawake [-dims]... | --check\n", stderr);
        return 2;
    }

    QCoreApplication app(argc, argv);
    // Only reached when the server has gone, and its screen-saver suspension with it.
    XSetIOErrorHandler([](Display*) -> int { _exit(0); });
    std::thread(watchForStop, stopSignals).detach();

    // Inside a sandbox the desktop's own services may be out of reach or
    // answer for the sandbox only; the portal speaks for us outside it.
    // The marker's place can be moved for tests only.
    const QString marker = qEnvironmentVariable("LAUNCHER_KEEPAWAKE_SANDBOX_MARKER", QStringLiteral("/.flatpak-info"));
    const bool sandboxed = QFileInfo::exists(marker);
    Session session;
    if (checkOnly) {
        const QByteArray report = session.check(sandboxed);
        std::fwrite(report.constData(), 1, size_t(report.size()), stdout);
        return 0;
    }

    const QByteArray status = session.hold(*flags, sandboxed);
    std::fwrite(status.constData(), 1, size_t(status.size()), stdout);
    std::fflush(stdout);

    phase = Phase::holding;
    app.exec();
    return 0; // the locks are released on the way out
}
