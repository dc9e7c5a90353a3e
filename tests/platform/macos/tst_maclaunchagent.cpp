#include "platform/LaunchAgentLabel.h"
#include "platform/macos/MacHardware.h"
#include "platform/macos/MacLaunchAgent.h"
#include "support/FakePlatform.h"
#include "support/Files.h"

#include <QFileInfo>
#include <QXmlStreamReader>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class MacLaunchAgentTest : public QObject {
    Q_OBJECT
private slots:
    void propertyListTextForAPathWithAnAmpersand()
    {
        const QString path = QStringLiteral("/Applications/Tom & Jerry's \"R&D\" ]]> <1>.app/launcher");
        const QString text = launchAgentPropertyList(QStringLiteral("org.example.agent"), path);
        QCOMPARE(text, QStringLiteral(
                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                           "<plist version=\"1.0\">\n"
                           "<dict>\n"
                           "  <key>Label</key><string>org.example.agent</string>\n"
                           "  <key>ProgramArguments</key>\n"
                           "  <array>\n"
                           "    <string>/Applications/Tom &amp; Jerry's \"R&amp;D\" ]]&gt; &lt;1&gt;.app/launcher"
                           "</string>\n"
                           "  </array>\n"
                           "  <key>RunAtLoad</key><true/>\n"
                           "  <key>KeepAlive</key><false/>\n"
                           "  <key>ProcessType</key><string>Interactive</string>\n"
                           "</dict>\n"
                           "</plist>"));

        // And an XML reader gets the path back.
        QXmlStreamReader xml(text);
        QStringList strings;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("string"))
                strings << xml.readElementText();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(strings, (QStringList{QStringLiteral("org.example.agent"), path, QStringLiteral("Interactive")}));
    }

    void installTwiceThenUninstall()
    {
        FakePlatform fake;
        fake.environment.uid = 2042;
        MacLaunchAgent agent(fake.environment, fake.commands);
        const QString plist = fake.homeDir.path() + QStringLiteral("/Library/LaunchAgents/") + launchAgentLabel
            + QStringLiteral(".plist");
        QCOMPARE(agent.itemPath(), plist);
        const QString bootout = QStringLiteral("/bin/launchctl bootout gui/2042 ") + plist;
        const QString bootstrap = QStringLiteral("/bin/launchctl bootstrap gui/2042 ") + plist;
        agent.uninstall(); // nothing installed: only the bootout
        QCOMPARE(fake.commands.commands, QStringList{bootout});

        // Each install rewrites the file and reloads the agent.
        for (const QString& program : {QStringLiteral("/Applications/a.app/a"), QStringLiteral("/opt/b")}) {
            agent.install(program);
            QCOMPARE(readFile(plist), launchAgentPropertyList(launchAgentLabel, program).toUtf8());
        }
        agent.uninstall();
        QVERIFY(!QFileInfo::exists(plist));
        QCOMPARE(fake.commands.commands, (QStringList{bootout, bootout, bootstrap, bootout, bootstrap, bootout}));
    }

    void unwritableFolderLeavesNothingInstalled()
    {
        FakePlatform fake;
        writeFile(fake.homeDir.path() + QStringLiteral("/Library"), "a file where the folder should be");
        MacLaunchAgent agent(fake.environment, fake.commands);
        agent.install(QStringLiteral("/x/launcher"));
        QVERIFY(!QFileInfo::exists(agent.itemPath()));
        QCOMPARE(fake.commands.commands.size(), 2);
    }

    void hardwareOverviewComesFromTheSystemProfiler()
    {
        FakePlatform fake;
        const QString command = QStringLiteral("/usr/sbin/system_profiler SPHardwareDataType");
        const QString overview = QStringLiteral("Model Name: Mac mini\n");
        fake.commands.answers.insert(command, overview);
        QCOMPARE(MacHardware(fake.commands).hardwareOverview(), std::optional(overview));
        QCOMPARE(fake.commands.commands, QStringList{command});
    }
};

QTEST_GUILESS_MAIN(MacLaunchAgentTest)
#include "tst_maclaunchagent.moc"
