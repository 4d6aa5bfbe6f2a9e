#pragma once

#include "ExtensionProvider/HostCallGate.h"
#include "ExtensionProvider/HostObjectHolds.h"

#include "extensionsutils/ComPtr.h"

#include <utility>

// One host object kept beyond a call, which the module's stop can take away (HostObjectHolds).
// Threads: any; every use passes `gate`, which letting go closes first, so the host object is released
// only once no call on it is under way. `object` changes only after the gate is closed.
template <class T>
class HeldHostObject final : public HostObjectHolder
{
public:
    explicit HeldHostObject(extensionsutils::ComPtr<T> held) : object(std::move(held)) {}

    // Calls use(T*) while the object is held; false, without calling, otherwise (there never was one, or
    // the stop took it).
    template <class Use>
    bool use(Use&& use)
    {
        HostCallGate::Call call(gate);
        if (!call || !object) return false;
        use(object.get());
        return true;
    }

    void letGoOfHost() override
    {
        gate.close();
        object.reset();
    }

private:
    HostCallGate gate;
    extensionsutils::ComPtr<T> object;
};
