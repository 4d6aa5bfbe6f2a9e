#pragma once

#include "extensionsutils/ComPtr.h"

#include <utility>

namespace extensionsutils {

// Owning pointer to an implementation class T (not an interface). T may have several IUnknown-derived
// bases, so references are taken and dropped through the object's COM identity (the first entry of
// T::Interfaces). Not synchronised; copies are cheap.
template <class T>
class MICComPtr
{
public:
    MICComPtr() = default;
    MICComPtr(std::nullptr_t) {}
    explicit MICComPtr(T* object) : object_(object) { addRef(); }
    // From an ordinary owning pointer of a class with a single interface base.
    explicit MICComPtr(const ComPtr<T>& pointer) : MICComPtr(pointer.get()) {}
    MICComPtr(const MICComPtr& other) : object_(other.object_) { addRef(); }
    MICComPtr(MICComPtr&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    ~MICComPtr() { release(); }

    MICComPtr& operator=(const MICComPtr& other)
    {
        MICComPtr(other).swap(*this);
        return *this;
    }
    MICComPtr& operator=(MICComPtr&& other) noexcept
    {
        MICComPtr(std::move(other)).swap(*this);
        return *this;
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

    void reset()
    {
        release();
        object_ = nullptr;
    }

    // The object as one of its interfaces (QueryInterface through its identity); empty if it has none.
    template <class I>
    ComPtr<I> as() const
    {
        ComPtr<I> result;
        if (object_) identity()->QueryInterface(__uuidof(I), reinterpret_cast<void**>(result.out()));
        return result;
    }

    // Writes a new reference to one of its interfaces to an out-parameter.
    template <class I>
    HRESULT copyTo(I** target) const
    {
        if (!target) return E_POINTER;
        *target = nullptr;
        if (!object_) return E_POINTER;
        return identity()->QueryInterface(__uuidof(I), reinterpret_cast<void**>(target));
    }

    IUnknown* identity() const { return object_ ? T::Interfaces::identity(object_) : nullptr; }

    void swap(MICComPtr& other) noexcept { std::swap(object_, other.object_); }

    friend bool operator==(const MICComPtr& a, const MICComPtr& b) { return a.object_ == b.object_; }
    friend bool operator!=(const MICComPtr& a, const MICComPtr& b) { return a.object_ != b.object_; }

private:
    void addRef()
    {
        if (object_) identity()->AddRef();
    }
    void release()
    {
        if (object_) identity()->Release();
    }

    T* object_ = nullptr;
};

} // namespace extensionsutils
