#pragma once

#include "extensionsutils/MICComPtr.h"

#include "vorn/Mutex.h"

#include <memory>

namespace extensionsutils {

// The shared liveness record of one weakly referable object: owned by the object and by every weak
// reference to it. `alive` is read and written only under `mutex`.
struct CComWeakPtrState
{
    bool alive = true;
    vorn::Mutex mutex;
};

// A weak reference to a COM object of class T: holds no reference, and lock() yields an owning pointer
// while the object lives, an empty one after its last reference went. Copies share the state; copy, lock
// and destroy on any thread.
template <class T>
class CComWeakPtr
{
public:
    CComWeakPtr() = default;
    CComWeakPtr(std::shared_ptr<CComWeakPtrState> state, T* object) : state_(std::move(state)), object_(object) {}

    // The liveness test and the new reference are made under the mutex under which the last release
    // marks the object dead, so a reference handed out here was taken while the count was above zero.
    MICComPtr<T> lock() const
    {
        if (!state_ || !object_) return MICComPtr<T>();
        vorn::MutexGuard guard(state_->mutex);
        if (!state_->alive) return MICComPtr<T>();
        return MICComPtr<T>(object_);
    }

    // True once the object's last reference went; takes no reference, so a caller that must not end
    // up holding the last one (a host callback) can test liveness without lock().
    bool expired() const
    {
        if (!state_ || !object_) return true;
        vorn::MutexGuard guard(state_->mutex);
        return !state_->alive;
    }

    void reset()
    {
        state_.reset();
        object_ = nullptr;
    }

private:
    std::shared_ptr<CComWeakPtrState> state_;
    T* object_ = nullptr;
};

} // namespace extensionsutils
