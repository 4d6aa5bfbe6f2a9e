#include "vorn/Event.h"

namespace vorn {

Event::Event(bool autoReset)
    : autoReset_(autoReset)
{
}

void Event::set()
{
    MutexGuard guard(mutex_);
    if (signalled_) return;
    signalled_ = true;
    if (autoReset_)
        condition_.notifyOne();
    else
        condition_.notifyAll();
}

int Event::wait()
{
    return wait(INFINITE);
}

int Event::wait(DWORD timeoutMs)
{
    const ULONGLONG start = GetTickCount64();
    MutexGuard guard(mutex_);
    while (!signalled_) {
        DWORD remaining = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG elapsed = GetTickCount64() - start;
            if (elapsed >= timeoutMs) return 1;
            remaining = static_cast<DWORD>(timeoutMs - elapsed);
        }
        const int result = condition_.wait(mutex_, remaining);
        if (result < 0) return -1;
    }
    if (autoReset_) signalled_ = false;
    return 0;
}

} // namespace vorn
