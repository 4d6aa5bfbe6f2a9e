#pragma once

#include "ExtensionProvider/HostObjectHolds.h"

#include "extensionsutils/ComPtr.h"
#include "vorn/ReadWriteLock.h"

#include <utility>

// One host object kept beyond a call, which the module's stop can take away (HostObjectHolds).
// Threads: any; `lock` is held shared for each use, the host call included, and exclusive to let go, so
// the host object is released only once no call on it is under way. It guards `object`.
template <class T>
class HeldHostObject final : public HostObjectHolder
{
public:
    explicit HeldHostObject(extensionsutils::ComPtr<T> held) : object(std::move(held)) {}

    // Calls use(T*) while the object is held and the lock could be taken; false, without calling, otherwise
    // (there never was one, or the stop took it).
    template <class Use>
    bool use(Use&& use)
    {
        vorn::SharedGuard guard(lock);
        if (!guard.owns() || !object) return false;
        use(object.get());
        return true;
    }

    void letGoOfHost() override
    {
        extensionsutils::ComPtr<T> released;
        vorn::ExclusiveGuard guard(lock);
        if (guard.owns()) released.swap(object);
    }

private:
    vorn::ReadWriteLock lock;
    extensionsutils::ComPtr<T> object;
};
