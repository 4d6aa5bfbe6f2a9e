#include "vorn/Condition.h"

namespace vorn {

namespace {

const LONG maximumCount = 0x7FFFFFFF;

DWORD remainingTime(ULONGLONG start, DWORD timeoutMs)
{
    if (timeoutMs == INFINITE) return INFINITE;
    const ULONGLONG elapsed = GetTickCount64() - start;
    return elapsed >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - elapsed);
}

} // namespace

Condition::Condition()
    : semaphore_(CreateSemaphoreW(nullptr, 0, maximumCount, nullptr))
{
    InitializeCriticalSection(&section_);
}

Condition::~Condition()
{
    if (semaphore_) CloseHandle(semaphore_);
    DeleteCriticalSection(&section_);
}

bool Condition::usable() const
{
    DWORD flags = 0;
    return semaphore_ && GetHandleInformation(semaphore_, &flags);
}

int Condition::wait(Mutex& mutex)
{
    return wait(mutex, INFINITE);
}

int Condition::wait(Mutex& mutex, DWORD timeoutMs)
{
    if (!usable()) return -1;
    EnterCriticalSection(&section_);
    ++waiters_;
    const unsigned long noted = generation_;
    LeaveCriticalSection(&section_);

    mutex.unlock();
    const int result = awaitRelease(noted, timeoutMs);
    mutex.lock();
    return result;
}

// A release is ours when one is pending and a notify came after we began to wait. Taking it here,
// under the critical section, is what keeps releases and semaphore tokens in step: every claimed
// release consumes exactly one token.
bool Condition::claimRelease(unsigned long noted)
{
    if (pendingReleases_ == 0 || generation_ == noted) return false;
    --pendingReleases_;
    --waiters_;
    return true;
}

int Condition::awaitRelease(unsigned long noted, DWORD timeoutMs)
{
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        const bool gotToken = WaitForSingleObject(semaphore_, remainingTime(start, timeoutMs)) == WAIT_OBJECT_0;
        EnterCriticalSection(&section_);
        if (claimRelease(noted)) {
            LeaveCriticalSection(&section_);
            // Timed out just as a notify reached us: the token is in the semaphore or on its way back.
            if (!gotToken) WaitForSingleObject(semaphore_, INFINITE);
            return 0;
        }
        if (!gotToken) {
            --waiters_;
            LeaveCriticalSection(&section_);
            return 1;
        }
        LeaveCriticalSection(&section_);
        // The token belongs to a waiter that was there before us: give it back and let that one run.
        ReleaseSemaphore(semaphore_, 1, nullptr);
        SwitchToThread();
    }
}

int Condition::notifyOne()
{
    if (!semaphore_) return -1;
    EnterCriticalSection(&section_);
    const bool release = waiters_ > pendingReleases_;
    if (release) {
        ++pendingReleases_;
        ++generation_;
    }
    LeaveCriticalSection(&section_);
    if (release) ReleaseSemaphore(semaphore_, 1, nullptr);
    return 0;
}

int Condition::notifyAll()
{
    if (!semaphore_) return -1;
    EnterCriticalSection(&section_);
    const long releases = waiters_ - pendingReleases_;
    if (releases > 0) {
        pendingReleases_ = waiters_;
        ++generation_;
    }
    LeaveCriticalSection(&section_);
    if (releases > 0) ReleaseSemaphore(semaphore_, releases, nullptr);
    return 0;
}

} // namespace vorn
