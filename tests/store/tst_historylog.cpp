#include "engine/StateStore.h"
#include "store/HistoryLog.h"
#include "support/FakePlatform.h"
#include "support/Files.h"

#include <QTemporaryDir>
#include <QtTest>

#include <latch>
#include <thread>

using namespace launcher;
using namespace launcher::testing;

namespace {

QByteArray line(double at, const char* mode, const char* action, const char* note)
{
    return QStringLiteral(R"({"at":%1,"mode":"%2","action":"%3","note":"%4"})")
               .arg(at, 0, 'f', 3)
               .arg(mode, action, QString::fromUtf8(note))
               .toUtf8()
        + '\n';
}

} // namespace

class HistoryLogTest : public QObject {
    Q_OBJECT
private slots:
    // One compact line per entry, in order, fractions of a second and line
    // feeds inside a note kept.
    void appendsAreCompactLinesInOrder()
    {
        FakePlatform fake;
        fake.clock.setNow(1800000000.125);
        StateStore store(fake.platform());
        QVERIFY(store.loadHistoryEntries().empty());
        store.appendHistory("enable", AwakeMode::forced, "进入强制挂机");
        fake.clock.advance(0.0625);
        store.appendHistory("disable", AwakeMode::off, "恢复\n正常模式");
        const QByteArray bytes = readFile(store.historyFile);
        QCOMPARE(bytes.count('\n'), 2);
        QVERIFY(bytes.endsWith('\n'));
        QCOMPARE(store.loadHistoryEntries(),
                 (std::vector<HistoryEntry>{{1800000000.125, AwakeMode::forced, "enable", "进入强制挂机"},
                                            {1800000000.1875, AwakeMode::off, "disable", "恢复\n正常模式"}}));
    }

    void badLinesCostOnlyThemselves()
    {
        QByteArray bytes;
        bytes += line(100, "normal", "enable", "进入挂机");
        bytes += "\n";                                                     // blank
        bytes += "just some text\n";                                       // not JSON
        bytes += R"({"at":110,"mode":"normal","action":"enable"})" "\n";  // no note
        bytes += line(120, "sleepy", "enable", "x");                       // unknown mode
        bytes += R"({"at":"130","mode":"off","action":"disable","note":""})" "\n"; // at as text
        bytes += R"([1,2,3])" "\n";
        bytes += QByteArray("{\"at\":140,\"mode\":\"off\",\"action\":\"disable\",\"note\":\"\xff\xfe\"}\n");
        bytes += "\xc3\x28 garbage\n";                                       // invalid UTF-8 outside any entry
        bytes += line(150, "off", "disable", "恢复正常模式");
        bytes += "   \n";
        bytes += line(160, "forced", "enable", "进入强制挂机");
        const auto entries = parseHistory(bytes);
        QCOMPARE(entries.size(), size_t(3));
        QCOMPARE(entries[0].at, 100.0);
        QCOMPARE(entries[1].at, 150.0);
        QCOMPARE(entries[2].mode, AwakeMode::forced);
    }

    void tornLastLineGetsItsOwnLine()
    {
        FakePlatform fake;
        StateStore store(fake.platform());
        const QByteArray good = line(100, "normal", "enable", "进入挂机");
        const QByteArray torn = "{\"at\":150,\"mode\":\"off\",\"act";
        writeFile(store.historyFile, good + torn);
        store.appendHistory("enable", AwakeMode::forced, "进入强制挂机");
        const QByteArray bytes = readFile(store.historyFile);
        QVERIFY2(bytes.startsWith(good + torn + "\n"), "earlier bytes untouched");
        QVERIFY(bytes.endsWith('\n'));
        const auto entries = store.loadHistoryEntries();
        QCOMPARE(entries.size(), size_t(2));
        QCOMPARE(entries[1].mode, AwakeMode::forced);
    }

    // Two programs logging into a log that does not exist yet both keep their line.
    void firstAppendsAtOnceKeepEveryLine()
    {
        QTemporaryDir dir;
        for (int round = 0; round < 40; ++round) {
            const QString path = dir.filePath(QStringLiteral("history%1.jsonl").arg(round));
            std::latch start(2);
            const auto writer = [&](double at) {
                start.arrive_and_wait();
                appendHistoryLine(path, line(at, "normal", "enable", "进入挂机"));
            };
            std::thread first(writer, 100.0), second(writer, 200.0);
            first.join();
            second.join();
            QCOMPARE(parseHistory(readFile(path)).size(), size_t(2));
        }
    }
};

QTEST_GUILESS_MAIN(HistoryLogTest)
#include "tst_historylog.moc"
