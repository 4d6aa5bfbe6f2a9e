#include "office/CountingSink.h"

#include "measure/BenchNames.h"

#include "TavoMessengerLib.h"
#include "extensionsutils/OfficeEventIds.h"

namespace bench {

namespace {

// OnContactStatusChange(contact, status): the status comes first in the reversed arguments.
bool isOfflineStatus(const DISPPARAMS* parameters)
{
    if (!parameters || parameters->cArgs != 2) return false;
    const VARIANT& status = parameters->rgvarg[0];
    if (status.vt == VT_I4) return status.lVal == MISTATUS_OFFLINE;
    return status.vt == (VT_I4 | VT_BYREF) && status.plVal && *status.plVal == MISTATUS_OFFLINE;
}

} // namespace

CountingSink::CountingSink(HANDLE receipts, HANDLE markers)
    : CountingSink(receipts, DIID_DMessengerEvents, extensionsutils::officeevents::onContactStatusChange)
{
    markers_ = markers;
}

HRESULT CountingSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*, UINT*)
{
    if (id == SinkProcessDispid) {
        if (!result) return E_POINTER;
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = static_cast<LONG>(GetCurrentProcessId());
        return S_OK;
    }
    if (id != counted_) return S_OK;
    ReleaseSemaphore(markers_ && isOfflineStatus(parameters) ? markers_ : receipts_, 1, nullptr);
    return S_OK;
}

} // namespace bench
