#pragma once

#include <windows.h>

namespace vorn {

// A non-recursive-by-contract lock over one heap-allocated critical section.
// Any thread may lock it; the critical section itself is what serialises them.
class Mutex {
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    // 0 on success; 1 when the critical section could not be allocated (nothing is locked then).
    int lock();
    int unlock();

private:
    CRITICAL_SECTION* section_;
};

// Locks in its constructor and unlocks once in its destructor.
class MutexGuard {
public:
    explicit MutexGuard(Mutex& mutex);
    ~MutexGuard();
    MutexGuard(const MutexGuard&) = delete;
    MutexGuard& operator=(const MutexGuard&) = delete;

private:
    Mutex& mutex_;
};

} // namespace vorn
