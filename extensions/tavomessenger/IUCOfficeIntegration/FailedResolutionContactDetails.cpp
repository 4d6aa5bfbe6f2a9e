#include "IUCOfficeIntegration/FailedResolutionContactDetails.h"

#include "logging/Logging.h"

#include "TavoMessengerLib.h"

FailedResolutionContactDetails::FailedResolutionContactDetails()
{
    TAVO_LOG(1, "Constructor " << static_cast<const void*>(this));
}

FailedResolutionContactDetails::~FailedResolutionContactDetails()
{
    TAVO_LOG(1, "Destructor" << static_cast<const void*>(this));
}

void FailedResolutionContactDetails::startWatchingContact(ChangeHandler)
{
    // Nothing can change: the handler is dropped with its captures.
}

HRESULT FailedResolutionContactDetails::getUri(BSTR* uri)
{
    if (!uri) return E_POINTER;
    BSTR empty = SysAllocString(L"");
    if (!empty) return E_OUTOFMEMORY;
    *uri = empty;
    return S_OK;
}

HRESULT FailedResolutionContactDetails::getDisplayName(BSTR*)
{
    return E_FAIL;
}

HRESULT FailedResolutionContactDetails::getPresenceString(BSTR*)
{
    return E_FAIL;
}

LONG FailedResolutionContactDetails::getPresenceState()
{
    return ucAvailabilityNone;
}

HRESULT FailedResolutionContactDetails::getWorkNumber(BSTR*)
{
    return E_FAIL;
}

HRESULT FailedResolutionContactDetails::getMobileNumber(BSTR*)
{
    return E_FAIL;
}

HRESULT FailedResolutionContactDetails::getHomeNumber(BSTR*)
{
    return E_FAIL;
}

HRESULT FailedResolutionContactDetails::getOtherNumber(BSTR*)
{
    return E_FAIL;
}

HRESULT FailedResolutionContactDetails::getTagged(VARIANT_BOOL*)
{
    return E_FAIL;
}

std::shared_ptr<TransactionLock> FailedResolutionContactDetails::getReadTransactionLock()
{
    return nullptr;
}
