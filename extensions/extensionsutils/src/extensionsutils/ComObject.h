#pragma once

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/InterfaceTable.h"
#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/ModuleLock.h"

#include <atomic>
#include <new>
#include <utility>

namespace extensionsutils {

// Base of every COM implementation class: the reference count (interlocked, any thread) and the module
// lock that each live object holds. The IUnknown methods come from the concrete wrapper (ComObject or
// WeakPtrCComObject); the class declares `using Interfaces = InterfaceTable<...>;`.
class ComObjectRoot
{
public:
    ComObjectRoot(const ComObjectRoot&) = delete;
    ComObjectRoot& operator=(const ComObjectRoot&) = delete;

protected:
    ComObjectRoot() { lockModule(); }
    ~ComObjectRoot() { unlockModule(); }

    ULONG internalAddRef() { return static_cast<ULONG>(++referenceCount_); }
    ULONG internalRelease() { return static_cast<ULONG>(--referenceCount_); }

    // Drops one reference unless it is the last one: the new count, or 0 when nothing was dropped.
    ULONG releaseUnlessLast()
    {
        LONG count = referenceCount_.load();
        while (count > 1) {
            if (referenceCount_.compare_exchange_weak(count, count - 1)) return static_cast<ULONG>(count - 1);
        }
        return 0;
    }

private:
    std::atomic<LONG> referenceCount_{0};
};

// The concrete COM object of an implementation class T: T's IUnknown, answered from T::Interfaces, and
// destruction with the last reference. Create objects only through create().
template <class T>
class ComObject final : public T
{
public:
    // A new object holding one reference, or empty if it could not be constructed.
    template <class... Args>
    static MICComPtr<T> create(Args&&... args)
    {
        ComObject* object = nullptr;
        try {
            object = new ComObject(std::forward<Args>(args)...);
        } catch (...) {
            return MICComPtr<T>(); // construction ran out of memory: a failed creation, not a crash
        }
        return MICComPtr<T>(object);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** result) override
    {
        return T::Interfaces::query(static_cast<T*>(this), iid, result);
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return this->internalAddRef(); }

    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG remaining = this->internalRelease();
        if (remaining == 0) delete this;
        return remaining;
    }

private:
    template <class... Args>
    explicit ComObject(Args&&... args) : T(std::forward<Args>(args)...)
    {
    }
    ~ComObject() = default;
};

} // namespace extensionsutils
