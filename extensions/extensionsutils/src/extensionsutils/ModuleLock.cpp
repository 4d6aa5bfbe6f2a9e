#include "extensionsutils/ModuleLock.h"

#include "vorn/Mutex.h"

#include <windows.h>

namespace extensionsutils {

namespace {

// While the count is above zero the module holds a reference to itself, so that a host that unloads it
// after the stop cannot unmap the code of objects Office still holds. The last unlock hands the reference
// to a thread of its own that lets it go with FreeLibraryAndExitThread, so no module code runs after the
// unmapping; like COM's own delayed unloading, that thread first gives the releasing caller time to leave.
const DWORD unpinDelayMs = 200;

struct Pin {
    vorn::Mutex mutex;
    long count = 0;          // guarded by mutex
    HMODULE module = nullptr; // guarded by mutex
};

// Never destroyed: the last unlock may come while the process ends.
Pin& pin()
{
    static Pin* const instance = new Pin;
    return *instance;
}

HMODULE referenceThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&referenceThisModule),
                       &module);
    return module;
}

DWORD WINAPI unpinLater(void* module)
{
    Sleep(unpinDelayMs);
    FreeLibraryAndExitThread(static_cast<HMODULE>(module), 0);
}

void unpin(HMODULE module)
{
    HANDLE thread = CreateThread(nullptr, 0, unpinLater, module, 0, nullptr);
    // Without a thread the reference stays: the module remains loaded, which is always safe.
    if (thread) CloseHandle(thread);
}

} // namespace

void lockModule()
{
    Pin& p = pin();
    vorn::MutexGuard guard(p.mutex);
    if (p.count++ == 0) p.module = referenceThisModule();
}

void unlockModule()
{
    Pin& p = pin();
    HMODULE released = nullptr;
    {
        vorn::MutexGuard guard(p.mutex);
        if (--p.count == 0) {
            released = p.module;
            p.module = nullptr;
        }
    }
    if (released) unpin(released);
}

long moduleLockCount()
{
    Pin& p = pin();
    vorn::MutexGuard guard(p.mutex);
    return p.count;
}

} // namespace extensionsutils
