#include "IUCOfficeIntegration/FailedResolutionContactDetails.h"

#include "logging/Logging.h"

FailedResolutionContactDetails::FailedResolutionContactDetails()
{
    TAVO_LOG(1, "Constructor " << static_cast<const void*>(this));
}

FailedResolutionContactDetails::~FailedResolutionContactDetails()
{
    TAVO_LOG(1, "Destructor" << static_cast<const void*>(this));
}

HRESULT FailedResolutionContactDetails::getUri(BSTR* uri)
{
    if (!uri) return E_POINTER;
    BSTR empty = SysAllocString(L"");
    if (!empty) return E_OUTOFMEMORY;
    *uri = empty;
    return S_OK;
}
