#pragma once

#include "engine/StateStore.h"
#include "platform/TestModeParts.h"
#include "support/FakePlatform.h"
#include "support/Files.h"

#include <QStringList>

#include <memory>

namespace launcher::testing {

// A fake machine and a store on it, with every notice collected.
struct StoreFixture {
    // In the test mode the store runs on the inert parts chosen over the fake.
    explicit StoreFixture(bool testMode = false)
    {
        if (testMode)
            fake.environment.variables.insert(QStringLiteral("PELVANE_TEST_MODE"), QStringLiteral("1"));
        chosen = std::make_unique<TestModeParts>(fake.platform());
        store = std::make_unique<StateStore>(chosen->platform());
        store->setOnNotice([this](const QString& text) { notices << text; });
    }

    std::vector<HistoryEntry> history() const { return historyEntries(store->historyFile()); }
    QByteArray stateFileBytes() const { return readFile(store->stateFile()); }

    FakePlatform fake;
    std::unique_ptr<TestModeParts> chosen;
    std::unique_ptr<StateStore> store;
    QStringList notices;
};

} // namespace launcher::testing
