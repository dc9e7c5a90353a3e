// How long the dashboard's once-a-second history read takes as the log grows:
// the first call of a fresh store (the whole file) and a call after one more
// line was appended (only that line), next to a read that keeps nothing.

#include "engine/StateStore.h"
#include "store/Files.h"
#include "support/FakePlatform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <vector>

using namespace launcher;

namespace {

QByteArray buildLog(int lines, double start)
{
    const QString savedNote = QStringLiteral("恢复正常模式；强制挂机约节省 0.87 Wh，约 ¥0.001");
    QByteArray bytes;
    bytes.reserve(qsizetype(lines) * 120);
    double at = start;
    for (int i = 0; i < lines; ++i) {
        at += 37.25;
        HistoryEntry entry;
        switch (i % 4) {
        case 0: entry = {at, AwakeMode::normal, QStringLiteral("enable"), QStringLiteral("进入挂机")}; break;
        case 1: entry = {at, AwakeMode::forced, QStringLiteral("enable"), QStringLiteral("进入强制挂机")}; break;
        case 2: entry = {at, AwakeMode::off, QStringLiteral("disable"), savedNote}; break;
        default: entry = {at, AwakeMode::off, QStringLiteral("disable"), QStringLiteral("应用退出，恢复正常模式")};
        }
        bytes += encodeHistoryLine(entry);
    }
    return bytes;
}

double millisecondsOf(QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
               .arg(QStringLiteral("lines"), 9)
               .arg(QStringLiteral("file MB"), 8)
               .arg(QStringLiteral("sessions"), 9)
               .arg(QStringLiteral("cold ms"), 9)
               .arg(QStringLiteral("after append ms"), 16)
               .arg(QStringLiteral("no-memory read ms"), 18);
    out.flush();

    for (int lines : {1'000, 100'000, 1'000'000}) {
        testing::FakePlatform fake;
        StateStore store(fake.platform());
        const double start = fake.clock.now() - 40.0 * lines;
        if (!writeFileAtomically(store.historyFile(), buildLog(lines, start))) {
            out << "cannot write " << store.historyFile() << '\n';
            return 1;
        }

        QElapsedTimer timer;
        timer.start();
        const size_t sessions = store.historySessions().size();
        const double cold = millisecondsOf(timer);

        std::vector<double> steady;
        for (int round = 0; round < 21; ++round) {
            fake.clock.advance(1);
            store.appendHistory(round % 2 ? QStringLiteral("disable") : QStringLiteral("enable"),
                                round % 2 ? AwakeMode::off : AwakeMode::normal, QStringLiteral("进入挂机"));
            timer.restart();
            const auto result = store.historySessions();
            steady.push_back(millisecondsOf(timer));
            if (result.empty())
                return 1;
        }

        timer.restart();
        const auto bytes = readWholeFile(store.historyFile());
        const auto reference = pairSessions(parseHistory(*bytes), RunningSession{store.mode(), store.startedAt()}, store.now());
        const double noMemory = millisecondsOf(timer);
        if (reference != store.historySessions()) {
            out << "the incremental result differs from a full read\n";
            return 1;
        }

        out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                   .arg(lines, 9)
                   .arg(double(QFileInfo(store.historyFile()).size()) / 1e6, 8, 'f', 1)
                   .arg(qulonglong(sessions), 9)
                   .arg(cold, 9, 'f', 2)
                   .arg(median(steady), 16, 'f', 3)
                   .arg(noMemory, 18, 'f', 2);
        out.flush();
    }
    return 0;
}
