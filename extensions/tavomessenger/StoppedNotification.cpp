#include "StoppedNotification.h"

#include "StructuredExceptionGuard.h"
#include "logging/Logging.h"

#include <ios>

void StoppedNotification::notify()
{
    if (notified.exchange(true)) return;
    DWORD code = 0;
    if (!StructuredExceptionGuard::call(&StoppedNotification::callHostCatching, this, code))
        TAVO_LOG(4, "the host's stopped callback raised exception 0x" << std::hex << code << ", ignoring");
}

// Runs inside the guard: nothing here needs a destructor while the host's code runs.
void StoppedNotification::callHostCatching(void* self)
{
    try {
        static_cast<StoppedNotification*>(self)->callHost();
    } catch (...) {
        TAVO_LOG(4, "the host's stopped callback threw an exception, ignoring");
    }
}
