#pragma once

// Watches the module's log records as they are written to the fake host's logger: which thread wrote
// each message first and in which COM apartment it was then, and every thread besides the test's own that
// logged, so that a test can wait until those threads have ended before it unloads the module.
// Thread-safe: the hook runs on whichever thread logs.

#include "support/FakeHost.h"

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

class LogWatch {
public:
    struct Sighting {
        DWORD thread = 0;
        std::string apartment; // as fakeoffice::currentApartment() words it
    };

    explicit LogWatch(fakehost::FakeHost& host);
    LogWatch(const LogWatch&) = delete;
    LogWatch& operator=(const LogWatch&) = delete;

    // Where the message was first logged; nothing if it was not.
    std::optional<Sighting> firstSighting(const std::wstring& message) const;

    // Waits until every thread other than the test's own that wrote a record has ended.
    bool waitUntilOtherThreadsEnded(DWORD timeoutMs) const;

private:
    struct State {
        ~State();
        void observe(const fakehost::LogRecord& record);

        DWORD testThread = GetCurrentThreadId();
        mutable std::mutex mutex;
        std::map<std::wstring, Sighting> sightings; // guarded by mutex
        std::set<DWORD> threads;                    // guarded by mutex
        std::vector<HANDLE> threadHandles;          // guarded by mutex
    };
    // Shared with the hook, which may outlive this object inside the fake host.
    std::shared_ptr<State> state_;
};
