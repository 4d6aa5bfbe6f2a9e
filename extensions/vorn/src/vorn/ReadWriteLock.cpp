#include "vorn/ReadWriteLock.h"

#include <algorithm>
#include <new>

namespace vorn {

std::vector<ReadWriteLock::SharedHold>::iterator ReadWriteLock::findSharedHold(DWORD threadId)
{
    return std::find_if(sharedHolds_.begin(), sharedHolds_.end(),
                        [threadId](const SharedHold& hold) { return hold.threadId == threadId; });
}

bool ReadWriteLock::heldExclusiveBy(DWORD threadId) const
{
    return count_ < 0 && writer_ == threadId;
}

int ReadWriteLock::lockShared()
{
    MutexGuard guard(mutex_);
    const DWORD self = GetCurrentThreadId();
    if (heldExclusiveBy(self)) {
        ++writerNestedHolds_;
        return 0;
    }
    const auto hold = findSharedHold(self);
    if (hold != sharedHolds_.end()) {
        ++hold->holds;
        return 0;
    }
    while (count_ < 0 || waitingWriters_ > 0) {
        if (readers_.wait(mutex_) < 0) return 1;
    }
    try {
        sharedHolds_.push_back(SharedHold{self, 1});
    } catch (const std::bad_alloc&) {
        return 1; // out of memory: refused like an unusable lock
    }
    ++count_;
    return 0;
}

int ReadWriteLock::lockExclusive()
{
    MutexGuard guard(mutex_);
    const DWORD self = GetCurrentThreadId();
    if (heldExclusiveBy(self)) {
        ++writerNestedHolds_;
        return 0;
    }
    if (findSharedHold(self) != sharedHolds_.end()) return 1;
    while (count_ != 0) {
        ++waitingWriters_;
        const int waited = writers_.wait(mutex_);
        --waitingWriters_;
        if (waited < 0) {
            if (waitingWriters_ == 0) readers_.notifyAll();
            return 1;
        }
    }
    count_ = -1;
    writer_ = self;
    return 0;
}

int ReadWriteLock::unlock()
{
    MutexGuard guard(mutex_);
    const DWORD self = GetCurrentThreadId();
    if (count_ < 0) {
        if (writer_ != self) return 1;
        if (writerNestedHolds_ > 0) {
            --writerNestedHolds_;
            return 0;
        }
        writer_ = 0;
        count_ = 0;
    } else {
        const auto hold = findSharedHold(self);
        if (hold == sharedHolds_.end()) return 1;
        if (--hold->holds > 0) return 0;
        sharedHolds_.erase(hold);
        --count_;
    }
    wakeNext();
    return 0;
}

int ReadWriteLock::waitingWriters()
{
    MutexGuard guard(mutex_);
    return waitingWriters_;
}

// Called under the mutex once a hold has really ended: a waiting writer goes first.
void ReadWriteLock::wakeNext()
{
    if (waitingWriters_ > 0) {
        if (count_ == 0) writers_.notifyOne();
        return;
    }
    readers_.notifyAll();
}

SharedGuard::SharedGuard(ReadWriteLock& lock)
    : lock_(lock)
    , owns_(lock.lockShared() == 0)
{
}

SharedGuard::~SharedGuard()
{
    if (owns_) lock_.unlock();
}

ExclusiveGuard::ExclusiveGuard(ReadWriteLock& lock)
    : lock_(lock)
    , owns_(lock.lockExclusive() == 0)
{
}

ExclusiveGuard::~ExclusiveGuard()
{
    if (owns_) lock_.unlock();
}

} // namespace vorn
