// What one once-a-second refresh of the open dashboard costs over a long
// history: the sessions the delegate computes, then the window's update, on
// each tab. Offscreen, so painting is not included.

#include "dashboard/HistoryWindowController.h"
#include "dashboard/WindowDashboardHost.h"
#include "engine/StateStore.h"
#include "store/Files.h"
#include "support/FakeAppPlatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <vector>

using namespace launcher;

namespace {

QByteArray buildLog(int lines, double start)
{
    QByteArray bytes;
    double at = start;
    for (int i = 0; i < lines; ++i) {
        at += 37.25;
        const bool enable = i % 2 == 0;
        bytes += encodeHistoryLine({at, enable ? (i % 4 ? AwakeMode::forced : AwakeMode::normal) : AwakeMode::off,
                                    enable ? QStringLiteral("enable") : QStringLiteral("disable"),
                                    enable ? QStringLiteral("进入挂机") : QStringLiteral("恢复正常模式")});
    }
    return bytes;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);

    const int lines = 100'000;
    testing::FakePlatform fake;
    StateStore store(fake.platform());
    if (!writeFileAtomically(store.historyFile(), buildLog(lines, fake.clock.now() - 40.0 * lines))) {
        out << "cannot write " << store.historyFile() << '\n';
        return 1;
    }
    testing::CallLog log;
    testing::FakeAppPlatform desktop(log);
    WindowDashboardHost host(desktop.appPlatform());
    host.open(store, store.historySessions(), DashboardActions{});

    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("tab"), 9)
               .arg(QStringLiteral("sessions ms"), 12)
               .arg(QStringLiteral("update ms"), 10)
               .arg(QStringLiteral("total ms"), 9);
    const std::pair<DashboardTab, const char*> tabs[] = {
        {DashboardTab::stats, "stats"}, {DashboardTab::control, "control"}, {DashboardTab::settings, "settings"}};
    for (auto [tab, name] : tabs) {
        host.controller()->showTab(tab);
        std::vector<double> sessionsMs, updateMs, totalMs;
        for (int round = 0; round < 41; ++round) {
            fake.clock.advance(1);
            QElapsedTimer timer;
            timer.start();
            const auto sessions = store.historySessions();
            const double afterSessions = double(timer.nsecsElapsed()) / 1e6;
            host.update(store, sessions);
            const double total = double(timer.nsecsElapsed()) / 1e6;
            sessionsMs.push_back(afterSessions);
            updateMs.push_back(total - afterSessions);
            totalMs.push_back(total);
            QCoreApplication::processEvents();
        }
        out << QStringLiteral("%1 %2 %3 %4\n")
                   .arg(QString::fromLatin1(name), 9)
                   .arg(median(sessionsMs), 12, 'f', 3)
                   .arg(median(updateMs), 10, 'f', 3)
                   .arg(median(totalMs), 9, 'f', 3);
    }
    return 0;
}
