#pragma once

#include "vorn/Mutex.h"

#include <windows.h>

namespace vorn {

// A condition variable over a counting semaphore. Waiters note the generation at which they began to
// wait; a notify advances it, so a release can only be taken by a thread that was already waiting
// when it was made. Any thread may wait or notify; the critical section guards the three counts.
class Condition {
public:
    Condition();
    ~Condition();
    Condition(const Condition&) = delete;
    Condition& operator=(const Condition&) = delete;

    // Called with `mutex` locked; returns with it locked again.
    // 0 when woken by a notify, 1 when the time-out passed, -1 when the condition is unusable.
    int wait(Mutex& mutex, DWORD timeoutMs);
    int wait(Mutex& mutex);

    // 0 on success, -1 when the condition is unusable.
    int notifyOne();
    int notifyAll();

private:
    bool usable() const;
    int awaitRelease(unsigned long noted, DWORD timeoutMs);
    bool claimRelease(unsigned long noted);

    HANDLE semaphore_;
    CRITICAL_SECTION section_;
    long waiters_ = 0;
    long pendingReleases_ = 0;
    unsigned long generation_ = 0;
};

} // namespace vorn
