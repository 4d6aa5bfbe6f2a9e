#pragma once

#include "vorn/Condition.h"
#include "vorn/Mutex.h"

#include <windows.h>

#include <vector>

namespace vorn {

// A writer-preferring reader-writer lock. Shared holders run side by side; an exclusive holder runs
// alone; once a writer waits, new readers wait behind it.
//
// Nested acquisition by the same thread never waits: a thread that already holds the lock shared and
// asks for it shared again passes even a queued writer (the writer could not get in before the outer
// hold ends anyway, so this starves no one), and a thread holding it exclusive may take it again in
// either mode, running under its outer hold. Only upgrading (exclusive while holding shared) is refused,
// since it would wait for the caller itself. Holds are counted per thread, so each lock must be
// released on the thread that took it, once per acquisition.
//
// Any thread may use it; `mutex_` guards every member below it.
class ReadWriteLock {
public:
    ReadWriteLock() = default;
    ReadWriteLock(const ReadWriteLock&) = delete;
    ReadWriteLock& operator=(const ReadWriteLock&) = delete;

    // 0 when the lock is held; 1 when refused (upgrade, or its primitives are unusable).
    int lockShared();
    int lockExclusive();
    // 0 when one hold of the calling thread was released; 1 when the calling thread held none.
    int unlock();

    // How many writers wait right now; for diagnostics.
    int waitingWriters();

private:
    struct SharedHold {
        DWORD threadId;
        int holds;
    };

    std::vector<SharedHold>::iterator findSharedHold(DWORD threadId);
    bool heldExclusiveBy(DWORD threadId) const;
    void wakeNext();

    Mutex mutex_;
    int count_ = 0; // threads holding it shared; -1 while held exclusive
    Condition readers_;
    int waitingWriters_ = 0;
    Condition writers_;
    DWORD writer_ = 0;
    int writerNestedHolds_ = 0;
    std::vector<SharedHold> sharedHolds_;
};

// Holds a ReadWriteLock shared for its lifetime.
class SharedGuard {
public:
    explicit SharedGuard(ReadWriteLock& lock);
    ~SharedGuard();
    SharedGuard(const SharedGuard&) = delete;
    SharedGuard& operator=(const SharedGuard&) = delete;

    bool owns() const { return owns_; }

private:
    ReadWriteLock& lock_;
    bool owns_;
};

// Holds a ReadWriteLock exclusive for its lifetime.
class ExclusiveGuard {
public:
    explicit ExclusiveGuard(ReadWriteLock& lock);
    ~ExclusiveGuard();
    ExclusiveGuard(const ExclusiveGuard&) = delete;
    ExclusiveGuard& operator=(const ExclusiveGuard&) = delete;

    bool owns() const { return owns_; }

private:
    ReadWriteLock& lock_;
    bool owns_;
};

} // namespace vorn
