#include "platform/LaunchAgentLabel.h"
#include "platform/linux/LinuxAutostart.h"
#include "support/FakePlatform.h"
#include "support/Files.h"

#include <QFileInfo>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class LinuxAutostartTest : public QObject {
    Q_OBJECT
private slots:
    void entryForAPathWithSpaces()
    {
        QCOMPARE(autostartDesktopEntry(QStringLiteral("/home/ann/My Apps/launcher")),
                 QStringLiteral("[Desktop Entry]\n"
                                "Type=Application\n"
                                "Name=launcher\n"
                                "Exec=\"/home/ann/My Apps/launcher\"\n"
                                "Terminal=false\n"
                                "X-GNOME-Autostart-enabled=true\n"));
    }

    // Inside the quotes ", `, $ and \ take a backslash; then the value is an
    // entry string, where each backslash is doubled and % is written %%.
    void awkwardPathsAreQuotedThenEscaped_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("shell characters need no escape")
            << "/opt/a&b;c|d>e<f~g*h?i#j(k)l'm" << "\"/opt/a&b;c|d>e<f~g*h?i#j(k)l'm\"";
        QTest::newRow("quote, backtick, dollar") << "/opt/\"q\"/`b`/$HOME" << R"("/opt/\\"q\\"/\\`b\\`/\\$HOME")";
        QTest::newRow("backslash") << "/opt/a\\b" << R"("/opt/a\\\\b")";
        QTest::newRow("percent and field codes") << "/opt/50%/%f/%%" << "\"/opt/50%%/%%f/%%%%\"";
        QTest::newRow("line breaks and tabs") << "/opt/a\nb\tc\rd" << R"("/opt/a\nb\tc\rd")";
        QTest::newRow("not ASCII") << "/home/李/应用/launcher" << "\"/home/李/应用/launcher\"";
    }

    void awkwardPathsAreQuotedThenEscaped()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(desktopExecValue(path), exec);
    }

    void entryLivesInTheConfiguredAutostartFolder()
    {
        FakePlatform fake;
        LinuxAutostart autostart(fake.environment);
        const QString file = QStringLiteral("/autostart/") + launchAgentLabel + QStringLiteral(".desktop");
        QCOMPARE(autostart.itemPath(), fake.homeDir.path() + QStringLiteral("/.config") + file);
        fake.environment.variables.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/etc/xdg-user"));
        QCOMPARE(autostart.itemPath(), QStringLiteral("/etc/xdg-user") + file);
        // A relative value does not count.
        fake.environment.variables.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("relative/config"));
        QCOMPARE(autostart.itemPath(), fake.homeDir.path() + QStringLiteral("/.config") + file);
    }

    void installTwiceThenUninstall()
    {
        FakePlatform fake;
        LinuxAutostart autostart(fake.environment);
        autostart.uninstall(); // nothing there: no harm
        QVERIFY(!QFileInfo::exists(autostart.itemPath()));

        for (const QString& program : {QStringLiteral("/usr/bin/launcher"), QStringLiteral("/opt/new place/launcher")}) {
            autostart.install(program);
            QCOMPARE(readFile(autostart.itemPath()), autostartDesktopEntry(program).toUtf8());
        }
        autostart.uninstall();
        QVERIFY(!QFileInfo::exists(autostart.itemPath()));
        QVERIFY(fake.commands.commands.isEmpty()); // no service manager involved
    }
};

QTEST_GUILESS_MAIN(LinuxAutostartTest)
#include "tst_linuxautostart.moc"
