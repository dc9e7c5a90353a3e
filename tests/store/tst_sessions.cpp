#include "engine/StateStore.h"
#include "store/Files.h"
#include "store/HistorySessions.h"
#include "store/IncrementalHistoryReader.h"
#include "support/FakePlatform.h"
#include "support/Files.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;
using Read = IncrementalHistoryReader::Read;

namespace {

// "e100n d130 e160f": enable normal at 100, disable at 130, enable forced at
// 160; "E" logs the action "Enable" and "x" the action "pause".
std::vector<HistoryEntry> entries(const QString& script)
{
    std::vector<HistoryEntry> out;
    for (const QString& word : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QChar kind = word[0], last = word.back();
        const AwakeMode mode = last == 'n' ? AwakeMode::normal : last == 'f' ? AwakeMode::forced : AwakeMode::off;
        const double at = word.mid(1, word.size() - (mode == AwakeMode::off ? 1 : 2)).toDouble();
        const char* action = kind == 'e' ? "enable" : kind == 'd' ? "disable" : kind == 'E' ? "Enable" : "pause";
        out.push_back(HistoryEntry{at, mode, action, mode == AwakeMode::off ? "恢复正常模式" : "进入挂机"});
    }
    return out;
}

QByteArray lines(const QString& script)
{
    QByteArray bytes;
    for (const HistoryEntry& entry : entries(script))
        bytes += encodeHistoryLine(entry);
    return bytes;
}

// "normal 100-160, forced 160-400": readable when a comparison fails.
QString describe(const std::vector<HistorySession>& sessions)
{
    QStringList parts;
    for (const HistorySession& s : sessions)
        parts << QStringLiteral("%1 %2-%3").arg(rawValue(s.mode)).arg(s.start, 0, 'g', 15).arg(s.end, 0, 'g', 15);
    return parts.join(QStringLiteral(", "));
}

// The reader's sessions, or both versions when a reader without memory disagrees.
QString readBoth(IncrementalHistoryReader& reader, const QString& path, const RunningSession& running = {},
                 double now = 1000)
{
    const QString incremental = describe(reader.sessions(running, now));
    const auto bytes = readWholeFile(path);
    const QString full =
        describe(pairSessions(bytes ? parseHistory(*bytes) : std::vector<HistoryEntry>{}, running, now));
    return incremental == full ? incremental : incremental + QStringLiteral(" but a full read gives ") + full;
}

// An append of the program's own, as the store makes it.
void appendOwn(IncrementalHistoryReader& reader, const QString& path, const QByteArray& bytes)
{
    AppendRecord record;
    QVERIFY(appendHistoryLine(path, bytes, &record));
    reader.noteAppend(record);
}

} // namespace

class SessionsTest : public QObject {
    Q_OBJECT
private slots:
    void pairing_data()
    {
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("running"); // the store's mode and start
        QTest::addColumn<double>("now");
        QTest::addColumn<QString>("sessions");
        QTest::newRow("empty log, store off") << "" << "" << 1000.0 << "";
        QTest::newRow("running session alone") << "" << "normal 910" << 1000.0 << "normal 910-1000";
        QTest::newRow("running session from the future") << "" << "normal 2000" << 1000.0 << "";
        QTest::newRow("switch to forced") << "e100n e160f d400" << "" << 1000.0 << "normal 100-160, forced 160-400";
        QTest::newRow("stop without a start") << "d50 e100n d130 d131" << "" << 1000.0 << "normal 100-130";
        QTest::newRow("zero length") << "e100n d100" << "" << 1000.0 << "";
        QTest::newRow("switch in the same instant") << "e100n e100f d200" << "" << 1000.0 << "forced 100-200";
        QTest::newRow("running replaces the open entry")
            << "e500n d600 e1000f" << "forced 1000.2" << 1100.0 << "normal 500-600, forced 1000.2-1100";
        QTest::newRow("open entry runs until now") << "e100n" << "" << 250.0 << "normal 100-250";
        // Without a start time the store's mode cannot stand for a session.
        QTest::newRow("running without start") << "e100n" << "normal" << 900.0 << "normal 100-900";
        QTest::newRow("sorted by time") << "d400 e160f e100n" << "" << 1000.0 << "normal 100-160, forced 160-400";
        // Stopped and restarted in the same instant: the restart stays open.
        QTest::newRow("equal times keep file order") << "d200 e100n e200f" << "" << 300.0
                                                     << "normal 100-200, forced 200-300";
        QTest::newRow("unknown actions, case matters") << "e100n E150f x160 d200" << "" << 300.0 << "normal 100-200";
    }

    void pairing()
    {
        QFETCH(QString, log);
        QFETCH(QString, running);
        QFETCH(double, now);
        QFETCH(QString, sessions);
        const QStringList store = running.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const RunningSession session{store.isEmpty() ? AwakeMode::off : *awakeModeFromRaw(store[0]),
                                     store.size() > 1 ? std::optional(store[1].toDouble()) : std::nullopt};
        QCOMPARE(describe(pairSessions(entries(log), session, now)), sessions);
    }

    void storeReadsItsLogAndItsRunningSession()
    {
        FakePlatform fake;
        StateStore store(fake.platform());
        const double t = fake.clock.now();
        store.appendHistory(QStringLiteral("enable"), AwakeMode::normal, QStringLiteral("进入挂机"));
        fake.clock.advance(30);
        store.appendHistory(QStringLiteral("disable"), AwakeMode::off, QStringLiteral("恢复正常模式"));
        store.appendHistory(QStringLiteral("enable"), AwakeMode::forced, QStringLiteral("进入强制挂机"));
        store.mode = AwakeMode::forced;
        store.startedAt = t + 29.8;
        fake.clock.advance(10);
        QCOMPARE(describe(store.historySessions()),
                 describe({{t, t + 30, AwakeMode::normal}, {t + 29.8, t + 40, AwakeMode::forced}}));

        // Reset to off without a logged stop: the log's open session keeps growing.
        store.mode = AwakeMode::off;
        store.startedAt.reset();
        fake.clock.advance(50);
        QCOMPARE(describe(store.historySessions()),
                 describe({{t, t + 30, AwakeMode::normal}, {t + 30, t + 90, AwakeMode::forced}}));
    }

    void readerFollowsAppendsAndReplacements()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.jsonl"));
        IncrementalHistoryReader reader(path);
        QCOMPARE(readBoth(reader, path), QString());
        QCOMPARE(reader.lastRead(), Read::missing);

        QVERIFY(writeFileAtomically(path, lines("e100n d130")));
        QCOMPARE(readBoth(reader, path), QStringLiteral("normal 100-130"));
        QCOMPARE(reader.lastRead(), Read::whole);
        readBoth(reader, path);
        QCOMPARE(reader.lastRead(), Read::unchanged);

        appendOwn(reader, path, lines("e200f"));
        QCOMPARE(readBoth(reader, path), QStringLiteral("normal 100-130, forced 200-1000"));
        QCOMPARE(reader.lastRead(), Read::appended);

        // The clock went back: these belong between earlier lines, and the
        // stop at 200 comes after the start at 200, as in the file.
        appendOwn(reader, path, lines("d260 e300n d400"));
        appendOwn(reader, path, lines("e250f d280 d200"));
        QCOMPARE(readBoth(reader, path), QStringLiteral("normal 100-130, forced 250-260, normal 300-400"));
        QCOMPARE(reader.lastRead(), Read::appended);

        // Lines of another program's.
        appendFile(path, lines("e450n"));
        QCOMPARE(readBoth(reader, path), QStringLiteral("normal 100-130, forced 250-260, normal 300-400, normal 450-1000"));
        QCOMPARE(reader.lastRead(), Read::whole);

        QVERIFY(writeFileAtomically(path, lines("e500f")));
        QCOMPARE(readBoth(reader, path), QStringLiteral("forced 500-1000"));
        QCOMPARE(reader.lastRead(), Read::whole);

        // The same file truncated and filled anew with more than before.
        writeFile(path, lines("e600f d700 e800n d900"));
        QCOMPARE(readBoth(reader, path), QStringLiteral("forced 600-700, normal 800-900"));
        QCOMPARE(reader.lastRead(), Read::whole);

        // Rewritten in place to the same size: only the time tells.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.write(lines("e610f d710 e810n d910"));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(readBoth(reader, path), QStringLiteral("forced 610-710, normal 810-910"));

        QVERIFY(QFile::remove(path));
        QCOMPARE(readBoth(reader, path, RunningSession{AwakeMode::forced, 950.0}), QStringLiteral("forced 950-1000"));
        QCOMPARE(reader.lastRead(), Read::missing);
    }

    // An edit in place that an append then hides: the size grew and the
    // bytes before the old end still look the same.
    void editedInPlaceThenAppended()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.jsonl"));
        IncrementalHistoryReader reader(path);
        QVERIFY(appendHistoryLine(path, lines("e100n d130 e200f d300")));
        QCOMPARE(readBoth(reader, path), QStringLiteral("normal 100-130, forced 200-300"));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.write(lines("e110n")) > 0); // same length as the first line
        file.close();
        appendOwn(reader, path, lines("e400n"));
        QCOMPARE(readBoth(reader, path), QStringLiteral("normal 110-130, forced 200-300, normal 400-1000"));
        QCOMPARE(reader.lastRead(), Read::whole);

        // Appends of our own, with nothing else in between, are read alone.
        appendOwn(reader, path, lines("d500"));
        appendOwn(reader, path, lines("e600f"));
        QCOMPARE(readBoth(reader, path), QStringLiteral("normal 110-130, forced 200-300, normal 400-500, forced 600-1000"));
        QCOMPARE(reader.lastRead(), Read::appended);
    }

    void tornLastLine()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.jsonl"));
        IncrementalHistoryReader reader(path);
        const QByteArray last = lines("d160");
        QVERIFY(writeFileAtomically(path, lines("e100n") + last.left(10)));
        QCOMPARE(readBoth(reader, path), QStringLiteral("normal 100-1000"));

        appendFile(path, last.mid(10).chopped(1)); // complete, still without its line feed
        QCOMPARE(readBoth(reader, path), QStringLiteral("normal 100-160"));
        appendFile(path, "\n" + lines("e200f") + lines("d300").left(12));
        QCOMPARE(readBoth(reader, path), QStringLiteral("normal 100-160, forced 200-1000"));

        // The appender puts a line feed first, so the fragment becomes a bad line of its own.
        QVERIFY(appendHistoryLine(path, lines("d400")));
        QCOMPARE(readBoth(reader, path), QStringLiteral("normal 100-160, forced 200-400"));
    }

    // Random growth, damage and replacement, read a few bytes at a time.
    void matchesFullReadThroughRandomChanges()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.jsonl"));
        IncrementalHistoryReader reader(path, 7);
        QRandomGenerator random(20240611);
        double clock = 1000;
        QByteArray torn; // the rest of a line written only in part
        int appendedReads = 0;

        for (int step = 0; step < 300; ++step) {
            clock += random.bounded(100) - (random.bounded(10) == 0 ? 400 : 0);
            const char* action = random.bounded(15) == 0 ? "Enable" : random.bounded(2) ? "enable" : "disable";
            const QByteArray line = encodeHistoryLine(
                HistoryEntry{clock, random.bounded(2) ? AwakeMode::normal : AwakeMode::forced, action, QString()});
            const qsizetype cut = random.bounded(3) == 0 ? line.size() - 1 : random.bounded(int(line.size()));
            switch (random.bounded(7)) {
            case 0: appendFile(path, line); break; // another program's
            case 1:
            case 2: appendOwn(reader, path, line); break;
            case 3: // cut short, or complete but without its line feed
                appendFile(path, line.left(cut));
                torn = line.mid(cut);
                break;
            case 4: appendFile(path, std::exchange(torn, QByteArray())); break;
            case 5: appendFile(path, random.bounded(2) ? QByteArray("not json\n") : line.chopped(1) + "\r\n\n"); break;
            case 6:
                if (const QByteArray bytes = readFile(path); random.bounded(4) == 0)
                    QVERIFY(writeFileAtomically(path, bytes.left(random.bounded(int(bytes.size()) + 1))));
                break;
            }
            const RunningSession running =
                random.bounded(3) == 0 ? RunningSession{AwakeMode::forced, clock - 5} : RunningSession{};
            const double now = clock + random.bounded(50);
            const QString sessions = readBoth(reader, path, running, now);
            QVERIFY2(!sessions.contains(QStringLiteral(" but ")), qPrintable(sessions));
            appendedReads += reader.lastRead() == Read::appended;
        }
        QVERIFY2(appendedReads > 30, qPrintable(QString::number(appendedReads))); // the short way is taken too
    }
};

QTEST_GUILESS_MAIN(SessionsTest)
#include "tst_sessions.moc"
