#pragma once

// The baseline contact: one object for both Office APIs (the Messenger contact and the UC contact), holding
// the host contact and its sign-in name as the module's contacts do. get_Status and
// GetContactInformation(availability) make exactly the host calls the module's contacts make; every other
// member answers E_NOTIMPL. Office's UC contact sinks connect to it as to the module's: the first
// FindConnectionPoint subscribes to the host contact's events, and each host change then hands
// Invoke(OnContactInformationChanged) for the connected sinks to the bare lanes (BareLanes.h). Any thread.

#include "HostExtensionApi.h"
#include "TavoMessengerLib.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/ConnectionPointContainer.h"
#include "extensionsutils/DispatchImpl.h"

#include <mutex>

namespace bench {

class HostContactSink;

class BareContact
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IMessengerContact, &IID_IMessengerContact, &LIBID_TavoMessengerLib>,
      public extensionsutils::DispatchImpl<IUCCContact, &IID_IUCCContact, &LIBID_TavoMessengerLib>,
      public extensionsutils::ConnectionPointContainer
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IMessengerContact, IUCCContact,
                                                       extensionsutils::Via<IDispatch, IMessengerContact>,
                                                       IConnectionPointContainer>;

    BareContact(extensionsutils::ComPtr<IContact> hostContact, extensionsutils::Bstr signinName);
    ~BareContact();

    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID eventInterface, IConnectionPoint** point) override;

    const extensionsutils::Bstr& signinName() const { return signinName_; }

    // IMessengerContact
    HRESULT STDMETHODCALLTYPE get_Status(MISTATUS* status) override;
    HRESULT STDMETHODCALLTYPE get_FriendlyName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SigninName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ServiceName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Blocked(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Blocked(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CanPage(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_PhoneNumber(MPHONE_TYPE, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_IsSelf(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Property(MCONTACTPROPERTY, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Property(MCONTACTPROPERTY, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ServiceId(BSTR*) override { return E_NOTIMPL; }

    // IUCCContact
    HRESULT STDMETHODCALLTYPE GetContactInformation(ContactInformationType type, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE get_Uri(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BatchGetContactInformation(SAFEARRAY*, IUCCContactInformationDictionary**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE get_Settings(IUCCContactSettingDictionary**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CanStart(ModalityTypes, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ChangeSetting(ContactSetting, VARIANT, IUnknown*, VARIANT,
                                            IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CanChangeSetting(ContactSetting, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_ContactManager(IUCCContactManager**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CustomGroups(IUCCGroupCollection**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MoveToGroup(IUCCGroup*, IUCCGroup*, IUnknown*, VARIANT,
                                          IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CanMoveToGroup(IUCCGroup*, IUCCGroup*, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateContactEndpoint(BSTR, IUCCContactEndpoint**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_UnifiedCommunicationType(UnifiedCommunicationType*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetOrganizationInformation(OrganizationStructureTypes, IUnknown*, VARIANT,
                                                         IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMultipleContactInformation(SAFEARRAY*, IUCCContactInformationDictionary**) override
    {
        return E_NOTIMPL;
    }

private:
    void subscribe();
    void contactChanged();

    std::mutex subscription_;
    extensionsutils::ComPtr<IConnectionPoint> hostPoint_;
    extensionsutils::ComPtr<HostContactSink> hostSink_;
    DWORD hostCookie_ = 0;
    const extensionsutils::ComPtr<IContact> hostContact_;
    const extensionsutils::ComPtr<IIMAndPresence> presenceSource_;
    const extensionsutils::Bstr signinName_;
};

} // namespace bench
