#pragma once

#include "extensionsutils/CComWeakPtr.h"

#include <memory>

namespace extensionsutils {

// Base of a weakly referable class T (class T : ..., public CComWeakPtrEnabled<T>). The liveness state is
// set by WeakPtrCComObject, the only wrapper that keeps it current; an object without it hands out
// empty weak references.
template <class T>
class CComWeakPtrEnabled
{
public:
    virtual ~CComWeakPtrEnabled() = default;

    virtual CComWeakPtr<T> getWeakPtr()
    {
        if (!state_) return CComWeakPtr<T>();
        vorn::MutexGuard guard(state_->mutex);
        return CComWeakPtr<T>(state_, static_cast<T*>(this));
    }

protected:
    CComWeakPtrEnabled() = default;

    void setWeakPtrState(std::shared_ptr<CComWeakPtrState> state) { state_ = std::move(state); }
    const std::shared_ptr<CComWeakPtrState>& weakPtrState() const { return state_; }

private:
    std::shared_ptr<CComWeakPtrState> state_;
};

} // namespace extensionsutils
