#pragma once

#include "vorn/Condition.h"
#include "vorn/Mutex.h"

#include <windows.h>

namespace vorn {

// A flag that threads wait for. An auto-reset event lets one waiter through per set and clears itself
// as that waiter leaves; a manual-reset event stays set. Any thread may set or wait.
class Event {
public:
    explicit Event(bool autoReset = true);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    // 0 once signalled, -1 when the condition underneath is unusable.
    int wait();
    // 0 once signalled, 1 when the time-out passed first, -1 when unusable.
    int wait(DWORD timeoutMs);

private:
    bool autoReset_;
    bool signalled_ = false;
    Mutex mutex_;
    Condition condition_;
};

} // namespace vorn
