#pragma once

#include "extensionsutils/CComWeakPtrEnabled.h"
#include "extensionsutils/ComObject.h"

#include "vorn/Mutex.h"

#include <memory>
#include <type_traits>
#include <utility>

namespace extensionsutils {

// The concrete COM object of a weakly referable class T (used instead of ComObject): its last Release
// marks the object dead for every CComWeakPtr before destroying it. Any thread.
template <class T>
class WeakPtrCComObject final : public T
{
    static_assert(std::is_base_of<CComWeakPtrEnabled<T>, T>::value, "T must derive from CComWeakPtrEnabled<T>");

public:
    template <class... Args>
    static MICComPtr<T> create(Args&&... args)
    {
        WeakPtrCComObject* object = nullptr;
        try {
            object = new WeakPtrCComObject(std::forward<Args>(args)...);
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

    // Any release but the last needs no lock. The last one is decided under the state's mutex, the same
    // guard as lock(): a weak reference locked meanwhile raised the count, so the decrement does not reach
    // zero and the object lives on.
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG remaining = this->releaseUnlessLast();
        if (remaining != 0) return remaining;
        const std::shared_ptr<CComWeakPtrState> state = this->weakPtrState();
        ULONG count = 0;
        {
            vorn::MutexGuard guard(state->mutex);
            count = this->internalRelease();
            if (count == 0) state->alive = false;
        }
        if (count == 0) delete this;
        return count;
    }

private:
    template <class... Args>
    explicit WeakPtrCComObject(Args&&... args) : T(std::forward<Args>(args)...)
    {
        this->setWeakPtrState(std::make_shared<CComWeakPtrState>());
    }
    ~WeakPtrCComObject() override = default;
};

} // namespace extensionsutils
