// What the dashboard's once-a-second refresh of the statistics tab costs over
// a long history: the sessions from the store, the tab's update, and the
// painting of what it changed, while a normal session is running. The first refresh
// of a fresh store, then the steady state.

#include "dashboard/HistoryDashboardView.h"
#include "engine/StateStore.h"
#include "store/Files.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <vector>

using namespace launcher;

namespace {

// Enable/disable pairs going back from the end, some sessions switching from
// normal to forced without a stop in between, as the log records it.
QByteArray buildLog(int lines, double end)
{
    QRandomGenerator random(20260307);
    std::vector<HistoryEntry> entries;
    entries.reserve(size_t(lines));
    double at = end;
    while (int(entries.size()) + 2 <= lines) {
        const double length = 300 + random.bounded(2400.0);
        const double gap = 60 + random.bounded(1500.0);
        const bool forced = random.bounded(4) == 0;
        entries.push_back({at - gap, AwakeMode::off, QStringLiteral("disable"),
                           forced ? QStringLiteral("恢复正常模式；强制挂机约节省 0.87 Wh，约 ¥0.001")
                                  : QStringLiteral("手动关闭挂机")});
        entries.push_back({at - gap - length, forced ? AwakeMode::forced : AwakeMode::normal, QStringLiteral("enable"),
                           forced ? QStringLiteral("进入强制挂机") : QStringLiteral("进入挂机")});
        at -= gap + length;
    }
    std::reverse(entries.begin(), entries.end());
    QByteArray bytes;
    bytes.reserve(qsizetype(lines) * 120);
    for (const HistoryEntry& entry : entries)
        bytes += encodeHistoryLine(entry);
    return bytes;
}

double millisecondsOf(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

struct Timing {
    double sessions = 0, update = 0, paint = 0;
    double total() const { return sessions + update + paint; }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);

    const int lines = argc > 1 ? QByteArray(argv[1]).toInt() : 100'000;
    const int rounds = argc > 2 ? QByteArray(argv[2]).toInt() : 200;
    testing::FakePlatform fake;
    StateStore store(fake.platform());
    // The dashboard open while the machine is kept awake: the last session grows every second.
    store.enable(AwakeMode::normal);
    fake.clock.advance(1700);
    const QByteArray log = buildLog(lines, fake.clock.now() - 1800);
    if (!writeFileAtomically(store.historyFile(), log)) {
        out << "cannot write " << store.historyFile() << '\n';
        return 1;
    }

    HistoryDashboardView view;
    view.resize(602, 760);
    view.show();
    QApplication::processEvents();

    auto refresh = [&] {
        Timing timing;
        QElapsedTimer timer;
        timer.start();
        const std::vector<HistorySession> sessions = store.historySessions();
        timing.sessions = millisecondsOf(timer);
        timer.restart();
        view.update(sessions, store);
        timing.update = millisecondsOf(timer);
        timer.restart();
        // Paints what the update marked dirty, as the event loop would.
        QApplication::processEvents();
        timing.paint = millisecondsOf(timer);
        return timing;
    };

    const Timing first = refresh();
    std::vector<Timing> steady;
    for (int round = 0; round < rounds; ++round) {
        fake.clock.advance(1);
        steady.push_back(refresh());
    }

    auto column = [&](double Timing::*field, bool worst) {
        std::vector<double> values;
        for (const Timing& t : steady)
            values.push_back(t.*field);
        std::sort(values.begin(), values.end());
        return worst ? values.back() : values[values.size() / 2];
    };
    std::vector<double> totals;
    for (const Timing& t : steady)
        totals.push_back(t.total());
    std::sort(totals.begin(), totals.end());

    out << QStringLiteral("%1 lines (%2 MB), %3 sessions, %4 steady refreshes\n\n")
               .arg(lines)
               .arg(double(log.size()) / 1e6, 0, 'f', 1)
               .arg(store.historySessions().size())
               .arg(rounds);
    out << "| ms | sessions | update | repaint | refresh |\n|---|---:|---:|---:|---:|\n";
    out << QStringLiteral("| first | %1 | %2 | %3 | %4 |\n")
               .arg(first.sessions, 0, 'f', 3)
               .arg(first.update, 0, 'f', 3)
               .arg(first.paint, 0, 'f', 3)
               .arg(first.total(), 0, 'f', 3);
    for (bool worst : {false, true})
        out << QStringLiteral("| steady %1 | %2 | %3 | %4 | %5 |\n")
                   .arg(worst ? QStringLiteral("worst") : QStringLiteral("median"))
                   .arg(column(&Timing::sessions, worst), 0, 'f', 3)
                   .arg(column(&Timing::update, worst), 0, 'f', 3)
                   .arg(column(&Timing::paint, worst), 0, 'f', 3)
                   .arg(worst ? totals.back() : totals[totals.size() / 2], 0, 'f', 3);
    return 0;
}
