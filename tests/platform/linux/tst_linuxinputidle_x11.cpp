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

    void untouchedTypesStartAtTheSessionIdleTime()
    {
        QTest::qWait(1100);
        LinuxInputIdle idle;
        idle.setWatching(true);
        // Nothing was pressed since the server started.
        QVERIFY(idle.secondsSinceLastEvent(WakeEventType::rightMouseDown) >= 1.0);
    }

    void eachInputCountsForItsOwnType_data()
    {
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<WakeEventType>("type");

        QTest::newRow("relative move") << QStringList{"mousemove_relative", "--", "5", "5"} << WakeEventType::mouseMoved;
        QTest::newRow("left click") << QStringList{"click", "1"} << WakeEventType::leftMouseDown;
        QTest::newRow("right click") << QStringList{"click", "3"} << WakeEventType::rightMouseDown;
        QTest::newRow("middle click") << QStringList{"click", "2"} << WakeEventType::otherMouseDown;
        QTest::newRow("scroll up") << QStringList{"click", "4"} << WakeEventType::scrollWheel;
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

    void rawEventsOnlyWhileWatching()
    {
        LinuxInputIdle idle;
        QVERIFY(!idle.watchesRawEvents());
        idle.setWatching(true);
        QVERIFY(idle.watchesRawEvents());
        QVERIFY(xdotool({"key", "a"}));
        QTRY_VERIFY_WITH_TIMEOUT(idle.secondsSinceLastEvent(WakeEventType::keyDown) < 0.25, 3000);
        idle.setWatching(false);
        QVERIFY(!idle.watchesRawEvents());
        // Watching again starts afresh: the earlier key press is forgotten.
        QTest::qWait(400);
        idle.setWatching(true);
        QVERIFY(idle.secondsSinceLastEvent(WakeEventType::keyDown) >= 0.3);
    }

    void eventsAreTakenInWhileNobodyAsks()
    {
        LinuxInputIdle idle;
        idle.setWatching(true);
        QVERIFY(xdotool({"mousemove_relative", "--", "3", "0"}));
        // The event loop runs, nobody reads: the age still dates from the move.
        QTest::qWait(600);
        const double age = idle.secondsSinceLastEvent(WakeEventType::mouseMoved);
        QVERIFY2(age >= 0.3 && age < 1.5, qPrintable(QString::number(age)));
    }
};

QTEST_MAIN(LinuxInputIdleTest)
#include "tst_linuxinputidle_x11.moc"
