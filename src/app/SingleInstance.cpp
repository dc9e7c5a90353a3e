#include "app/SingleInstance.h"

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

const QByteArray showRequest = QByteArrayLiteral("show\n");

// Socket paths are short on every system: name the server by a digest of the
// (per-user) support folder instead of the folder itself.
QString serverNameFor(const QString& supportDirectory)
{
    const QByteArray digest = QCryptographicHash::hash(QFileInfo(supportDirectory).absoluteFilePath().toUtf8(),
                                                       QCryptographicHash::Sha256);
    return QStringLiteral("launcher-") + QString::fromLatin1(digest.toHex().left(24));
}

} // namespace

SingleInstance::SingleInstance(const QString& supportDirectory, QObject* parent)
    : QObject(parent),
      lockPath_(QDir(supportDirectory).filePath(QStringLiteral("launcher.lock"))),
      serverName_(serverNameFor(supportDirectory))
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

    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket of that name is a leftover of a crash.
    QLocalServer::removeServer(serverName_);
    if (server_->listen(serverName_))
        connect(server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto readRequests = [this, socket] {
            while (socket->canReadLine())
                if (socket->readLine() == showRequest)
                    emit showRequested();
        };
        connect(socket, &QLocalSocket::readyRead, this, readRequests);
        readRequests();
    }
}

bool SingleInstance::askPrimaryToShow(int timeoutMs)
{
    // The primary takes the lock a moment before it listens: retry until the deadline.
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(serverName_);
        if (socket.waitForConnected(int(std::max<qint64>(deadline.remainingTime(), 0)))) {
            socket.write(showRequest);
            // Already flushed counts as sent: waitForBytesWritten() is false with nothing left to write.
            const bool sent = socket.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 0))) ||
                              socket.bytesToWrite() == 0;
            socket.disconnectFromServer();
            return sent;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
}

} // namespace launcher
