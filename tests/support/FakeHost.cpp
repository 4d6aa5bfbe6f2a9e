#include "support/FakeHost.h"

#include "common/ContractIds.h"
#include "support/HostThread.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/SafeArray.h"
#include "extensionsutils/Variant.h"

#include <olectl.h>

#include <algorithm>

namespace fakehost {

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using Listener = _IIMAndPresenceEvents;

FakeHost::FakeHost() : hostThread_(new HostThread) {}

std::shared_ptr<FakeHost> FakeHost::create() { return std::shared_ptr<FakeHost>(new FakeHost); }

FakeHost::~FakeHost() { shutdown(); }

HRESULT FakeHost::registerClassObject()
{
    DWORD cookie = 0;
    const HRESULT hr =
        CoRegisterClassObject(contractid::IMAndPresence, classObject().get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    if (SUCCEEDED(hr)) change([&] { registrationCookie_ = cookie; });
    return hr;
}

void FakeHost::revokeClassObject()
{
    if (const DWORD cookie = change([&] { return std::exchange(registrationCookie_, 0); })) CoRevokeClassObject(cookie);
}

void FakeHost::shutdown()
{
    if (hostThread_) hostThread_->stop();
    // Released outside the lock: the module's objects may call back into the fake as they go.
    std::vector<ComPtr<Listener>> listeners;
    std::map<DWORD, ContactSink> sinks;
    ComPtr<IClassFactory> factory;
    change([&] {
        shutDown_ = true;
        answeredWhileRequestingHook_ = nullptr;
        pendingResolutions_.clear();
        listeners.swap(listeners_);
        sinks.swap(contactSinks_);
        factory.swap(classObject_);
    });
}

void FakeHost::addContact(const ContactRecord& contact)
{
    change([&] {
        if (const ContactRecord* replaced = valueAt(contacts_, contact.signinName)) {
            const std::wstring* indexed = valueAt(signinNameByUserId_, replaced->userId);
            if (indexed && *indexed == contact.signinName) signinNameByUserId_.erase(replaced->userId);
        }
        contacts_[contact.signinName] = contact;
        signinNameByUserId_[contact.userId] = contact.signinName;
    });
}

std::optional<ContactRecord> FakeHost::contact(const std::wstring& signinName) const
{
    return read([&]() -> std::optional<ContactRecord> {
        const ContactRecord* entry = valueAt(contacts_, signinName);
        return entry ? std::make_optional(*entry) : std::nullopt;
    });
}

std::optional<ContactRecord> FakeHost::contactByUserId(const std::wstring& userId) const
{
    return read([&]() -> std::optional<ContactRecord> {
        const std::wstring* signinName = valueAt(signinNameByUserId_, userId);
        const ContactRecord* entry = signinName ? valueAt(contacts_, *signinName) : nullptr;
        return entry ? std::make_optional(*entry) : std::nullopt;
    });
}

void FakeHost::setPresence(const std::wstring& signinName, long presence, const std::wstring& presenceText)
{
    change([&] {
        if (ContactRecord* entry = valueAt(contacts_, signinName)) {
            entry->presence = presence;
            entry->presenceText = presenceText;
        }
    });
}

void FakeHost::setClientUser(const ContactRecord& user)
{
    addContact(user);
    change([&] { clientUser_ = user.signinName; });
}

std::wstring FakeHost::configuredAnswer(const std::wstring& email) const
{
    const std::wstring* answer = valueAt(resolutionAnswers_, email);
    return answer ? *answer : std::wstring();
}

void FakeHost::recordResolveRequest(const std::wstring& email)
{
    ResolutionMode mode = ResolutionMode::Manual;
    std::function<void()> answeredHook;
    const std::wstring answer = change([&] {
        records_.resolveRequests.push_back(email);
        mode = resolutionMode_;
        answeredHook = answeredWhileRequestingHook_;
        if (mode == ResolutionMode::Manual) pendingResolutions_.push_back(email);
        return configuredAnswer(email);
    });
    if (mode == ResolutionMode::Automatic) later([email, answer](FakeHost& host) { host.deliverResolution(email, answer); });
    if (mode != ResolutionMode::WhileRequesting) return;
    onHostThread([&] { return deliverResolution(email, answer); });
    if (answeredHook) answeredHook();
}

std::vector<HRESULT> FakeHost::answerResolution(const std::wstring& email, const std::wstring& imAddress)
{
    change([&] {
        const auto pending = std::find(pendingResolutions_.begin(), pendingResolutions_.end(), email);
        if (pending != pendingResolutions_.end()) pendingResolutions_.erase(pending);
    });
    return onHostThread([&] { return deliverResolution(email, imAddress); });
}

void FakeHost::answerPendingResolutions()
{
    for (const std::wstring& email : pendingResolutions()) answerResolution(email, read([&] { return configuredAnswer(email); }));
}

std::vector<HRESULT> FakeHost::deliverResolution(const std::wstring& email, const std::wstring& imAddress) const
{
    return toListeners([&](Listener* listener) { return listener->OnContactResolved(Bstr(email).get(), Bstr(imAddress).get()); });
}

HRESULT FakeHost::addListener(_IIMAndPresenceEvents* listener)
{
    if (!listener) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex_);
    records_.addedListeners.push_back(listener);
    if (shutDown_) return E_UNEXPECTED;
    listeners_.emplace_back(listener);
    return S_OK;
}

HRESULT FakeHost::removeListener(_IIMAndPresenceEvents* listener)
{
    ComPtr<Listener> removed;
    std::lock_guard<std::mutex> lock(mutex_);
    records_.removedListeners.push_back(listener);
    const auto found = std::find_if(listeners_.begin(), listeners_.end(), [&](const auto& held) { return held.get() == listener; });
    if (found == listeners_.end()) return E_INVALIDARG;
    removed = *found; // released after the lock, when `removed` goes
    listeners_.erase(found);
    return S_OK;
}

std::vector<HRESULT> FakeHost::firePresenceChanged(const std::wstring& signinName)
{
    const std::optional<ContactRecord> record = contact(signinName);
    return onHostThread([&] { return deliverPresence(signinName, record); });
}

void FakeHost::postPresenceChanged(const std::wstring& signinName)
{
    later([signinName, record = contact(signinName)](FakeHost& host) { host.deliverPresence(signinName, record); });
}

std::vector<HRESULT> FakeHost::deliverPresence(const std::wstring& signinName, const std::optional<ContactRecord>& record)
{
    const ComPtr<IDispatch> contactObject = makeContactObject(signinName);
    const ComPtr<IDispatch> presenceObject = makePresenceState(record ? record->presence : 0, record ? record->presenceText : L"");
    return toListeners([&](Listener* listener) { return listener->OnContactPresenceChanged(contactObject.get(), presenceObject.get()); });
}

std::vector<HRESULT> FakeHost::toListeners(const std::function<HRESULT(Listener*)>& call) const
{
    std::vector<HRESULT> results;
    for (const ComPtr<Listener>& listener : copyOf(listeners_)) results.push_back(call(listener.get()));
    return results;
}

std::vector<HRESULT> FakeHost::onHostThread(const std::function<std::vector<HRESULT>()>& work)
{
    std::vector<HRESULT> results;
    hostThread_->run([&] { results = work(); });
    return results;
}

// Runs on the host's own thread after what is queued, as the real host answers, unless the fake is gone by then.
void FakeHost::later(std::function<void(FakeHost&)> work)
{
    hostThread_->post([weakHost = weak_from_this(), work = std::move(work)] {
        if (const std::shared_ptr<FakeHost> host = weakHost.lock()) work(*host);
    });
}

DWORD FakeHost::addContactSink(const std::wstring& signinName, IUnknown* sink)
{
    ComPtr<IDispatch> events;
    if (FAILED(sink->QueryInterface(contractid::IContactEvents, reinterpret_cast<void**>(events.out()))) || !events) return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    if (shutDown_) return 0;
    const DWORD cookie = nextCookie_++;
    contactSinks_[cookie] = ContactSink{signinName, events};
    return cookie;
}

HRESULT FakeHost::removeContactSink(const std::wstring& signinName, DWORD cookie)
{
    ContactSink removed;
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = contactSinks_.find(cookie);
    if (found == contactSinks_.end() || found->second.signinName != signinName) return CONNECT_E_NOCONNECTION;
    removed = found->second; // released after the lock, when `removed` goes
    contactSinks_.erase(found);
    return S_OK;
}

std::vector<ComPtr<IDispatch>> FakeHost::sinksOf(const std::wstring& signinName) const
{
    std::vector<ComPtr<IDispatch>> sinks;
    read([&] { for (const auto& entry : contactSinks_) if (entry.second.signinName == signinName) sinks.push_back(entry.second.sink); });
    return sinks;
}

std::vector<HRESULT> FakeHost::fireContactChanged(const std::wstring& signinName, const std::vector<long>& codes,
                                                  DISPID dispid)
{
    const std::vector<ComPtr<IDispatch>> sinks = sinksOf(signinName);
    return onHostThread([&] {
        std::vector<HRESULT> results;
        for (const ComPtr<IDispatch>& sink : sinks) {
            Variant argument = Variant::fromSafeArray(extensionsutils::SafeArray::ofInt32s(codes).detach());
            DISPPARAMS parameters = {argument.get(), nullptr, 1, 0};
            results.push_back(sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr));
        }
        return results;
    });
}

void FakeHost::recordTagRequest(const std::wstring& signinName, long tagged)
{
    change([&] {
        records_.tagRequests.emplace_back(signinName, tagged);
        if (ContactRecord* entry = valueAt(contacts_, signinName)) entry->tagged = tagged != 0;
    });
}

std::vector<std::wstring> FakeHost::logMessages() const
{
    std::vector<std::wstring> messages;
    for (const LogRecord& record : logRecords()) messages.push_back(record.message);
    return messages;
}

std::vector<LogRecord> FakeHost::recordsOf(const std::wstring& message) const
{
    std::vector<LogRecord> matching = logRecords();
    const auto other = [&](const LogRecord& record) { return record.message != message; };
    matching.erase(std::remove_if(matching.begin(), matching.end(), other), matching.end());
    return matching;
}

void FakeHost::recordLog(const LogRecord& record)
{
    const auto hooks = change([&] {
        records_.logRecords.push_back(record);
        return logHooks_;
    });
    for (const std::shared_ptr<LogHook>& hook : hooks) (*hook)(record);
}

FakeHost::Outcome FakeHost::beginCall(HostMethod method)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++callCounts_[index(method)];
    std::optional<Injection>& injection = injections_[index(method)];
    if (!injection) return outcomeSource_ ? outcomeSource_(method) : Outcome();
    Outcome outcome{true, injection->answer, injection->result};
    if (injection->remaining > 0 && --injection->remaining == 0) injection.reset();
    return outcome;
}

} // namespace fakehost
