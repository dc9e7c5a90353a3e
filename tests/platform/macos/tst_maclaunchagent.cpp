#include "platform/LaunchAgentLabel.h"
#include "platform/macos/MacHardware.h"
#include "platform/macos/MacLaunchAgent.h"
#include "support/FakePlatform.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

QString fileText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// The string values of a property list, in document order.
QStringList plistStrings(const QString& text, bool* wellFormed)
{
    QXmlStreamReader xml(text);
    QStringList strings;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("string"))
            strings << xml.readElementText();
    }
    *wellFormed = !xml.hasError();
    return strings;
}

} // namespace

class MacLaunchAgentTest : public QObject {
    Q_OBJECT
private slots:
    void propertyListTextForAPathWithAnAmpersand()
    {
        const QString text = launchAgentPropertyList(QStringLiteral("org.example.agent"),
                                                     QStringLiteral("/Applications/Tom & Jerry <1>.app/launcher"));
        QCOMPARE(text, QStringLiteral(
                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                           "<plist version=\"1.0\">\n"
                           "<dict>\n"
                           "  <key>Label</key><string>org.example.agent</string>\n"
                           "  <key>ProgramArguments</key>\n"
                           "  <array>\n"
                           "    <string>/Applications/Tom &amp; Jerry &lt;1&gt;.app/launcher</string>\n"
                           "  </array>\n"
                           "  <key>RunAtLoad</key><true/>\n"
                           "  <key>KeepAlive</key><false/>\n"
                           "  <key>ProcessType</key><string>Interactive</string>\n"
                           "</dict>\n"
                           "</plist>"));
    }

    void propertyListStaysWellFormedForAwkwardPaths()
    {
        const QString path = QStringLiteral("/Users/a\"b'c/R&D ]]> <x>/launcher");
        bool wellFormed = false;
        const QStringList strings = plistStrings(launchAgentPropertyList(launchAgentLabel, path), &wellFormed);
        QVERIFY(wellFormed);
        QCOMPARE(strings, (QStringList{launchAgentLabel, path, QStringLiteral("Interactive")}));
    }

    void installWritesTheAgentAndReloadsIt()
    {
        FakePlatform fake;
        MacLaunchAgent agent(fake.environment, fake.commands);
        const QString plist = fake.homeDir.path() + QStringLiteral("/Library/LaunchAgents/") + launchAgentLabel
            + QStringLiteral(".plist");
        QCOMPARE(agent.itemPath(), plist);

        agent.install(QStringLiteral("/Applications/launcher.app/Contents/MacOS/launcher"));
        QCOMPARE(fileText(plist),
                 launchAgentPropertyList(launchAgentLabel, QStringLiteral("/Applications/launcher.app/Contents/MacOS/launcher")));
        QCOMPARE(fake.commands.commands, (QStringList{QStringLiteral("/bin/launchctl bootout gui/501 ") + plist,
                                                      QStringLiteral("/bin/launchctl bootstrap gui/501 ") + plist}));

        // Twice: the file is rewritten and the agent reloaded again.
        agent.install(QStringLiteral("/opt/other/launcher"));
        QVERIFY(fileText(plist).contains(QStringLiteral("<string>/opt/other/launcher</string>")));
        QCOMPARE(fake.commands.commands.size(), 4);
        QCOMPARE(fake.commands.commands.mid(2), fake.commands.commands.mid(0, 2));
    }

    void uninstallUnloadsAndRemoves()
    {
        FakePlatform fake;
        fake.environment.uid = 2042;
        MacLaunchAgent agent(fake.environment, fake.commands);
        agent.uninstall(); // nothing installed: only the bootout
        QCOMPARE(fake.commands.commands, QStringList{QStringLiteral("/bin/launchctl bootout gui/2042 ") + agent.itemPath()});
        QVERIFY(!QFileInfo::exists(agent.itemPath()));

        agent.install(QStringLiteral("/x/launcher"));
        QVERIFY(QFileInfo::exists(agent.itemPath()));
        agent.uninstall();
        QVERIFY(!QFileInfo::exists(agent.itemPath()));
        QCOMPARE(fake.commands.commands.last(), QStringLiteral("/bin/launchctl bootout gui/2042 ") + agent.itemPath());
    }

    void unwritableFolderLeavesNothingInstalled()
    {
        FakePlatform fake;
        QFile blocker(fake.homeDir.path() + QStringLiteral("/Library"));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
        blocker.close();
        MacLaunchAgent agent(fake.environment, fake.commands);
        agent.install(QStringLiteral("/x/launcher"));
        QVERIFY(!QFileInfo::exists(agent.itemPath()));
        QCOMPARE(fake.commands.commands.size(), 2);
    }

    void hardwareOverviewComesFromTheSystemProfiler()
    {
        FakePlatform fake;
        fake.commands.answers.insert(QStringLiteral("/usr/sbin/system_profiler SPHardwareDataType"),
                                     QStringLiteral("Hardware:\n      Model Name: Mac mini\n"));
        MacHardware hardware(fake.commands);
        QCOMPARE(hardware.hardwareOverview(), std::optional<QString>(QStringLiteral("Hardware:\n      Model Name: Mac mini\n")));
        QCOMPARE(fake.commands.commands, QStringList{QStringLiteral("/usr/sbin/system_profiler SPHardwareDataType")});
    }
};

QTEST_GUILESS_MAIN(MacLaunchAgentTest)
#include "tst_maclaunchagent.moc"
