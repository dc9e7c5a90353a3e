#include "app/SingleInstance.h"

#include "platform/PrivateSocket.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

namespace launcher {

namespace {

// A longer line is no request of ours; the connection is dropped.
constexpr qsizetype maximumLineLength = 4096;

// Socket paths are short on every system: name the socket by a digest of the
// support folder instead of the folder itself.
QString serverPathFor(const QString& supportDirectory, const QString& socketDirectory)
{
    if (socketDirectory.isEmpty())
        return {};
    const QByteArray digest = QCryptographicHash::hash(QFileInfo(supportDirectory).absoluteFilePath().toUtf8(),
                                                       QCryptographicHash::Sha256);
    return QDir(socketDirectory).filePath(QStringLiteral("launcher-") + QString::fromLatin1(digest.toHex().left(24)));
}

int remaining(const QDeadlineTimer& deadline)
{
    return int(std::max<qint64>(deadline.remainingTime(), 0));
}

} // namespace

SingleInstance::SingleInstance(const QString& supportDirectory, const QString& socketDirectory, QObject* parent)
    : QObject(parent),
      lockPath_(QDir(supportDirectory).filePath(QStringLiteral("launcher.lock"))),
      serverPath_(serverPathFor(supportDirectory, socketDirectory))
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::isPrimary() const
{
    return lock_ && lock_->isLocked();
}

bool SingleInstance::tryBecomePrimary()
{
    if (isPrimary())
        return true;
    QDir().mkpath(QFileInfo(lockPath_).absolutePath());
    auto lock = std::make_unique<QLockFile>(lockPath_);
    // The lock lives as long as the program: only a dead owner makes it stale.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    lock_ = std::move(lock);

    if (serverPath_.isEmpty()) {
        listenError_ = QStringLiteral("no folder of this user's own to put the socket in");
        return true;
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket of that name is a leftover of a crash.
    QLocalServer::removeServer(serverPath_);
    if (server_->listen(serverPath_)) {
        connect(server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
        listenError_.clear();
    } else {
        listenError_ = server_->errorString();
    }
    return true;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsSameUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequests(socket); });
        readRequests(socket);
    }
}

void SingleInstance::readRequests(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        QByteArray line = socket->readLine(maximumLineLength + 1);
        if (!line.endsWith('\n')) {
            hangUp(socket, QByteArrayLiteral("error request too long"));
            return;
        }
        line.chop(1);
        const QByteArray reply = answer(line);
        if (reply.startsWith("error")) {
            hangUp(socket, reply);
            return;
        }
        socket->write(reply + '\n');
    }
    if (socket->bytesAvailable() > maximumLineLength)
        hangUp(socket, QByteArrayLiteral("error request too long"));
}

void SingleInstance::hangUp(QLocalSocket* socket, const QByteArray& reply)
{
    // Whatever else comes on it is not read; the line is sent before it closes.
    QObject::disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    socket->write(reply + '\n');
    socket->disconnectFromServer();
}

QByteArray SingleInstance::answer(const QByteArray& request)
{
    if (request == "show") {
        // Answered first: opening the window may take longer than the asker waits.
        QMetaObject::invokeMethod(this, &SingleInstance::showRequested, Qt::QueuedConnection);
        return QByteArrayLiteral("ok");
    }
    if (handler_)
        return handler_(request);
    return QByteArrayLiteral("error unknown request");
}

std::optional<QByteArray> SingleInstance::request(const QByteArray& line, int timeoutMs)
{
    if (serverPath_.isEmpty())
        return std::nullopt;
    // The primary takes the lock a moment before it listens: retry until the deadline.
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(serverPath_);
        if (socket.waitForConnected(remaining(deadline))) {
            if (!peerIsSameUser(socket.socketDescriptor()))
                return std::nullopt; // not ours: say nothing to it
            socket.write(line + '\n');
            while (!socket.canReadLine() && socket.bytesAvailable() <= maximumLineLength)
                if (!socket.waitForReadyRead(remaining(deadline)))
                    return std::nullopt;
            QByteArray answer = socket.readLine(maximumLineLength + 1);
            if (!answer.endsWith('\n'))
                return std::nullopt;
            answer.chop(1);
            socket.disconnectFromServer();
            return answer;
        }
        if (deadline.hasExpired())
            return std::nullopt;
        QThread::msleep(50);
    }
}

bool SingleInstance::askPrimaryToShow(int timeoutMs)
{
    return request(QByteArrayLiteral("show"), timeoutMs) == QByteArrayLiteral("ok");
}

} // namespace launcher
