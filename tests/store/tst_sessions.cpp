#include "engine/StateStore.h"
#include "store/Files.h"
#include "store/HistorySessions.h"
#include "store/IncrementalHistoryReader.h"
#include "support/FakePlatform.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

HistoryEntry enable(double at, AwakeMode mode)
{
    return HistoryEntry{at, mode, QStringLiteral("enable"), QStringLiteral("进入挂机")};
}

HistoryEntry disable(double at)
{
    return HistoryEntry{at, AwakeMode::off, QStringLiteral("disable"), QStringLiteral("恢复正常模式")};
}

// "normal 100-160, forced 160-400": readable when a comparison fails.
QString describe(const std::vector<HistorySession>& sessions)
{
    QStringList parts;
    for (const HistorySession& s : sessions)
        parts << QStringLiteral("%1 %2-%3").arg(rawValue(s.mode)).arg(s.start, 0, 'f', 3).arg(s.end, 0, 'f', 3);
    return parts.join(QStringLiteral(", "));
}

const RunningSession storeOff{};

QByteArray lines(const std::vector<HistoryEntry>& entries)
{
    QByteArray bytes;
    for (const HistoryEntry& entry : entries)
        bytes += encodeHistoryLine(entry);
    return bytes;
}

void appendRaw(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    QCOMPARE(file.write(bytes), bytes.size());
}

void replaceWith(const QString& path, const QByteArray& bytes)
{
    QVERIFY(writeFileAtomically(path, bytes));
}

// What a reader without any memory gives for the file as it is now.
std::vector<HistorySession> fullRead(const QString& path, const RunningSession& running, double now)
{
    const auto bytes = readWholeFile(path);
    return pairSessions(bytes ? parseHistory(*bytes) : std::vector<HistoryEntry>{}, running, now);
}

} // namespace

class SessionsTest : public QObject {
    Q_OBJECT
private slots:
    // --- pairing rules

    void emptyLogWithStoreOffHasNoSessions()
    {
        QVERIFY(pairSessions({}, storeOff, 1000).empty());
    }

    void runningSessionAloneEndsNow()
    {
        const auto sessions = pairSessions({}, RunningSession{AwakeMode::normal, 910.0}, 1000);
        QCOMPARE(describe(sessions), QStringLiteral("normal 910.000-1000.000"));
    }

    void switchToForcedClosesTheNormalSession()
    {
        const auto sessions =
            pairSessions({enable(100, AwakeMode::normal), enable(160, AwakeMode::forced), disable(400)}, storeOff, 1000);
        QCOMPARE(describe(sessions), QStringLiteral("normal 100.000-160.000, forced 160.000-400.000"));
    }

    void disableWithoutOpenSessionIsIgnored()
    {
        const auto sessions = pairSessions({disable(50), enable(100, AwakeMode::normal), disable(130), disable(131)},
                                           storeOff, 1000);
        QCOMPARE(describe(sessions), QStringLiteral("normal 100.000-130.000"));
    }

    void zeroLengthSessionsAreDropped()
    {
        QVERIFY(pairSessions({enable(100, AwakeMode::normal), disable(100)}, storeOff, 1000).empty());
        // A switch in the same instant leaves only the second mode.
        const auto sessions =
            pairSessions({enable(100, AwakeMode::normal), enable(100, AwakeMode::forced), disable(200)}, storeOff, 1000);
        QCOMPARE(describe(sessions), QStringLiteral("forced 100.000-200.000"));
    }

    void runningSessionReplacesTheOneTheLogLeftOpen()
    {
        const auto sessions = pairSessions({enable(500, AwakeMode::normal), disable(600), enable(1000, AwakeMode::forced)},
                                           RunningSession{AwakeMode::forced, 1000.2}, 1100);
        QCOMPARE(describe(sessions), QStringLiteral("normal 500.000-600.000, forced 1000.200-1100.000"));
    }

    void openLogSessionRunsUntilNowWhenStoreIsOff()
    {
        const std::vector<HistoryEntry> log{enable(100, AwakeMode::normal)};
        QCOMPARE(describe(pairSessions(log, storeOff, 250)), QStringLiteral("normal 100.000-250.000"));
        QCOMPARE(describe(pairSessions(log, storeOff, 900)), QStringLiteral("normal 100.000-900.000"));
        // Without a start time the store's mode cannot stand for a session.
        QCOMPARE(describe(pairSessions(log, RunningSession{AwakeMode::normal, std::nullopt}, 900)),
                 QStringLiteral("normal 100.000-900.000"));
    }

    void entriesAreSortedByTimeBeforePairing()
    {
        const auto sessions = pairSessions({disable(400), enable(160, AwakeMode::forced), enable(100, AwakeMode::normal)},
                                           storeOff, 1000);
        QCOMPARE(describe(sessions), QStringLiteral("normal 100.000-160.000, forced 160.000-400.000"));
    }

    void equalTimesKeepFileOrder()
    {
        // Stopped and restarted in the same instant: the restart stays open.
        const auto sessions =
            pairSessions({disable(200), enable(100, AwakeMode::normal), enable(200, AwakeMode::forced)}, storeOff, 300);
        QCOMPARE(describe(sessions), QStringLiteral("normal 100.000-200.000, forced 200.000-300.000"));
    }

    void unknownActionsAreIgnoredAndCaseMatters()
    {
        HistoryEntry shouting = enable(150, AwakeMode::forced);
        shouting.action = QStringLiteral("Enable");
        HistoryEntry other = disable(160);
        other.action = QStringLiteral("pause");
        const auto sessions = pairSessions({enable(100, AwakeMode::normal), shouting, other, disable(200)}, storeOff, 300);
        QCOMPARE(describe(sessions), QStringLiteral("normal 100.000-200.000"));
    }

    void futureStartOfRunningSessionGivesNothing()
    {
        QVERIFY(pairSessions({}, RunningSession{AwakeMode::normal, 2000.0}, 1000).empty());
    }

    // --- the store

    void storeReadsItsLogAndItsRunningSession()
    {
        FakePlatform fake;
        StateStore store(fake.platform());
        QVERIFY(store.historySessions().empty());

        const double t = fake.clock.now();
        replaceWith(store.historyFile, lines({enable(t - 600, AwakeMode::normal), disable(t - 500),
                                              enable(t - 100, AwakeMode::forced)}));
        store.mode = AwakeMode::forced;
        store.startedAt = t - 99.8;
        fake.clock.advance(10);
        QCOMPARE(describe(store.historySessions()),
                 describe({{t - 600, t - 500, AwakeMode::normal}, {t - 99.8, t + 10, AwakeMode::forced}}));

        // Reset to off without a logged stop: the log's open session keeps growing.
        store.mode = AwakeMode::off;
        store.startedAt.reset();
        fake.clock.advance(50);
        QCOMPARE(describe(store.historySessions()),
                 describe({{t - 600, t - 500, AwakeMode::normal}, {t - 100, t + 60, AwakeMode::forced}}));
    }

    void storeSeesItsOwnAppends()
    {
        FakePlatform fake;
        StateStore store(fake.platform());
        const double t = fake.clock.now();
        store.appendHistory(QStringLiteral("enable"), AwakeMode::normal, QStringLiteral("进入挂机"));
        QCOMPARE(store.historySessions().size(), size_t(0)); // zero length so far
        fake.clock.advance(30);
        store.appendHistory(QStringLiteral("disable"), AwakeMode::off, QStringLiteral("恢复正常模式"));
        QCOMPARE(describe(store.historySessions()), describe({{t, t + 30, AwakeMode::normal}}));
    }

    // --- reading only what was appended

    void appendsAreReadIncrementally()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.jsonl"));
        IncrementalHistoryReader reader(path);
        QVERIFY(reader.sessions(storeOff, 1000).empty());
        QCOMPARE(reader.lastRead(), IncrementalHistoryReader::Read::missing);

        replaceWith(path, lines({enable(100, AwakeMode::normal), disable(130)}));
        QCOMPARE(describe(reader.sessions(storeOff, 1000)), QStringLiteral("normal 100.000-130.000"));
        QCOMPARE(reader.lastRead(), IncrementalHistoryReader::Read::whole);

        reader.sessions(storeOff, 1000);
        QCOMPARE(reader.lastRead(), IncrementalHistoryReader::Read::unchanged);

        appendRaw(path, lines({enable(200, AwakeMode::forced)}));
        QCOMPARE(describe(reader.sessions(storeOff, 1000)),
                 QStringLiteral("normal 100.000-130.000, forced 200.000-1000.000"));
        QCOMPARE(reader.lastRead(), IncrementalHistoryReader::Read::appended);

        appendRaw(path, lines({disable(260), enable(300, AwakeMode::normal), disable(330)}));
        QCOMPARE(describe(reader.sessions(storeOff, 1000)), describe(fullRead(path, storeOff, 1000)));
        QCOMPARE(reader.lastRead(), IncrementalHistoryReader::Read::appended);
    }

    void outOfOrderAppendIsMergedLikeAFullSort()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.jsonl"));
        IncrementalHistoryReader reader(path);
        replaceWith(path, lines({enable(100, AwakeMode::normal), disable(200), enable(300, AwakeMode::normal),
                                 disable(400)}));
        reader.sessions(storeOff, 1000);
        // The clock went back: these lines belong between the earlier ones.
        appendRaw(path, lines({enable(250, AwakeMode::forced), disable(280), disable(200)}));
        const auto sessions = reader.sessions(storeOff, 1000);
        QCOMPARE(reader.lastRead(), IncrementalHistoryReader::Read::appended);
        QCOMPARE(describe(sessions), describe(fullRead(path, storeOff, 1000)));
        QCOMPARE(describe(sessions),
                 QStringLiteral("normal 100.000-200.000, forced 250.000-280.000, normal 300.000-400.000"));
    }

    void shorterReplacementIsReadWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.jsonl"));
        IncrementalHistoryReader reader(path);
        replaceWith(path, lines({enable(100, AwakeMode::normal), disable(200), enable(300, AwakeMode::forced),
                                 disable(400)}));
        QCOMPARE(reader.sessions(storeOff, 1000).size(), size_t(2));

        replaceWith(path, lines({enable(500, AwakeMode::forced)}));
        QCOMPARE(describe(reader.sessions(storeOff, 1000)), QStringLiteral("forced 500.000-1000.000"));
        QCOMPARE(reader.lastRead(), IncrementalHistoryReader::Read::whole);
    }

    void longerFileRewrittenInPlaceIsReadWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.jsonl"));
        IncrementalHistoryReader reader(path);
        replaceWith(path, lines({enable(100, AwakeMode::normal), disable(200)}));
        reader.sessions(storeOff, 1000);

        // Same file, truncated and filled anew with more than before.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(lines({enable(600, AwakeMode::forced), disable(700), enable(800, AwakeMode::normal), disable(900)}));
        file.close();
        QCOMPARE(describe(reader.sessions(storeOff, 1000)),
                 QStringLiteral("forced 600.000-700.000, normal 800.000-900.000"));
        QCOMPARE(reader.lastRead(), IncrementalHistoryReader::Read::whole);
    }

    void sameSizeRewriteIsNoticedByItsTime()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.jsonl"));
        IncrementalHistoryReader reader(path);
        replaceWith(path, lines({enable(100, AwakeMode::normal), disable(200)}));
        reader.sessions(storeOff, 1000);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.write(lines({enable(300, AwakeMode::normal), disable(400)}));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(describe(reader.sessions(storeOff, 1000)), QStringLiteral("normal 300.000-400.000"));
    }

    void tornLastLineCountsOnceCompleted()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.jsonl"));
        IncrementalHistoryReader reader(path);
        const QByteArray last = encodeHistoryLine(disable(160));
        replaceWith(path, lines({enable(100, AwakeMode::normal)}) + last.left(10));
        QCOMPARE(describe(reader.sessions(storeOff, 1000)), QStringLiteral("normal 100.000-1000.000"));

        appendRaw(path, last.mid(10, last.size() - 11)); // complete, still without its line feed
        QCOMPARE(describe(reader.sessions(storeOff, 1000)), QStringLiteral("normal 100.000-160.000"));
        QCOMPARE(describe(reader.sessions(storeOff, 1000)), describe(fullRead(path, storeOff, 1000)));

        appendRaw(path, QByteArray("\n") + lines({enable(200, AwakeMode::forced)}));
        QCOMPARE(describe(reader.sessions(storeOff, 1000)),
                 QStringLiteral("normal 100.000-160.000, forced 200.000-1000.000"));
    }

    void tornFragmentStaysSkippedAfterTheNextAppend()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.jsonl"));
        IncrementalHistoryReader reader(path);
        replaceWith(path, lines({enable(100, AwakeMode::normal)}) + encodeHistoryLine(disable(160)).left(12));
        reader.sessions(storeOff, 1000);
        // The appender puts a line feed first, so the fragment becomes a bad line of its own.
        QVERIFY(appendHistoryLine(path, encodeHistoryLine(disable(300))));
        const auto sessions = reader.sessions(storeOff, 1000);
        QCOMPARE(describe(sessions), QStringLiteral("normal 100.000-300.000"));
        QCOMPARE(describe(sessions), describe(fullRead(path, storeOff, 1000)));
    }

    void deletedLogLeavesOnlyTheRunningSession()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.jsonl"));
        IncrementalHistoryReader reader(path);
        replaceWith(path, lines({enable(100, AwakeMode::normal), disable(200)}));
        reader.sessions(storeOff, 1000);
        QVERIFY(QFile::remove(path));
        QCOMPARE(describe(reader.sessions(RunningSession{AwakeMode::forced, 900.0}, 1000)),
                 QStringLiteral("forced 900.000-1000.000"));
        QCOMPARE(reader.lastRead(), IncrementalHistoryReader::Read::missing);
    }

    // Random growth, damage and replacement: after every step the reader
    // must give what a reader without memory gives.
    void matchesFullReadThroughRandomChanges_data()
    {
        QTest::addColumn<qint64>("chunkBytes");
        QTest::newRow("large reads") << (qint64(1) << 20);
        QTest::newRow("reads shorter than a line") << qint64(7);
    }

    void matchesFullReadThroughRandomChanges()
    {
        QFETCH(qint64, chunkBytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.jsonl"));
        IncrementalHistoryReader reader(path, chunkBytes);
        QRandomGenerator random(20240611);
        double clock = 1000;
        QByteArray torn; // the rest of a line written only in part

        auto randomEntry = [&] {
            clock += random.bounded(100) - (random.bounded(10) == 0 ? 400 : 0);
            HistoryEntry entry = random.bounded(2) ? enable(clock, random.bounded(2) ? AwakeMode::normal : AwakeMode::forced)
                                                   : disable(clock);
            if (random.bounded(15) == 0)
                entry.action = QStringLiteral("Enable");
            return entry;
        };

        for (int step = 0; step < 600; ++step) {
            switch (random.bounded(10)) {
            case 0:
            case 1:
            case 2: appendRaw(path, encodeHistoryLine(randomEntry())); break;
            case 3: QVERIFY(appendHistoryLine(path, encodeHistoryLine(randomEntry()))); break;
            case 4: {
                const QByteArray line = encodeHistoryLine(randomEntry());
                const qsizetype cut = random.bounded(int(line.size()));
                appendRaw(path, line.left(cut));
                torn = line.mid(cut);
                break;
            }
            case 5:
                appendRaw(path, torn);
                torn.clear();
                break;
            case 6: appendRaw(path, random.bounded(2) ? QByteArray("not json\n") : QByteArray("\r\n\n")); break;
            case 7:
                if (random.bounded(8) == 0) {
                    const QByteArray bytes = readWholeFile(path).value_or(QByteArray());
                    replaceWith(path, bytes.left(random.bounded(int(bytes.size()) + 1)));
                }
                break;
            case 8: {
                QByteArray line = encodeHistoryLine(randomEntry());
                line.insert(line.size() - 1, '\r');
                appendRaw(path, line);
                break;
            }
            case 9: // a whole entry still waiting for its line feed
                if (!torn.isEmpty())
                    break;
                torn = "\n";
                appendRaw(path, encodeHistoryLine(randomEntry()).chopped(1));
                break;
            }
            const RunningSession running =
                random.bounded(3) == 0 ? RunningSession{AwakeMode::forced, clock - 5} : storeOff;
            const double now = clock + random.bounded(50);
            QCOMPARE(describe(reader.sessions(running, now)), describe(fullRead(path, running, now)));
        }
    }
};

QTEST_GUILESS_MAIN(SessionsTest)
#include "tst_sessions.moc"
