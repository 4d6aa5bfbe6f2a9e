#include "office/CountingSink.h"

#include "TavoMessengerLib.h"

namespace bench {

CountingSink::CountingSink(HANDLE receipts) : CountingSink(receipts, DIID_DMessengerEvents, 0x406) {}

HRESULT CountingSink::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != events_) return E_NOINTERFACE;
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
    if (id == counted_) ReleaseSemaphore(receipts_, 1, nullptr);
    return S_OK;
}

} // namespace bench
