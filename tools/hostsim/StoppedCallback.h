#pragma once

// The host's stopped callback for one StopTavoMessenger: counts the module's calls and lets the host wait
// for the first. The module calls it on its worker thread (or at once on the stopping thread when it was
// not running); the host waits on its own thread. A notifier runs at each call, on the calling thread.

#include "TavoMessenger.h"

#include <windows.h>

#include <functional>
#include <mutex>

namespace hostsim {

class StoppedCallback : public TavoMessengerStoppedCallback {
public:
    using Notifier = std::function<void(int callNumber)>;

    explicit StoppedCallback(Notifier notifier = nullptr);
    ~StoppedCallback() override;
    StoppedCallback(const StoppedCallback&) = delete;
    StoppedCallback& operator=(const StoppedCallback&) = delete;

    void onStopped() override;

    int calls() const;
    // True once onStopped was called, within the time-out.
    bool waitForCall(DWORD timeoutMs) const;

private:
    Notifier notifier_;
    HANDLE called_; // manual-reset event, set at the first call
    mutable std::mutex mutex_;
    int calls_ = 0; // guarded by mutex_
};

} // namespace hostsim
