#include "host/HostContactSink.h"

#include "HostExtensionApi.h"

namespace bench {

void HostContactSink::detach()
{
    std::lock_guard<std::mutex> lock(mutex_);
    changed_ = nullptr;
}

HRESULT HostContactSink::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID__IContactEvents) return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG HostContactSink::Release()
{
    const ULONG count = --references_;
    if (count == 0) delete this;
    return count;
}

HRESULT HostContactSink::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT HostContactSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    static const DISPID onContactChanged = 1;
    std::lock_guard<std::mutex> lock(mutex_);
    if (id == onContactChanged && changed_) changed_();
    return S_OK;
}

} // namespace bench
