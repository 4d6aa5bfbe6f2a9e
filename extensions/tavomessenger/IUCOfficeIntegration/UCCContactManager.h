#pragma once

#include "ExtensionProvider/ContactResolver.h"
#include "ExtensionProvider/HostObjectHolds.h"
#include "IUCOfficeIntegration/ContactDetails.h"
#include "utils/WorkerThread.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/CComWeakPtrEnabled.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ConnectionPointContainer.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/DispatchParameters.h"
#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/OfficeEventIds.h"
#include "vorn/ReadWriteLock.h"

#include "HostExtensionApi.h"
#include "TavoMessengerLib.h"

#include <memory>

class AsynchronousOperationWorker;

// Where Office 2013/2016 turns an address into a contact: by URI (an address with an at sign becomes a
// contact over the host's contact, anything else a number-normalisation contact), by e-mail lookup through
// the host's resolution (answered to Office's callback from the worker thread), or the signed-in user.
// Every request makes a new contact; nothing is cached. One per client object, made as
// WeakPtrCComObject<UCCContactManager> so that pending lookups hold it only weakly:
//     MICComPtr<UCCContactManager> manager = WeakPtrCComObject<UCCContactManager>::create();
//     manager->initialise(workerThread, contactResolver, holds);   // when the client is initialised
//     manager->disconnect();                                // when the module stops
// The _IUCCContactManagerEvents connection point accepts sinks; no event of it is ever fired.
//
// Threads: Office's calls on its threads, resolution answers and lookup results on the worker thread,
// initialise and disconnect on the worker thread. `lock` guards `workerThread`, `contactResolver` and
// `holds` and is held only to copy them, never across a host call or a callback.
class UCCContactManager : public extensionsutils::ComObjectRoot,
                          public extensionsutils::CComWeakPtrEnabled<UCCContactManager>,
                          public extensionsutils::DispatchImpl<IUCCContactManager, &IID_IUCCContactManager,
                                                               &LIBID_TavoMessengerLib>,
                          public extensionsutils::ConnectionPointContainer
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IUCCContactManager,
                                                       extensionsutils::Via<IDispatch, IUCCContactManager>,
                                                       IConnectionPointContainer>;

    // The callback method of _IUCCContactsAndGroupsCallback that a lookup's result is reported to.
    static constexpr DISPID OnLookupId = extensionsutils::officeevents::onLookup;

    UCCContactManager();
    ~UCCContactManager() override;

    // The contacts over host contacts keep them, and their watching, with `holds`, which the module's stop
    // closes; without holds they keep them until they go.
    void initialise(std::weak_ptr<WorkerThread> workerThread, std::shared_ptr<ContactResolver> contactResolver,
                    std::shared_ptr<HostObjectHolds> holds = nullptr);
    // Forgets the worker thread and the resolver: lookups answered from now on are not reported, and new
    // contacts send no change events.
    void disconnect();

    // A new contact over these details, made by this manager. std::bad_alloc when memory runs out.
    HRESULT createContact(std::shared_ptr<ContactDetails> details, IUCCContact** contact);
    // A new contact over the host's contact with this sign-in name; the host's failure otherwise.
    // std::bad_alloc when memory runs out.
    HRESULT createContactForUri(BSTR uri, IUCCContact** contact);
    // A new number-normalisation contact for this address.
    HRESULT createNormalisationContact(BSTR uri, IUCCContact** contact);

    // IUCCContactManager. Groups, search and subscription control are not offered.
    HRESULT STDMETHODCALLTYPE get_Groups(IUCCGroupCollection**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContactByUri(BSTR contactUri, IUCCContact** contact) override;
    HRESULT STDMETHODCALLTYPE Lookup(BSTR lookupString, IUnknown* callback, VARIANT state,
                                     IUCCAsynchronousOperation** operation) override;
    HRESULT STDMETHODCALLTYPE CreateSubscription(IUCCContactSubscription** subscription) override;
    HRESULT STDMETHODCALLTYPE Search(BSTR, SearchProviders, SearchFields, SearchOptions, ULONG, IUnknown*, VARIANT,
                                     IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemoveContactFromAllGroups(IUCCContact*, IUnknown*, VARIANT,
                                                         IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetSearchProviderID(SearchProviders, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddCustomGroup(BSTR, IUnknown*, VARIANT, IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE AddDistributionGroup(IUCCDistributionGroup*, IUnknown*, VARIANT,
                                                   IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemoveGroup(IUCCGroup*, IUnknown*, VARIANT, IUCCAsynchronousOperation**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SuspendSubscriptions() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ResumeSubscriptions() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSearchFields(SearchFields*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSearchProviderStatus(SearchProviders, SearchProviderStatusType*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetExpertSearchQueryString(BSTR, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSelfContact(IUCCContact** selfContact) override;
    HRESULT STDMETHODCALLTYPE GetContactByTel(BSTR, IUCCContact**) override { return E_NOTIMPL; }

private:
    // The function that a lookup's resolution answers; it holds the manager only weakly.
    ContactResolver::Callback resolutionHandler(const std::shared_ptr<AsynchronousOperationWorker>& lookup);
    // Worker thread: the resolution's answer for a lookup, queued to be reported to Office.
    void onContactResolved(const std::shared_ptr<AsynchronousOperationWorker>& lookup, const extensionsutils::Bstr& email,
                           const extensionsutils::Bstr& jid);
    // Worker thread: a SIP URI that the host found nobody for is asked again without its scheme. False when
    // that request could not be made.
    bool lookUpWithoutSipPrefix(const std::shared_ptr<AsynchronousOperationWorker>& lookup,
                                const extensionsutils::Bstr& email);
    // Worker thread: a contact for an address the host could not resolve.
    HRESULT createFailedResolutionContact(IUCCContact** contact);
    // Worker thread: the contact that a lookup found, as the callback's leading arguments.
    bool getResolvedContactResult(const extensionsutils::Bstr& email, const extensionsutils::Bstr& jid,
                                  extensionsutils::DispatchParameters& parameters);

    std::weak_ptr<WorkerThread> currentWorkerThread();
    std::shared_ptr<ContactResolver> currentContactResolver();
    // Details over the host contact, kept with the holds. std::bad_alloc when memory runs out.
    std::shared_ptr<ContactDetails> detailsOver(extensionsutils::ComPtr<IContact> hostContact);

    vorn::ReadWriteLock lock;
    std::weak_ptr<WorkerThread> workerThread;
    std::shared_ptr<ContactResolver> contactResolver;
    std::shared_ptr<HostObjectHolds> holds; // kept after disconnect: the stop closes them
};
