#include "engine/StateStore.h"
#include "store/StateFile.h"
#include "support/FakePlatform.h"
#include "support/Files.h"

#include <QJsonDocument>
#include <QJsonObject>
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
    void onlyModeReadsAsEmptyRecord()
    {
        const auto state = decodeState(R"({"mode":"off"})");
        QVERIFY(state);
        QCOMPARE(*state, PersistedState{});
    }

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
        state.startedAt = 1733400000.25;
        const QByteArray bytes = encodeState(state);
        QVERIFY(!bytes.contains('\n'));
        QVERIFY(!bytes.contains(' '));
        QCOMPARE(decodeState(bytes), std::optional(state));
    }

    void absentValuesAreLeftOut()
    {
        PersistedState state;
        state.pid = 4242;
        state.mode = AwakeMode::normal;
        state.startedAt = 1733400000.25;
        const QJsonObject object = QJsonDocument::fromJson(encodeState(state)).object();
        QCOMPARE(object.keys(), (QStringList{"mode", "pid", "startedAt"}));
        QCOMPARE(object.value("pid").toInteger(), 4242);
        QCOMPARE(object.value("startedAt").toDouble(), 1733400000.25);
        QVERIFY(!encodeState(state).contains("null"));
    }

    void startTimeKeepsItsFraction()
    {
        PersistedState state;
        state.startedAt = 1800000000.123456;
        QCOMPARE(decodeState(encodeState(state))->startedAt, std::optional(1800000000.123456));
    }

    void nullAndMissingAreBothAbsent()
    {
        QCOMPARE(decodeState(R"({"mode":"normal","pid":null})")->pid, std::nullopt);
        QCOMPARE(decodeState(R"({"mode":"normal"})")->pid, std::nullopt);
        QCOMPARE(decodeState(R"({"mode":"normal","previousMuted":null,"unknown":[1,2]})")->previousMuted, std::nullopt);
    }

    void rejectsInvalidRecords_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not json") << QByteArray("mode=off");
        QTest::newRow("array") << QByteArray(R"([{"mode":"off"}])");
        QTest::newRow("no mode") << QByteArray(R"({"pid":12})");
        QTest::newRow("unknown mode") << QByteArray(R"({"mode":"sleepy"})");
        QTest::newRow("mode case") << QByteArray(R"({"mode":"Normal"})");
        QTest::newRow("mode not string") << QByteArray(R"({"mode":1})");
        QTest::newRow("pid string") << QByteArray(R"({"mode":"normal","pid":"4242"})");
        QTest::newRow("pid fraction") << QByteArray(R"({"mode":"normal","pid":42.5})");
        QTest::newRow("pid over int32") << QByteArray(R"({"mode":"normal","pid":2147483648})");
        QTest::newRow("pid under int32") << QByteArray(R"({"mode":"normal","pid":-2147483649})");
        QTest::newRow("muted number") << QByteArray(R"({"mode":"forced","previousMuted":1})");
        QTest::newRow("volume bool") << QByteArray(R"({"mode":"forced","previousVolume":true})");
        QTest::newRow("brightness string") << QByteArray(R"({"mode":"forced","previousBrightness":"0.5"})");
        QTest::newRow("startedAt string") << QByteArray(R"({"mode":"normal","startedAt":"yesterday"})");
        QTest::newRow("truncated") << QByteArray(R"({"mode":"normal","pid":42)");
    }
    void rejectsInvalidRecords()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(decodeState(bytes), std::nullopt);
    }

    void pidAtTheInt32EdgesIsAccepted()
    {
        QCOMPARE(decodeState(R"({"mode":"normal","pid":2147483647})")->pid, std::optional<qint32>(2147483647));
        QCOMPARE(decodeState(R"({"mode":"normal","pid":-2147483648})")->pid, std::optional<qint32>(-2147483648));
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
