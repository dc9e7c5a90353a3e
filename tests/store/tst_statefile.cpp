#include "store/StateFile.h"

#include <QtTest>

using namespace launcher;

class StateFileTest : public QObject {
    Q_OBJECT
private slots:
    void onlyModeReadsAsEmptyRecord()
    {
        const auto state = decodeState(R"({"mode":"off"})");
        QVERIFY(state);
        QCOMPARE(*state, PersistedState{});
    }
};

QTEST_GUILESS_MAIN(StateFileTest)
#include "tst_statefile.moc"
