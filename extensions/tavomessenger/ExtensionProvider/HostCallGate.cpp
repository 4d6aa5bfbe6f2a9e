#include "ExtensionProvider/HostCallGate.h"

#include "vorn/Condition.h"

#include <windows.h>

namespace {

// One condition for every gate, since closing is rare and a semaphore per gate is not: a closing gate
// is told that some call somewhere ended and looks at its own count again.
vorn::Condition& callEnded()
{
    static vorn::Condition* const condition = new vorn::Condition; // never destroyed: used until the process ends
    return *condition;
}

const DWORD recheckMs = 50; // a notify cannot be lost, but an unusable condition answers at once

} // namespace

bool HostCallGate::enter()
{
    vorn::MutexGuard guard(mutex);
    if (closed) return false;
    ++calls;
    return true;
}

void HostCallGate::leave()
{
    vorn::MutexGuard guard(mutex);
    if (--calls == 0 && closed) callEnded().notifyAll();
}

void HostCallGate::close()
{
    vorn::MutexGuard guard(mutex);
    closed = true;
    while (calls > 0) {
        if (callEnded().wait(mutex, recheckMs) < 0) {
            mutex.unlock();
            Sleep(1);
            mutex.lock();
        }
    }
}
