#pragma once

// Holds a module thread at a chosen log line until the test lets it go: the log hook runs on the thread
// that writes the line, so a test can make an interleaving of the host's thread and the worker certain.

#include "support/FakeHost.h"
#include "support/ThreadTestHelpers.h"

#include <atomic>
#include <memory>
#include <string>

// Holds the first thread that logs `message` at that line until the gate opens.
inline std::shared_ptr<Gate> holdAt(fakehost::FakeHost& host, const std::wstring& message)
{
    auto gate = std::make_shared<Gate>();
    auto first = std::make_shared<std::atomic<bool>>(true);
    host.addLogHook([message, gate, first](const fakehost::LogRecord& record) {
        if (record.message == message && first->exchange(false)) gate->arriveAndWait();
    });
    return gate;
}
