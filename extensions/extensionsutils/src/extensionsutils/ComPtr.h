#pragma once

#include <windows.h>
#include <unknwn.h>

#include <utility>

namespace extensionsutils {

// Owning pointer to a COM interface: holds one reference and releases it when it lets go.
// Not synchronised; each thread keeps its own ComPtr (copies are cheap).
template <class T>
class ComPtr
{
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ComPtr(T* pointer) : pointer_(pointer) { addRef(); }
    ComPtr(const ComPtr& other) : pointer_(other.pointer_) { addRef(); }
    ComPtr(ComPtr&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
    ~ComPtr() { release(); }

    ComPtr& operator=(const ComPtr& other)
    {
        ComPtr(other).swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        ComPtr(std::move(other)).swap(*this);
        return *this;
    }
    ComPtr& operator=(T* pointer)
    {
        ComPtr(pointer).swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t)
    {
        reset();
        return *this;
    }

    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    T& operator*() const { return *pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For an out-parameter: lets go of what it holds and hands the slot to the callee.
    T** out()
    {
        reset();
        return &pointer_;
    }

    // Hands the reference over to the caller without releasing it.
    T* detach()
    {
        T* pointer = pointer_;
        pointer_ = nullptr;
        return pointer;
    }

    // Takes over a reference the caller already owns (no AddRef).
    void attach(T* pointer)
    {
        release();
        pointer_ = pointer;
    }

    void reset()
    {
        release();
        pointer_ = nullptr;
    }

    // Writes a new reference to an out-parameter; null stays allowed as a value.
    HRESULT copyTo(T** target) const
    {
        if (!target) return E_POINTER;
        *target = pointer_;
        if (pointer_) pointer_->AddRef();
        return S_OK;
    }

    template <class U>
    HRESULT queryInterface(REFIID iid, U** target) const
    {
        if (!target) return E_POINTER;
        *target = nullptr;
        if (!pointer_) return E_POINTER;
        return pointer_->QueryInterface(iid, reinterpret_cast<void**>(target));
    }

    template <class U>
    HRESULT queryInterface(U** target) const
    {
        return queryInterface(__uuidof(U), target);
    }

    // The same object as another interface, or empty when it does not answer that interface.
    template <class U>
    ComPtr<U> as() const
    {
        ComPtr<U> result;
        queryInterface(__uuidof(U), result.out());
        return result;
    }

    void swap(ComPtr& other) noexcept { std::swap(pointer_, other.pointer_); }

    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.pointer_ == b.pointer_; }
    friend bool operator!=(const ComPtr& a, const ComPtr& b) { return a.pointer_ != b.pointer_; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.pointer_ == nullptr; }
    friend bool operator!=(const ComPtr& a, std::nullptr_t) { return a.pointer_ != nullptr; }

private:
    void addRef()
    {
        if (pointer_) pointer_->AddRef();
    }
    void release()
    {
        if (pointer_) pointer_->Release();
    }

    T* pointer_ = nullptr;
};

// Whether two interface pointers belong to one COM object (compares their IUnknown identities).
inline bool sameComObject(IUnknown* a, IUnknown* b)
{
    if (!a || !b) return a == b;
    ComPtr<IUnknown> identityA;
    ComPtr<IUnknown> identityB;
    if (FAILED(a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identityA.out())))) return false;
    if (FAILED(b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identityB.out())))) return false;
    return identityA == identityB;
}

} // namespace extensionsutils
