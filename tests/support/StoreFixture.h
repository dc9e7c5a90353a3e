#pragma once

#include "engine/StateStore.h"
#include "support/FakePlatform.h"
#include "support/Files.h"

#include <QStringList>

#include <memory>

namespace launcher::testing {

// A fake machine and a store on it, with every notice collected.
struct StoreFixture {
    explicit StoreFixture(bool selfTestMode = false)
    {
        if (selfTestMode)
            fake.environment.variables.insert(QStringLiteral("PELVANE_TEST_MODE"), QStringLiteral("1"));
        store = std::make_unique<StateStore>(fake.platform());
        store->onNotice = [this](const QString& text) { notices << text; };
    }

    std::vector<HistoryEntry> history() const { return store->loadHistoryEntries(); }
    QByteArray stateFileBytes() const { return readFile(store->stateFile); }

    FakePlatform fake;
    std::unique_ptr<StateStore> store;
    QStringList notices;
};

} // namespace launcher::testing
