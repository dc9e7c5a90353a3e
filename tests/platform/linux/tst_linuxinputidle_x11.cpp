#include "engine/Constants.h"
#include "platform/linux/LinuxInputIdle.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace launcher;

namespace {

bool xdotool(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

} // namespace

class LinuxInputIdleTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is not installed");
    }

    // First, while nothing was pressed since the server started.
    void agesStartAtTheSessionIdleTimeAndKeepUpUnasked()
    {
        QTest::qWait(1100);
        LinuxInputIdle idle;
        idle.setWatching(true);
        QVERIFY(idle.secondsSinceLastEvent(WakeEventType::rightMouseDown) >= 1.0);

        // The event loop runs, nobody reads: the age still dates from the press.
        QVERIFY(xdotool({"key", "a"}));
        QTest::qWait(600);
        const double age = idle.secondsSinceLastEvent(WakeEventType::keyDown);
        QVERIFY2(age >= 0.3 && age < 1.5, qPrintable(QString::number(age)));
    }

    void eachInputCountsForItsOwnType_data()
    {
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<WakeEventType>("type");

        QTest::newRow("relative move") << QStringList{"mousemove_relative", "--", "5", "5"} << WakeEventType::mouseMoved;
        QTest::newRow("left click") << QStringList{"click", "1"} << WakeEventType::leftMouseDown;
        QTest::newRow("right click") << QStringList{"click", "3"} << WakeEventType::rightMouseDown;
        QTest::newRow("middle click") << QStringList{"click", "2"} << WakeEventType::otherMouseDown;
        QTest::newRow("scroll sideways") << QStringList{"click", "7"} << WakeEventType::scrollWheel;
        QTest::newRow("letter") << QStringList{"key", "a"} << WakeEventType::keyDown;
        QTest::newRow("shift alone") << QStringList{"key", "shift"} << WakeEventType::flagsChanged;
    }

    void eachInputCountsForItsOwnType()
    {
        QFETCH(QStringList, input);
        QFETCH(WakeEventType, type);

        LinuxInputIdle idle;
        idle.setWatching(true);
        QVERIFY(idle.watchesRawEvents());
        QTest::qWait(300);
        std::map<WakeEventType, double> before;
        for (WakeEventType each : wakeEventTypes)
            before[each] = idle.secondsSinceLastEvent(each);
        QVERIFY(before[type] >= 0.3);

        QVERIFY(xdotool(input));
        QTRY_VERIFY_WITH_TIMEOUT(idle.secondsSinceLastEvent(type) < 0.25, 3000);
        for (WakeEventType each : wakeEventTypes) {
            // Nothing else happened, so every other age kept growing.
            if (each != type)
                QVERIFY2(idle.secondsSinceLastEvent(each) > before[each], qPrintable(QString::number(int(each))));
        }
    }
};

QTEST_MAIN(LinuxInputIdleTest)
#include "tst_linuxinputidle_x11.moc"
