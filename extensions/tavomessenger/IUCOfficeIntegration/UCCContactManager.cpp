#include "IUCOfficeIntegration/UCCContactManager.h"

#include "ExtensionProvider/ContactResolver.h"
#include "ExtensionProvider/ExtensionProviderClient.h"
#include "ExtensionProvider/SipAddress.h"
#include "IUCOfficeIntegration/AsynchronousOperationWorker.h"
#include "IUCOfficeIntegration/ExtensionProviderContactDetails.h"
#include "IUCOfficeIntegration/FailedResolutionContactDetails.h"
#include "IUCOfficeIntegration/UCCContact.h"
#include "IUCOfficeIntegration/UCCContactSubscription.h"
#include "IUCOfficeIntegration/UCCNumberNormalisationContact.h"
#include "logging/Results.h"

#include "extensionsutils/CComWeakPtr.h"
#include "extensionsutils/Utf8.h"
#include "extensionsutils/Variant.h"
#include "extensionsutils/WeakPtrCComObject.h"

#include <algorithm>
#include <string>
#include <utility>

using extensionsutils::Bstr;
using extensionsutils::ComObject;
using extensionsutils::ComPtr;
using extensionsutils::DispatchParameters;
using extensionsutils::MICComPtr;
using extensionsutils::Variant;

namespace {

std::string utf8Of(BSTR text)
{
    return extensionsutils::toUtf8(text, SysStringLen(text));
}

bool containsAtSign(BSTR uri)
{
    const BSTR end = uri + SysStringLen(uri);
    return std::find(uri, end, L'@') != end;
}

} // namespace

UCCContactManager::UCCContactManager() : ConnectionPointContainer({DIID__IUCCContactManagerEvents})
{
}

UCCContactManager::~UCCContactManager() = default;

void UCCContactManager::initialise(std::weak_ptr<WorkerThread> worker, std::shared_ptr<ContactResolver> resolver,
                                   std::shared_ptr<HostObjectHolds> hostObjectHolds)
{
    vorn::ExclusiveGuard guard(lock);
    workerThread = std::move(worker);
    contactResolver = std::move(resolver);
    holds = std::move(hostObjectHolds);
}

void UCCContactManager::disconnect()
{
    std::shared_ptr<ContactResolver> dropped;
    {
        vorn::ExclusiveGuard guard(lock);
        workerThread.reset();
        dropped.swap(contactResolver);
    }
    // The resolver may go with this reference; its pending requests are dropped outside the lock.
}

std::weak_ptr<WorkerThread> UCCContactManager::currentWorkerThread()
{
    vorn::SharedGuard guard(lock);
    return workerThread;
}

std::shared_ptr<ContactResolver> UCCContactManager::currentContactResolver()
{
    vorn::SharedGuard guard(lock);
    return contactResolver;
}

std::shared_ptr<ContactDetails> UCCContactManager::detailsOver(ComPtr<IContact> hostContact)
{
    std::shared_ptr<HostObjectHolds> keptWith;
    {
        vorn::SharedGuard guard(lock);
        keptWith = holds;
    }
    return ExtensionProviderContactDetails::create(std::move(hostContact), keptWith);
}

HRESULT UCCContactManager::GetContactByUri(BSTR contactUri, IUCCContact** contact)
try {
    if (!contact) return E_POINTER;
    TAVO_LOG(1, "GetContactByUri request for " << utf8Of(contactUri));
    if (containsAtSign(contactUri)) return createContactForUri(contactUri, contact);
    TAVO_LOG(1, "No @ in URI, assuming phone number normalisation");
    return createNormalisationContact(contactUri, contact);
}
TAVO_CATCH_RETURN

HRESULT UCCContactManager::createContactForUri(BSTR uri, IUCCContact** contact)
{
    ComPtr<IContact> hostContact;
    HRESULT hr = ExtensionProviderClient::getContact(uri, hostContact);
    // Office asks again by the Uri it was given ("sip:" and the host's sign-in name), which the host
    // knows without the scheme.
    if ((FAILED(hr) || !hostContact) && SipAddress::hasSipPrefix(uri)) {
        hr = ExtensionProviderClient::getContact(SipAddress::withoutSipPrefix(uri).get(), hostContact);
    }
    if (FAILED(hr) || !hostContact)
        return TAVO_FAIL(4, "Unable to get extension provider contact", FAILED(hr) ? hr : E_FAIL);
    return createContact(detailsOver(hostContact), contact);
}

HRESULT UCCContactManager::createContact(std::shared_ptr<ContactDetails> details, IUCCContact** contact)
{
    if (!contact) return E_POINTER;
    const MICComPtr<UCCContact> created = extensionsutils::WeakPtrCComObject<UCCContact>::create();
    if (!created) return TAVO_FAIL(4, "Unable to create contact instance", E_OUTOFMEMORY);
    const HRESULT hr = created->initialise(currentWorkerThread(), MICComPtr<UCCContactManager>(this), std::move(details));
    if (FAILED(hr)) return hr;
    return created.copyTo(contact);
}

HRESULT UCCContactManager::createNormalisationContact(BSTR uri, IUCCContact** contact)
{
    if (!contact) return E_POINTER;
    const MICComPtr<UCCNumberNormalisationContact> created = ComObject<UCCNumberNormalisationContact>::create();
    if (!created) return TAVO_FAIL(4, "Unable to create normalisation contact instance", E_OUTOFMEMORY);
    const HRESULT hr = created->setUri(uri);
    if (FAILED(hr)) return hr;
    return created.copyTo(contact);
}

HRESULT UCCContactManager::GetSelfContact(IUCCContact** selfContact)
try {
    if (!selfContact) return E_POINTER;
    TAVO_LOG(1, "Received request for self contact");
    ComPtr<IContact> user;
    if (FAILED(ExtensionProviderClient::getClientUserContact(user)) || !user)
        return TAVO_FAIL(4, "Unable to get ClientUser contact", E_FAIL);
    return createContact(detailsOver(user), selfContact);
}
TAVO_CATCH_RETURN

HRESULT UCCContactManager::CreateSubscription(IUCCContactSubscription** subscription)
{
    if (!subscription) return E_POINTER;
    const MICComPtr<UCCContactSubscription> created = ComObject<UCCContactSubscription>::create();
    if (!created) return E_OUTOFMEMORY;
    return created.copyTo(subscription);
}

HRESULT UCCContactManager::Lookup(BSTR lookupString, IUnknown* callback, VARIANT, IUCCAsynchronousOperation** operation)
try {
    // Destroyed last: the callback never runs before this call has returned.
    ContactResolver::Hold answersAfterReturn;
    const Bstr lookup(lookupString, SysStringLen(lookupString));
    TAVO_LOG(1, "Lookup contact request for " << lookup.toUtf8());
    ComPtr<IDispatch> contactsAndGroupsCallback;
    if (callback) {
        callback->QueryInterface(DIID__IUCCContactsAndGroupsCallback,
                                 reinterpret_cast<void**>(contactsAndGroupsCallback.out()));
    }
    if (!contactsAndGroupsCallback) return TAVO_FAIL(4, "Unable to Lookup contact as an invalid callback supplied", E_FAIL);
    if (lookup.empty()) return TAVO_FAIL(3, "Unable to Lookup contact as no lookup string supplied", E_INVALIDARG);
    const std::shared_ptr<ContactResolver> resolver = currentContactResolver();
    if (!resolver) return TAVO_FAIL(4, "Unable to Lookup contact as the contact manager is not connected", E_FAIL);

    const auto worker = std::make_shared<AsynchronousOperationWorker>(contactsAndGroupsCallback.get(), OnLookupId,
                                                                      DIID__IUCCContactsAndGroupsCallback);
    ContactResolver::Callback handler = resolutionHandler(worker);
    const MICComPtr<UCCAsynchronousOperation> pending = worker->operation();
    if (!pending) return E_OUTOFMEMORY;
    // Office has its operation before the request is made.
    if (operation) pending.copyTo(operation);

    const HRESULT hr = resolver->resolveContact(lookup.get(), std::move(handler), &answersAfterReturn);
    // E_PENDING, and E_FAIL for a host out of reach, leave the request waiting for an answer; any other
    // failure means it was not registered, and Office gets no operation.
    if (FAILED(hr) && hr != E_PENDING && hr != E_FAIL) {
        if (operation && *operation) {
            (*operation)->Release();
            *operation = nullptr;
        }
        return hr;
    }
    return S_OK;
}
TAVO_CATCH_RETURN

ContactResolver::Callback UCCContactManager::resolutionHandler(const std::shared_ptr<AsynchronousOperationWorker>& lookup)
{
    // A pending lookup holds the manager only weakly: a manager released before the answer hears nothing.
    const extensionsutils::CComWeakPtr<UCCContactManager> self = getWeakPtr();
    return [self, lookup](const Bstr& email, const Bstr& jid) {
        const MICComPtr<UCCContactManager> manager = self.lock();
        if (manager) manager->onContactResolved(lookup, email, jid);
    };
}

void UCCContactManager::onContactResolved(const std::shared_ptr<AsynchronousOperationWorker>& lookup,
                                          const Bstr& email, const Bstr& jid)
{
    if (jid.empty() && SipAddress::hasSipPrefix(email.get()) && lookUpWithoutSipPrefix(lookup, email)) return;
    TAVO_LOG(1, "Contact resolved for email: " << email.toUtf8() << " to jid: " << jid.toUtf8());
    const MICComPtr<UCCContactManager> self(this);
    lookup->setResultFunction([self, email, jid](DispatchParameters& parameters) {
        return self->getResolvedContactResult(email, jid, parameters);
    });
    const std::shared_ptr<WorkerThread> worker = currentWorkerThread().lock();
    bool queued = false;
    try {
        queued = worker && worker->AddWork(lookup);
    } catch (const std::bad_alloc&) {
        TAVO_LOG(4, "Unable to queue the Contact Resolved report");
        return;
    }
    if (!queued) TAVO_LOG(4, "Unable to acquire lock on WorkerThread, cannot report Contact Resolved");
}

bool UCCContactManager::lookUpWithoutSipPrefix(const std::shared_ptr<AsynchronousOperationWorker>& lookup,
                                               const Bstr& email)
{
    const std::shared_ptr<ContactResolver> resolver = currentContactResolver();
    if (!resolver) return false;
    const Bstr address = SipAddress::withoutSipPrefix(email.get());
    if (!address) return false;
    ContactResolver::Callback handler;
    try {
        handler = resolutionHandler(lookup);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const HRESULT hr = resolver->resolveContact(address.get(), std::move(handler));
    return hr == E_PENDING || hr == E_FAIL; // the request waits for its answer either way
}

HRESULT UCCContactManager::createFailedResolutionContact(IUCCContact** contact)
try {
    return createContact(std::make_shared<FailedResolutionContactDetails>(), contact);
}
TAVO_CATCH_RETURN

bool UCCContactManager::getResolvedContactResult(const Bstr& email, const Bstr& jid, DispatchParameters& parameters)
{
    TAVO_LOG(1, "Creating contact for " << jid.toUtf8() << " resolved from " << email.toUtf8());
    if (jid.empty()) TAVO_LOG(1, "Resolution failed for " << email.toUtf8());
    ComPtr<IUCCContact> contact;
    const HRESULT hr = jid.empty() ? createFailedResolutionContact(contact.out())
                                   : GetContactByUri(jid.get(), contact.out());
    const bool succeeded = SUCCEEDED(hr) && contact;
    parameters.add(Variant::fromDispatch(MICComPtr<UCCContactManager>(this).as<IDispatch>().get()));
    parameters.add(Variant::fromDispatch(succeeded ? contact.get() : nullptr));
    return succeeded;
}
