#pragma once

// Watches, from a thread of its own, what the module and Office do to the host: the UpAndRunning value the
// module writes, the host listeners it registers, the e-mail resolutions and the chats and calls it asks
// for. Each change is reported once, in the order seen, through the callbacks (on the monitor's thread).
// Polling keeps the fake host free of hooks; 50 ms is quick enough for people and scripts.

#include "support/FakeHost.h"

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace hostsim {

struct ActivityEvents {
    std::function<void(std::optional<DWORD> upAndRunning)> upAndRunningChanged;
    std::function<void(std::size_t listeners)> listenerCountChanged;
    std::function<void(const std::wstring& email)> resolutionRequested;
    std::function<void(const fakehost::ConversationStart& start)> conversationRequested;
};

class ActivityMonitor {
public:
    ActivityMonitor(std::shared_ptr<fakehost::FakeHost> host, ActivityEvents events, DWORD intervalMs = 50);
    ~ActivityMonitor(); // ends the thread; no callback runs afterwards
    ActivityMonitor(const ActivityMonitor&) = delete;
    ActivityMonitor& operator=(const ActivityMonitor&) = delete;

    // Looks at once, on the calling thread: the host calls it right after its own start and stop, so that
    // a stop followed by a quick start still shows every UpAndRunning step in order.
    void pollNow();

private:
    void run();

    std::shared_ptr<fakehost::FakeHost> host_;
    ActivityEvents events_;
    DWORD intervalMs_;

    std::mutex pollMutex_; // one poll at a time; guards what was seen so far:
    bool first_ = true;
    std::optional<DWORD> upAndRunning_;
    std::size_t listeners_ = 0;
    std::size_t resolutions_ = 0;
    std::size_t conversations_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false; // guarded by mutex_
    std::thread thread_;
};

} // namespace hostsim
