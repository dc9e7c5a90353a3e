#include "platform/LaunchAgentLabel.h"
#include "platform/linux/LinuxAutostart.h"
#include "support/FakePlatform.h"

#include <QFile>
#include <QFileInfo>
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

// Reads an Exec= value back the way a session does: string escapes first,
// then the quoting of the one argument, then field codes. Absent when the
// value is not one well-formed quoted argument.
std::optional<QString> programOfExec(const QString& value)
{
    QString unescaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\')) {
            unescaped += value[i];
            continue;
        }
        if (++i == value.size())
            return std::nullopt;
        switch (value[i].unicode()) {
        case 's': unescaped += QLatin1Char(' '); break;
        case 'n': unescaped += QLatin1Char('\n'); break;
        case 't': unescaped += QLatin1Char('\t'); break;
        case 'r': unescaped += QLatin1Char('\r'); break;
        case '\\': unescaped += QLatin1Char('\\'); break;
        default: return std::nullopt;
        }
    }
    if (unescaped.size() < 2 || !unescaped.startsWith(QLatin1Char('"')) || !unescaped.endsWith(QLatin1Char('"')))
        return std::nullopt;
    QString argument;
    const QString quotedSpecials = QStringLiteral("\"`$\\");
    for (qsizetype i = 1; i < unescaped.size() - 1; ++i) {
        const QChar c = unescaped[i];
        if (c == QLatin1Char('\\')) {
            if (++i == unescaped.size() - 1 || !quotedSpecials.contains(unescaped[i]))
                return std::nullopt;
            argument += unescaped[i];
        } else if (quotedSpecials.contains(c)) {
            return std::nullopt; // must have been escaped
        } else {
            argument += c;
        }
    }
    QString program;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (argument[i] == QLatin1Char('%') && (++i == argument.size() || argument[i] != QLatin1Char('%')))
            return std::nullopt; // a field code such as %f
        program += argument[i];
    }
    return program;
}

} // namespace

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

    void backslashIsEscapedOnceForQuotingAndOnceForTheString()
    {
        QCOMPARE(desktopExecValue(QStringLiteral("/opt/a\\b")), QStringLiteral("\"/opt/a\\\\\\\\b\""));
        QCOMPARE(desktopExecValue(QStringLiteral("/opt/\"x\"")), QStringLiteral("\"/opt/\\\\\"x\\\\\"\""));
        QCOMPARE(desktopExecValue(QStringLiteral("/opt/100%")), QStringLiteral("\"/opt/100%%\""));
    }

    void awkwardPathsReadBackUnchanged_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("spaces") << "/home/ann/My Apps/launcher";
        QTest::newRow("shell characters") << "/opt/a&b;c|d>e<f~g*h?i#j(k)l'm";
        QTest::newRow("quote, backtick, dollar, backslash") << "/opt/\"q\"/`b`/$HOME/\\x";
        QTest::newRow("percent") << "/opt/50%/%f/%%";
        QTest::newRow("line breaks and tabs") << "/opt/a\nb\tc\rd";
        QTest::newRow("not ASCII") << "/home/李/应用/launcher";
    }

    void awkwardPathsReadBackUnchanged()
    {
        QFETCH(QString, path);
        const QString value = desktopExecValue(path);
        QVERIFY2(!value.contains(QLatin1Char('\n')), qPrintable(value));
        QCOMPARE(programOfExec(value), std::optional<QString>(path));
    }

    void entryLivesInTheConfiguredAutostartFolder()
    {
        FakePlatform fake;
        LinuxAutostart autostart(fake.environment);
        const QString file = launchAgentLabel + QStringLiteral(".desktop");
        QCOMPARE(autostart.itemPath(), fake.homeDir.path() + QStringLiteral("/.config/autostart/") + file);
        fake.environment.variables.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/etc/xdg-user"));
        QCOMPARE(autostart.itemPath(), QStringLiteral("/etc/xdg-user/autostart/") + file);
        fake.environment.variables.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("relative/config"));
        QCOMPARE(autostart.itemPath(), fake.homeDir.path() + QStringLiteral("/.config/autostart/") + file);
    }

    void installTwiceThenUninstall()
    {
        FakePlatform fake;
        LinuxAutostart autostart(fake.environment);
        autostart.uninstall(); // nothing there: no harm
        QVERIFY(!QFileInfo::exists(autostart.itemPath()));

        autostart.install(QStringLiteral("/usr/bin/launcher"));
        QCOMPARE(fileText(autostart.itemPath()), autostartDesktopEntry(QStringLiteral("/usr/bin/launcher")));
        autostart.install(QStringLiteral("/opt/new place/launcher"));
        QCOMPARE(fileText(autostart.itemPath()), autostartDesktopEntry(QStringLiteral("/opt/new place/launcher")));

        autostart.uninstall();
        QVERIFY(!QFileInfo::exists(autostart.itemPath()));
        QVERIFY(fake.commands.commands.isEmpty()); // no service manager involved
    }
};

QTEST_GUILESS_MAIN(LinuxAutostartTest)
#include "tst_linuxautostart.moc"
