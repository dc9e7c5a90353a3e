#include "engine/StateStore.h"
#include "support/FakePlatform.h"

#include <QFile>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class LaunchAtLoginTest : public QObject {
    Q_OBJECT
private slots:
    void installedIsThePresenceOfTheFile()
    {
        FakePlatform fake;
        StateStore store(fake.platform());
        QCOMPARE(store.launchAgentPath, fake.loginItem.path);
        store.uninstallLaunchAtLogin(); // nothing installed: no harm
        QVERIFY(!store.launchAtLoginInstalled());

        store.installLaunchAtLogin();
        QVERIFY(store.launchAtLoginInstalled());
        QCOMPARE(fake.callsStartingWith(QStringLiteral("login.")),
                 (QStringList{QStringLiteral("login.uninstall"),
                              QStringLiteral("login.install /opt/launcher/bin/launcher")}));

        // Deleted by hand: off at once, without asking anything else.
        QVERIFY(QFile::remove(store.launchAgentPath));
        QVERIFY(!store.launchAtLoginInstalled());
        QCOMPARE(fake.callsStartingWith(QStringLiteral("login.")).size(), 2);
    }

    void unknownExecutableUsesTheFallback()
    {
        FakePlatform fake;
        fake.environment.executable.clear();
        StateStore store(fake.platform());
        store.installLaunchAtLogin();
#ifdef __APPLE__
        const QString expected = QStringLiteral("/Applications/launcher.app/Contents/MacOS/launcher");
#else
        const QString expected = QStringLiteral("launcher"); // found through PATH by the session
#endif
        QCOMPARE(fake.callsStartingWith(QStringLiteral("login.")),
                 QStringList{QStringLiteral("login.install ") + expected});
    }
};

QTEST_GUILESS_MAIN(LaunchAtLoginTest)
#include "tst_launchatlogin.moc"
