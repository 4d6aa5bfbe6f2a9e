#pragma once

// The common part of the fake host's COM objects: free-threaded reference counting, QueryInterface for
// IUnknown and the object's interface, and a do-nothing IDispatch (the module calls through the vtable).
// Each object keeps the FakeHost alive and is counted in its liveObjectCount().

#include "support/AllocationFailures.h"
#include "support/FakeHost.h"

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <memory>
#include <type_traits>

namespace fakehost {

template <class Interface>
class FakeComObject : public Interface {
public:
    explicit FakeComObject(std::shared_ptr<FakeHost> host, bool counted = true)
        : host_(std::move(host)), counted_(counted)
    {
        if (counted_) host_->objectCreated();
    }
    virtual ~FakeComObject()
    {
        if (counted_) host_->objectDestroyed();
    }
    FakeComObject(const FakeComObject&) = delete;
    FakeComObject& operator=(const FakeComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == __uuidof(Interface)) {
            *object = static_cast<Interface*>(this);
        } else if constexpr (std::is_base_of<IDispatch, Interface>::value) {
            if (iid == IID_IDispatch) *object = static_cast<IDispatch*>(static_cast<Interface*>(this));
        }
        if (!*object) *object = otherInterface(iid);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

protected:
    // Further interfaces of the object (not AddRef'ed here); null for none.
    virtual void* otherInterface(REFIID) { return nullptr; }

    FakeHost& host() const { return *host_; }
    const std::shared_ptr<FakeHost>& hostPointer() const { return host_; }

private:
    std::shared_ptr<FakeHost> host_;
    bool counted_;
    std::atomic<ULONG> references_{0};
};

// Adds the IDispatch members that no one calls late-bound.
template <class Interface>
class FakeDispatchObject : public FakeComObject<Interface> {
public:
    using FakeComObject<Interface>::FakeComObject;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }
};

// Makes a new object and hands out its first reference as the interface asked for.
template <class Object, class Interface, class... Arguments>
extensionsutils::ComPtr<Interface> makeFakeObject(Arguments&&... arguments)
{
    const AllocationFailures::Pause hostAtWork;
    extensionsutils::ComPtr<Interface> result(static_cast<Interface*>(new Object(std::forward<Arguments>(arguments)...)));
    return result;
}

} // namespace fakehost
