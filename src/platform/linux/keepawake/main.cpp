// launcher-keepawake: keeps the session awake for as long as it runs.
//
// Takes the flags of macOS's caffeinate: -d display, -i idle sleep, -m disk,
// -s system. It holds every inhibitor the session offers for them, stays
// alive until SIGTERM or SIGINT even when there is none, then releases them
// and exits 0. "--check" prints which inhibitors are available.
//
// Every inhibitor ends with the connection or descriptor that holds it, so
// leaving without releasing them is safe, only less tidy.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QFileInfo>
#include <QTextStream>

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>
#include <thread>
#include <unistd.h>

namespace {

const QString appName = QStringLiteral("launcher");
const QString reason = QStringLiteral("Keeping the computer awake on request");
// A bus that is there answers at once; one that does not must not stall the start.
constexpr int busTimeoutMs = 2000;

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
            case 's': flags.sleep = true; break;
            case 'm': break; // disk sleep has no lock of its own here; the sleep lock covers it
            default: return std::nullopt;
            }
        }
    }
    return flags;
}

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

    // Empty when the suspension is possible, otherwise why not.
    QString connect()
    {
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

    bool hold()
    {
        XScreenSaverSuspend(display_, True);
        XFlush(display_);
        suspended_ = true;
        return true;
    }

private:
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

    // Empty when the service is on the bus, otherwise why not.
    QString connect() const
    {
        if (!bus_ || !bus_->isConnected()) {
            const QString detail = bus_ ? bus_->lastError().message() : QString();
            return QStringLiteral("no %1 bus").arg(busName_) + (detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(detail));
        }
        auto question = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                       QStringLiteral("/org/freedesktop/DBus"),
                                                       QStringLiteral("org.freedesktop.DBus"),
                                                       QStringLiteral("NameHasOwner"));
        question << service_;
        const QDBusReply<bool> present = bus_->call(question, QDBus::Block, busTimeoutMs);
        if (!present.isValid())
            return present.error().message();
        if (!present.value())
            return QStringLiteral("no %1 on the %2 bus").arg(service_, busName_);
        return {};
    }

    QDBusMessage call(const QString& path, const QString& interface, const QString& method, const QVariantList& arguments) const
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

std::optional<QDBusConnection> sessionBus()
{
    const QString address = sessionBusAddress();
    if (address.isEmpty())
        return std::nullopt;
    return QDBusConnection::connectToBus(address, QStringLiteral("session"));
}

const QString screenSaverInterface = QStringLiteral("org.freedesktop.ScreenSaver");

// The desktop's own idle handling (screen blanking and locking).
class FreedesktopScreenSaver {
public:
    explicit FreedesktopScreenSaver(BusService service) : service_(std::move(service)) {}
    ~FreedesktopScreenSaver()
    {
        if (cookie_)
            service_.call(path_, screenSaverInterface, QStringLiteral("UnInhibit"), {*cookie_});
    }

    QString connect() const { return service_.connect(); }

    bool hold()
    {
        // Desktops differ in where they put the object.
        for (const QString& path : {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")}) {
            const QDBusReply<uint> reply = service_.call(path, screenSaverInterface, QStringLiteral("Inhibit"), {appName, reason});
            if (reply.isValid()) {
                cookie_ = reply.value();
                path_ = path;
                return true;
            }
        }
        return false;
    }

private:
    BusService service_;
    std::optional<uint> cookie_;
    QString path_;
};

// Logind's idle and sleep lock: held while we keep the descriptor it gives us.
class LogindLock {
public:
    explicit LogindLock(BusService service) : service_(std::move(service)) {}

    QString connect() const { return service_.connect(); }

    bool hold()
    {
        const QDBusReply<QDBusUnixFileDescriptor> reply =
            service_.call(QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
                          QStringLiteral("Inhibit"), {QStringLiteral("idle:sleep"), appName, reason, QStringLiteral("block")});
        if (reply.isValid())
            lock_ = reply.value();
        return lock_.isValid();
    }

private:
    BusService service_;
    QDBusUnixFileDescriptor lock_;
};

// Declared so that the X connection goes last: if the server has died, Xlib
// ends the process there, and the bus locks are already released.
struct Inhibitors {
    X11ScreenSaver x11;
    FreedesktopScreenSaver screenSaver{
        BusService(sessionBus(), QStringLiteral("session"), QStringLiteral("org.freedesktop.ScreenSaver"))};
    LogindLock logind{BusService(QDBusConnection::systemBus(), QStringLiteral("system"), QStringLiteral("org.freedesktop.login1"))};
};

QString availability(const QString& whyNot)
{
    return whyNot.isEmpty() ? QStringLiteral("available") : QStringLiteral("unavailable: ") + whyNot;
}

int printAvailability()
{
    Inhibitors inhibitors;
    QTextStream out(stdout);
    out << "x11-screensaver: " << availability(inhibitors.x11.connect()) << '\n';
    out << "freedesktop-screensaver: " << availability(inhibitors.screenSaver.connect()) << '\n';
    out << "logind: " << availability(inhibitors.logind.connect()) << '\n';
    return 0;
}

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

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool check = arguments == QStringList{QStringLiteral("--check")};
    const auto flags = check ? Flags{} : parseFlags(arguments);
    if (!flags) {
        std::fputs("usage: launcher-keepawake [-dims]... | --check\n", stderr);
        return 2;
    }

    QCoreApplication app(argc, argv);
    // Only reached when the server has gone, and its screen-saver suspension with it.
    XSetIOErrorHandler([](Display*) -> int { _exit(0); });
    std::thread(watchForStop, stopSignals).detach();
    if (check)
        return printAvailability();

    Inhibitors inhibitors;
    QStringList held;
    if (flags->display && inhibitors.x11.connect().isEmpty() && inhibitors.x11.hold())
        held << QStringLiteral("x11-screensaver");
    if (flags->display && inhibitors.screenSaver.connect().isEmpty() && inhibitors.screenSaver.hold())
        held << QStringLiteral("freedesktop-screensaver");
    if (flags->sleep && inhibitors.logind.connect().isEmpty() && inhibitors.logind.hold())
        held << QStringLiteral("logind");

    // The program that started us reads this line; a reader that has gone
    // away must not end us.
    std::signal(SIGPIPE, SIG_IGN);
    const QByteArray status = "holding: " + (held.isEmpty() ? QByteArray("none") : held.join(' ').toUtf8()) + '\n';
    std::fputs(status.constData(), stdout);
    std::fflush(stdout);
    if (held.isEmpty() && (flags->display || flags->sleep))
        std::fputs("launcher-keepawake: none of the locks asked for could be taken; the computer may still sleep\n",
                   stderr);

    phase = Phase::holding;
    app.exec();
    return 0; // the inhibitors are released on the way out
}
