#include "platform/linux/LinuxInputIdle.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace launcher;

namespace {

const WakeEventType allTypes[] = {WakeEventType::mouseMoved,     WakeEventType::leftMouseDown, WakeEventType::rightMouseDown,
                                  WakeEventType::otherMouseDown, WakeEventType::scrollWheel,   WakeEventType::keyDown,
                                  WakeEventType::flagsChanged};

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

    void eachInputCountsForItsOwnType_data()
    {
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<WakeEventType>("type");

        QTest::newRow("relative move") << QStringList{"mousemove_relative", "--", "5", "5"} << WakeEventType::mouseMoved;
        QTest::newRow("left click") << QStringList{"click", "1"} << WakeEventType::leftMouseDown;
        QTest::newRow("right click") << QStringList{"click", "3"} << WakeEventType::rightMouseDown;
        QTest::newRow("middle click") << QStringList{"click", "2"} << WakeEventType::otherMouseDown;
        QTest::newRow("back button") << QStringList{"click", "8"} << WakeEventType::otherMouseDown;
        QTest::newRow("scroll up") << QStringList{"click", "4"} << WakeEventType::scrollWheel;
        QTest::newRow("scroll sideways") << QStringList{"click", "7"} << WakeEventType::scrollWheel;
        QTest::newRow("letter") << QStringList{"key", "a"} << WakeEventType::keyDown;
        QTest::newRow("return") << QStringList{"key", "Return"} << WakeEventType::keyDown;
        QTest::newRow("shift alone") << QStringList{"key", "shift"} << WakeEventType::flagsChanged;
        QTest::newRow("control alone") << QStringList{"key", "Control_L"} << WakeEventType::flagsChanged;
    }

    void eachInputCountsForItsOwnType()
    {
        QFETCH(QStringList, input);
        QFETCH(WakeEventType, type);

        LinuxInputIdle idle;
        QVERIFY(idle.watchesRawEvents());
        QTest::qWait(300);
        std::map<WakeEventType, double> before;
        for (WakeEventType each : allTypes)
            before[each] = idle.secondsSinceLastEvent(each);
        QVERIFY(before[type] >= 0.3);

        QVERIFY(xdotool(input));
        QTRY_VERIFY_WITH_TIMEOUT(idle.secondsSinceLastEvent(type) < 0.25, 3000);
        for (WakeEventType each : allTypes) {
            if (each == type)
                continue;
            // Nothing else happened, so every other age kept growing.
            QVERIFY2(idle.secondsSinceLastEvent(each) > before[each], qPrintable(QString::number(int(each))));
        }
    }

    void agesGrowWithoutInput()
    {
        LinuxInputIdle idle;
        QVERIFY(xdotool({"key", "a"}));
        QTRY_VERIFY_WITH_TIMEOUT(idle.secondsSinceLastEvent(WakeEventType::keyDown) < 0.25, 3000);
        const double first = idle.secondsSinceLastEvent(WakeEventType::keyDown);
        QTest::qWait(400);
        const double later = idle.secondsSinceLastEvent(WakeEventType::keyDown);
        QVERIFY(later >= first + 0.35);
        QVERIFY(later < first + 2.0);
    }

    void eventsAreTakenInWhileNobodyAsks()
    {
        LinuxInputIdle idle;
        QVERIFY(xdotool({"mousemove_relative", "--", "3", "0"}));
        // The event loop runs, nobody reads: the age still dates from the move.
        QTest::qWait(600);
        const double age = idle.secondsSinceLastEvent(WakeEventType::mouseMoved);
        QVERIFY2(age >= 0.3 && age < 1.5, qPrintable(QString::number(age)));
    }

    void untouchedTypesStartAtTheSessionIdleTime()
    {
        QTest::qWait(1100);
        LinuxInputIdle idle;
        // Nothing was pressed on the right button since the server started.
        QVERIFY(idle.secondsSinceLastEvent(WakeEventType::rightMouseDown) >= 1.0);
    }
};

QTEST_MAIN(LinuxInputIdleTest)
#include "tst_linuxinputidle_x11.moc"
