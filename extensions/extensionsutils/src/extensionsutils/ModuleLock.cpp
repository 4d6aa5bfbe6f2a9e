#include "extensionsutils/ModuleLock.h"

#include <atomic>

namespace extensionsutils {

namespace {
std::atomic<long> lockCount{0};
}

void lockModule()
{
    ++lockCount;
}

void unlockModule()
{
    --lockCount;
}

long moduleLockCount()
{
    return lockCount.load();
}

} // namespace extensionsutils
