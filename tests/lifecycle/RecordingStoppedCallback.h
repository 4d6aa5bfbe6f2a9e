#pragma once

// The host client's stopped callback as a test records it: how often, on which thread and in which COM
// apartment the module called it, and whether the revocation had been logged by then.
// Thread-safe: the module calls it on its worker thread while the test reads.

#include "TavoMessenger.h"

#include "support/FakeHost.h"

#include <windows.h>

#include <mutex>
#include <string>

class RecordingStoppedCallback : public TavoMessengerStoppedCallback {
public:
    // `host`, when given, is asked at each call whether the revocation's last line was logged already.
    explicit RecordingStoppedCallback(const fakehost::FakeHost* host = nullptr);
    ~RecordingStoppedCallback() override;
    RecordingStoppedCallback(const RecordingStoppedCallback&) = delete;
    RecordingStoppedCallback& operator=(const RecordingStoppedCallback&) = delete;

    void onStopped() override;

    int calls() const;
    DWORD thread() const;          // of the last call
    std::string apartment() const; // of the last call
    bool revocationLoggedBefore() const;
    // True once the callback has been called, within the time-out.
    bool waitForCall(DWORD timeoutMs = 20000) const;

private:
    const fakehost::FakeHost* host_;
    HANDLE called_;
    mutable std::mutex mutex_;
    // Guarded by mutex_:
    int calls_ = 0;
    DWORD thread_ = 0;
    std::string apartment_;
    bool revocationLoggedBefore_ = false;
};
