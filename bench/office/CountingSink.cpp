#include "office/CountingSink.h"

#include "TavoMessengerLib.h"

namespace bench {

HRESULT CountingSink::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID_DMessengerEvents) return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG CountingSink::Release()
{
    const ULONG count = --references_;
    if (count == 0) delete this;
    return count;
}

HRESULT CountingSink::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CountingSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    static const DISPID onContactStatusChange = 0x406;
    if (id == onContactStatusChange) ReleaseSemaphore(receipts_, 1, nullptr);
    return S_OK;
}

} // namespace bench
