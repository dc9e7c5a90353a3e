#include "store/Files.h"
#include "store/HistorySessions.h"
#include "store/IncrementalHistoryReader.h"
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
        out.push_back(HistoryEntry{at, mode, action, QString()});
    }
    return out;
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
        QTest::newRow("running session from the future") << "" << "normal 2000" << 1000.0 << "";
        QTest::newRow("stop without a start") << "d50 e100n d130 d131" << "" << 1000.0 << "normal 100-130";
        QTest::newRow("switch in the same instant") << "e100n e100f d200" << "" << 1000.0 << "forced 100-200";
        QTest::newRow("running replaces the open entry")
            << "e500n d600 e1000f" << "forced 1000.2" << 1100.0 << "normal 500-600, forced 1000.2-1100";
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

    // Random growth, damage, edits and replacement, read a few bytes at a time.
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
            switch (random.bounded(9)) {
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
            case 7: // a digit changed in place, the size kept; then, hiding it, perhaps an append
                if (QFile file(path); file.open(QIODevice::ReadWrite) && file.size() > 0) {
                    file.seek(random.bounded(int(file.size())));
                    file.putChar(char('0' + random.bounded(10)));
                    file.setFileTime(QDateTime::currentDateTime().addSecs(step + 1), QFileDevice::FileModificationTime);
                }
                if (random.bounded(2))
                    appendOwn(reader, path, line);
                break;
            case 8:
                if (random.bounded(8) == 0)
                    QFile::remove(path);
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
