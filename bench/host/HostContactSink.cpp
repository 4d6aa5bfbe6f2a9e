#include "host/HostContactSink.h"

#include "HostExtensionApi.h"

namespace bench {

HostContactSink::HostContactSink(std::function<void()> changed)
    : DispatchSink(DIID__IContactEvents), changed_(std::move(changed))
{
}

void HostContactSink::detach()
{
    std::lock_guard<std::mutex> lock(mutex_);
    changed_ = nullptr;
}

HRESULT HostContactSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    static const DISPID onContactChanged = 1;
    std::lock_guard<std::mutex> lock(mutex_);
    if (id == onContactChanged && changed_) changed_();
    return S_OK;
}

} // namespace bench
