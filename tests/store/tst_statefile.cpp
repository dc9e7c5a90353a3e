#include "engine/StateStore.h"
#include "store/StateFile.h"
#include "support/FakePlatform.h"
#include "support/Files.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

// The files the program keeps for its user: the state file, the support
// folder and the launch-at-login item.
class StateFileTest : public QObject {
    Q_OBJECT
private slots:
    // Each record decoded and written again; a null result is a rejected record.
    void records_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("rewritten");
        const auto row = [](const char* name, const char* bytes, const char* rewritten) {
            QTest::newRow(name) << QByteArray(bytes) << QByteArray(rewritten);
        };
        const char* full = R"({"mode":"forced","pid":42,"previousAlertVolume":50,"previousBrightness":0.62,)"
                           R"("previousKeyboardBrightness":0.55,"previousMuted":true,"previousVolume":35,)"
                           R"("startedAt":1800000000.123456})";
        row("full", full, full);
        row("null is absent", R"({"mode":"normal","pid":null,"previousMuted":null})", R"({"mode":"normal"})");
        row("unknown member", R"({"mode":"normal","unknown":[1,2]})", R"({"mode":"normal"})");
        row("no mode", R"({"pid":12})", nullptr);
        row("pid string", R"({"mode":"normal","pid":"4242"})", nullptr);
        row("pid fraction", R"({"mode":"normal","pid":42.5})", nullptr);
        row("pid over int32", R"({"mode":"normal","pid":2147483648})", nullptr);
        row("muted number", R"({"mode":"forced","previousMuted":1})", nullptr);
    }
    void records()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, rewritten);
        const auto state = decodeState(bytes);
        QCOMPARE(state.has_value(), !rewritten.isNull());
        if (state)
            QCOMPARE(encodeState(*state), rewritten);
    }

    void saveWithoutSupportFolderRaisesNothing()
    {
        FakePlatform fake;
        // A file where the folder's parent should be makes the folder impossible.
        const QString parent = QFileInfo(fake.supportDirectory()).absolutePath();
        QVERIFY(QDir().mkpath(QFileInfo(parent).absolutePath()));
        writeFile(parent, "in the way");
        StateStore store(fake.platform());
        QVERIFY(!store.saveState());
        store.appendHistory("enable", AwakeMode::normal, "进入挂机");
        QVERIFY(historyEntries(store.historyFile()).empty());
    }

    // A full disk: the write fails, the caller hears of it and the old file stays.
    void failedSaveKeepsTheOldFile()
    {
        FakePlatform fake;
        StateStore store(fake.platform());
        const QByteArray before = readFile(store.prefsFile());
        QVERIFY(!before.isEmpty());
        {
            const FileSizeLimit full(8);
            QVERIFY(!store.changePreferences([](Preferences& p) { p.minimumBatteryPercentage = 40; }));
        }
        QCOMPARE(readFile(store.prefsFile()), before);
        QCOMPARE(QDir(store.supportDirectory()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no leftovers
        QVERIFY(store.changePreferences([](Preferences&) {})); // room again: the change is saved now
        QVERIFY(readFile(store.prefsFile()) != before);
    }

    void supportFolderFollowsXdgDataHome()
    {
#ifdef __APPLE__
        QSKIP("the folder is under Library/Application Support there");
#endif
        FakePlatform fake;
        fake.environment.variables.insert("XDG_DATA_HOME", fake.homeDir.path() + "/data");
        StateStore store(fake.platform());
        QCOMPARE(store.stateFile(), fake.homeDir.path() + "/data/PelvaneWakehold/state.json");
        QVERIFY(QFileInfo(store.supportDirectory()).isDir());
        // A relative value is not a base folder.
        fake.environment.variables.insert("XDG_DATA_HOME", "data");
        QCOMPARE(fake.supportDirectory(), fake.homeDir.path() + "/.local/share/PelvaneWakehold");
    }

    // The item starts this very program, or the fallback when it cannot be told.
    void launchAtLoginInstallsTheRunningProgram()
    {
        FakePlatform fake;
        StateStore(fake.platform()).installLaunchAtLogin();
        fake.environment.executable.clear();
        StateStore(fake.platform()).installLaunchAtLogin();
        QCOMPARE(fake.callsStartingWith(QStringLiteral("login.")),
                 (QStringList{"login.install /opt/launcher/bin/launcher", "login.install /usual/place/launcher"}));
    }
};

QTEST_GUILESS_MAIN(StateFileTest)
#include "tst_statefile.moc"
