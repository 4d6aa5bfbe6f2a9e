#pragma once

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/TypeInfoHolder.h"

#include <windows.h>
#include <oaidl.h>

namespace extensionsutils {

// IDispatch of a dual interface, answered from the registered type library's description of it: names,
// dispatch identifiers and parameter lists come from the library, and Invoke calls through the vtable.
// The description is loaded on first use and kept for the module's life. Any thread.
template <class Interface, const IID* InterfaceId, const GUID* LibraryId, WORD Major = 1, WORD Minor = 0>
class DispatchImpl : public Interface
{
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** result) override
    {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        ComPtr<ITypeInfo> info;
        const HRESULT hr = typeInfoHolder().typeInfo(locale, info);
        if (FAILED(hr)) return hr;
        *result = info.detach();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override
    {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (count > 0 && (!names || !ids)) return E_POINTER;
        ComPtr<ITypeInfo> info;
        const HRESULT hr = typeInfoHolder().typeInfo(locale, info);
        if (FAILED(hr)) return hr;
        return info->GetIDsOfNames(names, count, ids);
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override
    {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        if (!parameters) return E_POINTER;
        ComPtr<ITypeInfo> info;
        const HRESULT hr = typeInfoHolder().typeInfo(locale, info);
        if (FAILED(hr)) return hr;
        return info->Invoke(static_cast<Interface*>(this), id, flags, parameters, result, exception, argumentError);
    }

protected:
    DispatchImpl() = default;
    ~DispatchImpl() = default;

private:
    // One per interface, never destroyed: it is kept for the module's life, and nothing calls into
    // oleaut32 while the process unloads.
    static TypeInfoHolder& typeInfoHolder()
    {
        static TypeInfoHolder* holder = new TypeInfoHolder(*LibraryId, Major, Minor, *InterfaceId);
        return *holder;
    }
};

} // namespace extensionsutils
