#pragma once

#include "IUCOfficeIntegration/Answer.h"
#include "IUCOfficeIntegration/ContactDetails.h"
#include "IUCOfficeIntegration/UCCContactEventsProxy.h"
#include "utils/WorkerThread.h"

#include "extensionsutils/CComWeakPtr.h"
#include "extensionsutils/CComWeakPtrEnabled.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ConnectionPointContainer.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/Variant.h"

#include "TavoMessengerLib.h"

#include <memory>
#include <vector>

class UCCContactManager;

// The contact that Office 2013/2016 holds for a person it shows: presence and identity from the contact's
// details, the tag as its one setting, telephone numbers as endpoints, and _IUCCContactEvents when the
// host reports that the person changed. Made only by the contact manager, as
// WeakPtrCComObject<UCCContact>, one per request.
//
// Threads: Office's calls on its threads; the host's change events on the host's thread, which only queue
// the translation; the translation and the firing on the worker thread. The three members are written
// once by initialise, before the contact is handed out, and only read afterwards, so they need no lock;
// several values read together are kept consistent by the details' read-transaction lock.
class UCCContact : public extensionsutils::ComObjectRoot,
                   public extensionsutils::CComWeakPtrEnabled<UCCContact>,
                   public extensionsutils::DispatchImpl<IUCCContact, &IID_IUCCContact, &LIBID_TavoMessengerLib>,
                   public extensionsutils::DispatchImpl<IUCCContact2, &IID_IUCCContact2, &LIBID_TavoMessengerLib>,
                   public extensionsutils::ConnectionPointContainer,
                   public UCCContactEventsProxy<UCCContact>
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IUCCContact, IUCCContact2,
                                                       extensionsutils::Via<IDispatch, IUCCContact>,
                                                       IConnectionPointContainer>;

    UCCContact();
    ~UCCContact() override;

    // Keeps the three and starts watching the person through the details; the watching holds this contact
    // only weakly. Called once, before the contact is handed out. E_INVALIDARG without details,
    // E_UNEXPECTED when called a second time; std::bad_alloc when the change handler cannot be made.
    HRESULT initialise(std::weak_ptr<WorkerThread> workerThread,
                       extensionsutils::MICComPtr<UCCContactManager> contactManager,
                       std::shared_ptr<ContactDetails> details);

    // IUCCContact. Groups, organisation information and the second forms of the getters are not offered.
    HRESULT STDMETHODCALLTYPE get_Uri(BSTR* contactUri) override;
    HRESULT STDMETHODCALLTYPE GetContactInformation(ContactInformationType type, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE BatchGetContactInformation(SAFEARRAY* types,
                                                         IUCCContactInformationDictionary** information) override;
    HRESULT STDMETHODCALLTYPE get_Settings(IUCCContactSettingDictionary** settings) override;
    HRESULT STDMETHODCALLTYPE CanStart(ModalityTypes modalities, VARIANT_BOOL* canStart) override;
    HRESULT STDMETHODCALLTYPE ChangeSetting(ContactSetting setting, VARIANT value, IUnknown* callback, VARIANT state,
                                            IUCCAsynchronousOperation** operation) override;
    HRESULT STDMETHODCALLTYPE CanChangeSetting(ContactSetting setting, VARIANT_BOOL* canSet) override;
    HRESULT STDMETHODCALLTYPE get_ContactManager(IUCCContactManager** manager) override;
    HRESULT STDMETHODCALLTYPE get_CustomGroups(IUCCGroupCollection**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MoveToGroup(IUCCGroup*, IUCCGroup*, IUnknown*, VARIANT,
                                          IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CanMoveToGroup(IUCCGroup*, IUCCGroup*, VARIANT_BOOL* canMove) override
    {
        return answer(canMove, VARIANT_FALSE);
    }
    HRESULT STDMETHODCALLTYPE CreateContactEndpoint(BSTR, IUCCContactEndpoint**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_UnifiedCommunicationType(UnifiedCommunicationType* type) override
    {
        return answer(type, ucUnifiedCommunicationEnabled);
    }
    HRESULT STDMETHODCALLTYPE GetOrganizationInformation(OrganizationStructureTypes, IUnknown*, VARIANT,
                                                         IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMultipleContactInformation(SAFEARRAY*, IUCCContactInformationDictionary**) override
    {
        return E_NOTIMPL;
    }

    // IUCCContact2
    HRESULT STDMETHODCALLTYPE SetAdditionalUris(SAFEARRAY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRawContactbyUri(BSTR, IUCCContact**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsAnonymous(VARIANT_BOOL* isAnonymous) override
    {
        return answer(isAnonymous, VARIANT_FALSE);
    }
    HRESULT STDMETHODCALLTYPE BatchGetContactInformation2(UINT64, SAFEARRAY**) override { return E_NOTIMPL; }

private:
    // The answer of one information type, left empty for a type that is not answered.
    HRESULT contactInformation(ContactInformationType type, extensionsutils::Variant& value);
    HRESULT setVariantToPresenceStringAsLocalString(extensionsutils::Variant& value);
    HRESULT setVariantToInstantMessageAddresses(extensionsutils::Variant& value);
    HRESULT setVariantToContactEndpoints(extensionsutils::Variant& value);
    // The tag as a VT_BOOL; VARIANT_FALSE when it cannot be read (`read` tells which).
    extensionsutils::Variant taggedValue(bool* read = nullptr);

    bool isClientUser();
    // The number as an endpoint of that type; empty for an empty number or a failed creation.
    extensionsutils::ComPtr<IDispatch> createEndpoint(const extensionsutils::Bstr& number, ContactEndpointType type);

    // Host thread: the change event of the host contact, queued to be reported from the worker thread
    // while the contact still lives. Takes no reference to it.
    static void onContactChanged(const extensionsutils::CComWeakPtr<UCCContact>& self,
                                 const std::weak_ptr<WorkerThread>& workerThread, DISPPARAMS* parameters);
    // Worker thread: the host's change codes as information types, fired to Office.
    void onContactChangedAction(const std::vector<LONG>& changeCodes);

    std::shared_ptr<ContactDetails> details;
    extensionsutils::MICComPtr<UCCContactManager> contactManager;
    std::weak_ptr<WorkerThread> workerThread;
    bool initialised = false;
};
