#include "engine/StateStore.h"
#include "support/FakePlatform.h"

#ifndef __APPLE__
#include "platform/linux/LinuxAutostart.h"
#endif

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
        QVERIFY(!store.launchAtLoginInstalled());

        store.installLaunchAtLogin();
        QCOMPARE(fake.callsStartingWith(QStringLiteral("login.")),
                 QStringList{QStringLiteral("login.install /opt/launcher/bin/launcher")});
        QVERIFY(store.launchAtLoginInstalled());

        // Deleted by hand: off at once, without asking anything else.
        QVERIFY(QFile::remove(store.launchAgentPath));
        QVERIFY(!store.launchAtLoginInstalled());
        QCOMPARE(fake.callsStartingWith(QStringLiteral("login.")).size(), 1);
    }

    void uninstallWhenNothingIsInstalled()
    {
        FakePlatform fake;
        StateStore store(fake.platform());
        store.uninstallLaunchAtLogin();
        QCOMPARE(fake.callsStartingWith(QStringLiteral("login.")), QStringList{QStringLiteral("login.uninstall")});
        QVERIFY(!store.launchAtLoginInstalled());
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
        QCOMPARE(fake.callsStartingWith(QStringLiteral("login.install ")),
                 QStringList{QStringLiteral("login.install ") + expected});
        QVERIFY(store.launchAtLoginInstalled());
    }

#ifndef __APPLE__
    void storeWithTheRealAutostartEntry()
    {
        FakePlatform fake;
        fake.environment.executable = QStringLiteral("/home/ann/My Apps/launcher");
        LinuxAutostart autostart(fake.environment);
        Platform platform = fake.platform();
        Platform withAutostart{platform.clock,   platform.commands,     platform.keepAwake, platform.environment,
                               platform.screenEvents, platform.beep, platform.input,     platform.screens,
                               platform.applications, platform.power, platform.sound,    platform.hardware,
                               autostart};
        StateStore store(withAutostart);
        QCOMPARE(store.launchAgentPath, autostart.itemPath());

        store.installLaunchAtLogin();
        store.installLaunchAtLogin();
        QVERIFY(store.launchAtLoginInstalled());
        QFile entry(store.launchAgentPath);
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(entry.readAll().contains("\nExec=\"/home/ann/My Apps/launcher\"\n"));

        store.uninstallLaunchAtLogin();
        QVERIFY(!store.launchAtLoginInstalled());
        store.uninstallLaunchAtLogin();
        QVERIFY(!store.launchAtLoginInstalled());
    }
#endif
};

QTEST_GUILESS_MAIN(LaunchAtLoginTest)
#include "tst_launchatlogin.moc"
