#include "app/SelfTest.h"

#include "engine/StateStore.h"

#include <QEventLoop>
#include <QTimer>

namespace launcher {

namespace {

// Lets timers and delayed steps of the engine run for the given time.
void spin(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int runSelfTestSuite(const Platform& platform, QTextStream& out, QTextStream& err)
{
    StateStore store(platform);
    QStringList failures;

    for (bool mute : {false, true}) {
        store.changePreferences([&](Preferences& p) { p.muteInForced = mute; });
        for (int round = 1; round <= 5; ++round) {
            const auto check = [&](bool passed, const char* step) {
                if (!passed)
                    failures << QStringLiteral("mute=%1 round %2 %3 failed")
                                    .arg(mute ? "true" : "false")
                                    .arg(round)
                                    .arg(QLatin1String(step));
            };

            store.disable(DisableReason::manual, false);
            spin(0.12);
            store.enable(AwakeMode::forced);
            spin(1.0);
            check(store.mode() == AwakeMode::forced && store.isActive(), "off->forced");

            store.disable(DisableReason::manual, false);
            spin(0.12);
            store.enable(AwakeMode::normal);
            spin(0.35);
            check(store.mode() == AwakeMode::normal && store.isActive(), "off->hang");

            store.enable(AwakeMode::forced);
            spin(1.0);
            check(store.mode() == AwakeMode::forced && store.isActive(), "hang->forced");

            store.disable(DisableReason::manual, false);
            spin(0.12);
            check(store.mode() == AwakeMode::off, "disable");
        }
    }

    if (failures.isEmpty()) {
        out << "SELF-TEST OK\n";
        out.flush();
        return 0;
    }
    for (const QString& failure : failures)
        err << "SELF-TEST FAIL: " << failure << '\n';
    err.flush();
    return 1;
}

} // namespace launcher
