#pragma once

// Holds a module thread at a chosen log line until the test lets it go: the log hook runs on the thread
// that writes the line, so a test can make an interleaving of the host's thread and the worker certain.

#include "support/FakeHost.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

class Gate {
public:
    Gate() : open_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), reached_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Gate()
    {
        CloseHandle(open_);
        CloseHandle(reached_);
    }
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;

    // On the held thread: tells that it arrived, then waits (20 s at most, so a failing test cannot hang).
    void arriveAndWait()
    {
        SetEvent(reached_);
        WaitForSingleObject(open_, 20000);
    }
    bool waitUntilReached() const { return WaitForSingleObject(reached_, 20000) == WAIT_OBJECT_0; }
    void open() { SetEvent(open_); }

private:
    HANDLE open_;
    HANDLE reached_;
};

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
