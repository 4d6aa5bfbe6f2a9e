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

// Nothing but the address is known about a number: every other member is unsupported.

HRESULT UCCNumberNormalisationContact::GetContactInformation(ContactInformationType, VARIANT*)
{
    return E_NOTIMPL;
}

HRESULT UCCNumberNormalisationContact::BatchGetContactInformation(SAFEARRAY*, IUCCContactInformationDictionary**)
{
    return E_NOTIMPL;
}

HRESULT UCCNumberNormalisationContact::get_Settings(IUCCContactSettingDictionary**)
{
    return E_NOTIMPL;
}

HRESULT UCCNumberNormalisationContact::CanStart(ModalityTypes, VARIANT_BOOL*)
{
    return E_NOTIMPL;
}

HRESULT UCCNumberNormalisationContact::ChangeSetting(ContactSetting, VARIANT, IUnknown*, VARIANT,
                                                     IUCCAsynchronousOperation**)
{
    return E_NOTIMPL;
}

HRESULT UCCNumberNormalisationContact::CanChangeSetting(ContactSetting, VARIANT_BOOL*)
{
    return E_NOTIMPL;
}

HRESULT UCCNumberNormalisationContact::get_ContactManager(IUCCContactManager**)
{
    return E_NOTIMPL;
}

HRESULT UCCNumberNormalisationContact::get_CustomGroups(IUCCGroupCollection**)
{
    return E_NOTIMPL;
}

HRESULT UCCNumberNormalisationContact::MoveToGroup(IUCCGroup*, IUCCGroup*, IUnknown*, VARIANT,
                                                   IUCCAsynchronousOperation**)
{
    return E_NOTIMPL;
}

HRESULT UCCNumberNormalisationContact::CanMoveToGroup(IUCCGroup*, IUCCGroup*, VARIANT_BOOL*)
{
    return E_NOTIMPL;
}

HRESULT UCCNumberNormalisationContact::CreateContactEndpoint(BSTR, IUCCContactEndpoint**)
{
    return E_NOTIMPL;
}

HRESULT UCCNumberNormalisationContact::get_UnifiedCommunicationType(UnifiedCommunicationType*)
{
    return E_NOTIMPL;
}

HRESULT UCCNumberNormalisationContact::GetOrganizationInformation(OrganizationStructureTypes, IUnknown*, VARIANT,
                                                                  IUCCAsynchronousOperation**)
{
    return E_NOTIMPL;
}

HRESULT UCCNumberNormalisationContact::GetMultipleContactInformation(SAFEARRAY*, IUCCContactInformationDictionary**)
{
    return E_NOTIMPL;
}
