#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace launcher {

// Keeps one running program per support folder. The first instance holds a
// lock file there and listens on a local socket in a folder of the user's
// own; a later one finds the lock taken and talks to the first over that
// socket: one request per line, each answered by one line. Both ends hang
// up on a process of another user. A line that is too long, not text or not
// understood is answered by an error line, and the connection is closed.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // socketDirectory: where only this user can create files; empty when
    // there is no such folder, and then nobody listens or is asked.
    SingleInstance(const QString& supportDirectory, const QString& socketDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock and starts listening. False when another live instance
    // holds the lock; a lock left by a process that has ended is taken over.
    // Holding the lock without being able to listen still counts as primary:
    // listenError() then says why.
    bool tryBecomePrimary();
    bool isPrimary() const;
    QString listenError() const { return listenError_; }

    // From a later instance: sends one request line and returns the answer
    // line, both without their line feed. Absent when no instance of this
    // user answered within the time.
    std::optional<QByteArray> request(const QByteArray& line, int timeoutMs = 2000);
    // The running one shows itself.
    bool askPrimaryToShow(int timeoutMs = 2000);

    // Answers the lines other than "show" (one line, without its line feed).
    // An answer beginning "error" also closes the connection.
    void setRequestHandler(std::function<QByteArray(const QByteArray&)> handler) { handler_ = std::move(handler); }

    QString lockFilePath() const { return lockPath_; }
    QString serverPath() const { return serverPath_; }

signals:
    void showRequested();

private:
    void acceptConnections();
    void readRequests(QLocalSocket* socket);
    void hangUp(QLocalSocket* socket, const QByteArray& reply);
    QByteArray answer(const QByteArray& request);

    const QString lockPath_;
    const QString serverPath_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    QString listenError_;
    std::function<QByteArray(const QByteArray&)> handler_;
};

} // namespace launcher
