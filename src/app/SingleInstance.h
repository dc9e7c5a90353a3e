#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

namespace launcher {

// Keeps one running program per support folder. The first instance holds a
// lock file there and listens on a local socket; a later one finds the lock
// taken and asks the first, over that socket, to show itself.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& supportDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock and starts listening. False when another live instance
    // holds the lock; a lock left by a process that has ended is taken over.
    bool tryBecomePrimary();
    bool isPrimary() const;

    // From a later instance: asks the running one to show itself. False when
    // none could be reached within the time.
    bool askPrimaryToShow(int timeoutMs = 2000);

    QString lockFilePath() const { return lockPath_; }
    QString serverName() const { return serverName_; }

signals:
    void showRequested();

private:
    void acceptConnections();

    const QString lockPath_;
    const QString serverName_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

} // namespace launcher
