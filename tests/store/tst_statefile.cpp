#include "engine/StateStore.h"
#include "store/StateFile.h"
#include "support/FakePlatform.h"
#include "support/Files.h"

#include <QtTest>

#include <sys/stat.h>

using namespace launcher;
using namespace launcher::testing;

namespace {

// Inode and modification time: what changes when a file is written or replaced.
std::pair<ino_t, qint64> stampOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {0, -1};
    return {st.st_ino, qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

} // namespace

class StateFileTest : public QObject {
    Q_OBJECT
private slots:
    void fullRecordRoundTrips()
    {
        PersistedState state;
        state.pid = 4242;
        state.mode = AwakeMode::forced;
        state.previousVolume = 35;
        state.previousMuted = true;
        state.previousAlertVolume = 50;
        state.previousBrightness = 0.62;
        state.previousKeyboardBrightness = 0.55;
        state.startedAt = 1800000000.123456; // the fraction is kept
        const QByteArray bytes = encodeState(state);
        QVERIFY(!bytes.contains('\n'));
        QVERIFY(!bytes.contains(' '));
        QCOMPARE(decodeState(bytes), std::optional(state));
    }

    // Each record decoded and written again; a null result is a rejected record.
    void records_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("rewritten");
        const auto row = [](const char* name, const char* bytes, const char* rewritten) {
            QTest::newRow(name) << QByteArray(bytes) << QByteArray(rewritten);
        };
        row("only mode", R"({"mode":"off"})", R"({"mode":"off"})");
        row("null is absent", R"({"mode":"normal","pid":null,"previousMuted":null})", R"({"mode":"normal"})");
        row("unknown member", R"({"mode":"normal","unknown":[1,2]})", R"({"mode":"normal"})");
        row("pid int32 max", R"({"mode":"normal","pid":2147483647})", R"({"mode":"normal","pid":2147483647})");
        row("pid int32 min", R"({"mode":"normal","pid":-2147483648})", R"({"mode":"normal","pid":-2147483648})");
        row("empty", "", nullptr);
        row("array", R"([{"mode":"off"}])", nullptr);
        row("truncated", R"({"mode":"normal","pid":42)", nullptr);
        row("no mode", R"({"pid":12})", nullptr);
        row("mode case", R"({"mode":"Normal"})", nullptr);
        row("mode not string", R"({"mode":1})", nullptr);
        row("pid string", R"({"mode":"normal","pid":"4242"})", nullptr);
        row("pid fraction", R"({"mode":"normal","pid":42.5})", nullptr);
        row("pid over int32", R"({"mode":"normal","pid":2147483648})", nullptr);
        row("pid under int32", R"({"mode":"normal","pid":-2147483649})", nullptr);
        row("muted number", R"({"mode":"forced","previousMuted":1})", nullptr);
        row("volume bool", R"({"mode":"forced","previousVolume":true})", nullptr);
        row("brightness string", R"({"mode":"forced","previousBrightness":"0.5"})", nullptr);
        row("startedAt string", R"({"mode":"normal","startedAt":"yesterday"})", nullptr);
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

    void storeSavesWhatItHolds()
    {
        FakePlatform fake;
        StateStore store(fake.platform());
        QVERIFY(!QFile::exists(store.stateFile));
        store.mode = AwakeMode::normal;
        store.pid = 77;
        store.startedAt = 1800000000.5;
        store.saveState();
        QCOMPARE(readFile(store.stateFile), QByteArray(R"({"mode":"normal","pid":77,"startedAt":1800000000.5})"));
    }

    void saveWithoutSupportFolderRaisesNothing()
    {
        FakePlatform fake;
        // A file where the folder's parent should be makes the folder impossible.
        writeFile(fake.homeDir.path() + "/.local", "in the way");
        StateStore store(fake.platform());
        QVERIFY(!QFileInfo(store.supportDirectory).isDir());
        store.saveState();
        QVERIFY(!QFile::exists(store.stateFile));
        store.appendHistory("enable", AwakeMode::normal, "进入挂机");
        QVERIFY(store.loadHistoryEntries().empty());
    }

    // A full disk: the write fails, the caller hears of it and the old file stays.
    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("preferences");
        QTest::newRow("state") << false;
        QTest::newRow("preferences") << true;
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(bool, preferences);
        FakePlatform fake;
        StateStore store(fake.platform());
        QVERIFY(store.saveState());
        const QString path = preferences ? store.prefsFile : store.stateFile;
        const QByteArray before = readFile(path);
        QVERIFY(!before.isEmpty());
        {
            const FileSizeLimit full(8);
            store.mode = AwakeMode::normal;
            store.pid = 77;
            store.minimumBatteryPercentage = 40;
            QVERIFY(!(preferences ? store.savePreferences() : store.saveState()));
        }
        QCOMPARE(readFile(path), before);
        QCOMPARE(QDir(store.supportDirectory).entryList(QDir::Files | QDir::Hidden).size(), 2); // no leftovers
        QVERIFY(preferences ? store.savePreferences() : store.saveState());
        QVERIFY(readFile(path) != before);
    }

    void unchangedStateIsNotRewritten()
    {
        FakePlatform fake;
        StateStore store(fake.platform());
        store.reconnectIfPossible();
        const auto first = stampOf(store.stateFile);
        QVERIFY(first.second >= 0);
        QTest::qWait(20); // a rewrite would show in the time
        for (int tick = 0; tick < 3; ++tick)
            store.reconnectIfPossible(); // the monitor while nothing runs
        QVERIFY(store.saveState());
        QCOMPARE(stampOf(store.stateFile), first);

        store.startedAt = 1800000000.5;
        QVERIFY(store.saveState());
        QVERIFY(stampOf(store.stateFile).first != first.first);
        QCOMPARE(decodeState(readFile(store.stateFile))->startedAt, std::optional(1800000000.5));
    }

    void supportFolderFollowsXdgDataHome()
    {
        FakePlatform fake;
        QCOMPARE(fake.supportDirectory(), fake.homeDir.path() + "/.local/share/PelvaneWakehold");
        fake.environment.variables.insert("XDG_DATA_HOME", fake.homeDir.path() + "/data");
        StateStore store(fake.platform());
        QCOMPARE(store.supportDirectory, fake.homeDir.path() + "/data/PelvaneWakehold");
        QCOMPARE(store.stateFile, store.supportDirectory + "/state.json");
        QCOMPARE(store.historyFile, store.supportDirectory + "/history.jsonl");
        QCOMPARE(store.prefsFile, store.supportDirectory + "/prefs.json");
        QVERIFY(QFileInfo(store.supportDirectory).isDir());
        // A relative value is not a base folder.
        fake.environment.variables.insert("XDG_DATA_HOME", "data");
        QCOMPARE(fake.supportDirectory(), fake.homeDir.path() + "/.local/share/PelvaneWakehold");
    }
};

QTEST_GUILESS_MAIN(StateFileTest)
#include "tst_statefile.moc"
