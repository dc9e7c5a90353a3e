#include "engine/StateStore.h"
#include "store/HistoryLog.h"
#include "store/HistorySessions.h"
#include "support/FakePlatform.h"
#include "support/Files.h"

#include <QTemporaryDir>
#include <QtTest>

#include <latch>
#include <thread>

using namespace launcher;
using namespace launcher::testing;

namespace {

QByteArray line(double at, const char* mode, const char* note = "")
{
    return encodeHistoryLine({at, *awakeModeFromRaw(mode), "enable", QString::fromUtf8(note)});
}

// Our own lines, near misses and JSON written by someone else. Kept out of
// the test class: moc loses count of braces inside raw strings.
void addCorpusRows()
{
    QTest::addColumn<QByteArray>("line");
    const auto row = [](const char* name, const QByteArray& line) { QTest::newRow(name) << line; };
    row("ours", line(1733400000.25, "forced", "进入强制挂机").chopped(1));
    row("spaces everywhere", " \t{ \"at\" : 1.5e3 , \"mode\" :\"normal\",\"action\":\"enable\", \"note\":\"\" }\r ");
    row("escaped key", R"({"\u0061t":1,"mode":"normal","action":"enable","note":""})");
    row("unicode escape in note", R"({"at":1,"mode":"normal","action":"enable","note":"\u6062\ud83d\ude00"})");
    row("repeated member", R"({"at":1,"at":2,"mode":"normal","action":"enable","note":""})");
    row("extra members of every kind",
        R"({"at":1,"mode":"normal","action":"enable","note":"","x":[1,{"y":null}],"t":true,"f":false,"n":null})");
    row("at as string", R"({"at":"1","mode":"normal","action":"enable","note":""})");
    row("missing note", R"({"at":1,"mode":"normal","action":"enable"})");
    row("unknown mode", R"({"at":1,"mode":"Normal","action":"enable","note":""})");
    row("overflowing number", R"({"at":1e400,"mode":"off","action":"x","note":""})");
    // Conversions that a sloppy decimal reader rounds or rejects differently.
    row("underflowing number", R"({"at":1e-400,"mode":"off","action":"x","note":""})");
    row("smallest subnormal", R"({"at":4.9406564584124654e-324,"mode":"off","action":"x","note":""})");
    row("more digits than a double", R"({"at":1733400000.12345678901234567890123,"mode":"off","action":"x","note":""})");
    row("halfway between two doubles", R"({"at":9007199254740993,"mode":"off","action":"x","note":""})");
    row("leading zero", R"({"at":01,"mode":"off","action":"x","note":""})");
    row("trailing comma", R"({"at":1,"mode":"off","action":"x","note":"",})");
    row("raw tab in string", "{\"at\":1,\"mode\":\"off\",\"action\":\"x\",\"note\":\"a\tb\"}");
    row("bad escape", R"({"at":1,"mode":"off","action":"x","note":"\q"})");
    row("byte order mark opening a string", "{\"at\":1,\"mode\":\"off\",\"action\":\"x\",\"note\":\"\xEF\xBB\xBFn\"}");
    row("byte order mark", "\xEF\xBB\xBF{\"at\":1,\"mode\":\"off\",\"action\":\"x\",\"note\":\"\"}");
    row("invalid utf-8 in note", "{\"at\":1,\"mode\":\"off\",\"action\":\"x\",\"note\":\"\xC3\x28\"}");
    row("nul byte", QByteArray("{\"at\":1,\"mode\":\"off\",\"action\":\"x\",\"note\":\"a\0b\"}", 46));
}

} // namespace

class HistoryLogTest : public QObject {
    Q_OBJECT
private slots:
    // The quick reader and the general JSON parser must agree on every line.
    void quickPathAgreesWithJsonDocument_data() { addCorpusRows(); }
    void quickPathAgreesWithJsonDocument()
    {
        QFETCH(QByteArray, line);
        const auto entry = parseHistoryLineWithJsonDocument(line);
        QCOMPARE(parseHistoryLine(line), entry);
        // The sessions' reader skips the note but must accept the same lines.
        QCOMPARE(parseLoggedEvent(line), entry ? std::optional(loggedEvent(*entry)) : std::nullopt);
    }

    // A bad line costs only itself; one cut short by a crash stays as it
    // was, and the next entry gets a line of its own. Fractions of a second,
    // quotes and line feeds inside a note come back as they were.
    void appendsAndBadLines()
    {
        FakePlatform fake;
        fake.clock.setNow(1800000000.123456);
        StateStore store(fake.platform());
        const QByteArray before = line(100, "normal") + "\n" + "just some text\n"
            + R"({"at":120,"mode":"sleepy","action":"enable","note":""})" "\n" + "\xc3\x28 garbage\n"
            + line(150, "off") + "   \n" + "{\"at\":150,\"mode\":\"off\",\"act";
        writeFile(store.historyFile(), before);
        store.appendHistory("enable", AwakeMode::forced, "进入强制挂机");
        fake.clock.advance(0.0625);
        const QString note = "恢复\n正常模式；节省 \"1.2 Wh\"\\";
        store.appendHistory("disable", AwakeMode::off, note);
        const QByteArray bytes = readFile(store.historyFile());
        QVERIFY2(bytes.startsWith(before + "\n"), "earlier bytes untouched");
        const auto entries = historyEntries(store.historyFile());
        QCOMPARE(entries.size(), size_t(4));
        QCOMPARE(entries[0].at, 100.0);
        QCOMPARE(entries[1].at, 150.0);
        QCOMPARE(std::vector(entries.begin() + 2, entries.end()),
                 (std::vector<HistoryEntry>{{1800000000.123456, AwakeMode::forced, "enable", "进入强制挂机"},
                                            {1800000000.123456 + 0.0625, AwakeMode::off, "disable", note}}));
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
                appendHistoryLine(path, line(at, "normal"));
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
