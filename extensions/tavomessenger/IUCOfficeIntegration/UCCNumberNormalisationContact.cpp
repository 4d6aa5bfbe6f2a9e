#include "IUCOfficeIntegration/UCCNumberNormalisationContact.h"

#include "logging/Logging.h"

using extensionsutils::Bstr;

UCCNumberNormalisationContact::UCCNumberNormalisationContact()
{
    TAVO_LOG(1, "Constructor " << static_cast<const void*>(this));
}

UCCNumberNormalisationContact::~UCCNumberNormalisationContact()
{
    TAVO_LOG(1, "Destructor" << static_cast<const void*>(this));
}

HRESULT UCCNumberNormalisationContact::setUri(BSTR address)
{
    // A null address is an empty one: Office reads it back as an empty string.
    Bstr copy(address ? address : L"", SysStringLen(address));
    if (!copy) return E_OUTOFMEMORY;
    vorn::ExclusiveGuard guard(lock);
    uri.swap(copy);
    return S_OK;
}

HRESULT UCCNumberNormalisationContact::get_Uri(BSTR* contactUri)
{
    if (!contactUri) return E_POINTER;
    vorn::SharedGuard guard(lock);
    return uri.copyTo(contactUri);
}
