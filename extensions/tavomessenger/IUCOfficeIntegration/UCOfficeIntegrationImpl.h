#pragma once

#include "IUCOfficeIntegration/UCCAutomation.h"
#include "IUCOfficeIntegration/UCCLyncClient.h"
#include "Configuration.h"
#include "utils/WorkerThread.h"

#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/DispatchImpl.h"
#include "vorn/ReadWriteLock.h"

#include "TavoMessengerLib.h"

#include <memory>

class ContactResolver;
class HostObjectHolds;

// IUCOfficeIntegration, the entry of Office 2013 and 2016: what the provider supports, how it
// authenticates, and its client and automation objects. A base of OfficeIntegrationImpl, whose reference
// count and identity it shares; it is never created on its own.
// Threads: Office's calls arrive on COM threads and run side by side under `lock` shared; initialise and
// uninitialise (class factory, worker thread) take it exclusive. `lock` guards every member below it.
class UCOfficeIntegrationImpl
    : public extensionsutils::DispatchImpl<IUCOfficeIntegration, &IID_IUCOfficeIntegration, &LIBID_TavoMessengerLib>
{
public:
    // The four feature flags announced: non-buddy presence, contact tagging, quick contacts, resolve contact.
    static constexpr LONG SupportedFeatures =
        oiFeatureNonBuddyPresence | oiFeatureContactTagging | oiFeatureQuickContacts | oiFeatureResolveContact;

    HRESULT STDMETHODCALLTYPE GetSupportedFeatures(BSTR version, OIFeature* features) override;
    HRESULT STDMETHODCALLTYPE GetAuthenticationInfo(BSTR version, BSTR* info) override;
    HRESULT STDMETHODCALLTYPE GetInterface(BSTR version, OIInterface requested, IDispatch** value) override;

    virtual ~UCOfficeIntegrationImpl();
    // Keeps the configuration and hands the worker thread, the resolver and the holds that the UC contacts
    // keep their host objects with to the client object.
    virtual void initialise(std::weak_ptr<WorkerThread> workerThread, std::shared_ptr<Configuration> configuration,
                            std::shared_ptr<ContactResolver> contactResolver, std::shared_ptr<HostObjectHolds> holds);
    // Disconnects the client object's contact manager.
    virtual void uninitialise();

    // A new reference to the client object, or empty when there is none.
    extensionsutils::MICComPtr<UCCLyncClient> lyncClient();

protected:
    UCOfficeIntegrationImpl();

private:
    HRESULT getLyncClientDispatch(IDispatch** value);
    HRESULT getAutomationDispatch(IDispatch** value);

    vorn::ReadWriteLock lock;
    // The two entry objects live as long as this object; one that could not be created stays empty and
    // GetInterface answers E_NOTIMPL for it.
    extensionsutils::MICComPtr<UCCLyncClient> lyncClient_;
    extensionsutils::MICComPtr<UCCAutomation> automation;
    std::shared_ptr<Configuration> configuration;
};
