#include "vorn/Mutex.h"

#include <cstdio>
#include <new>

namespace vorn {

Mutex::Mutex()
    : section_(new (std::nothrow) CRITICAL_SECTION)
{
    if (!section_) {
        std::fputs("Error in Mutex::Mutex(): could not allocate memory\n", stdout);
        return;
    }
    InitializeCriticalSection(section_);
}

Mutex::~Mutex()
{
    if (!section_) return;
    DeleteCriticalSection(section_);
    delete section_;
}

int Mutex::lock()
{
    if (!section_) return 1;
    EnterCriticalSection(section_);
    return 0;
}

int Mutex::unlock()
{
    if (!section_) return 1;
    LeaveCriticalSection(section_);
    return 0;
}

MutexGuard::MutexGuard(Mutex& mutex)
    : mutex_(mutex)
{
    mutex_.lock();
}

MutexGuard::~MutexGuard()
{
    mutex_.unlock();
}

} // namespace vorn
