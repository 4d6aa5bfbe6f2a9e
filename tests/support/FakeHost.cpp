#include "support/FakeHost.h"

#include "support/AllocationFailures.h"

#include "extensionsutils/Bstr.h"

#include <olectl.h>

#include <algorithm>

namespace fakehost {

using extensionsutils::ComPtr;

FakeHost::FakeHost() : hostThread_(new HostThread) {}

std::shared_ptr<FakeHost> FakeHost::create() { return std::shared_ptr<FakeHost>(new FakeHost); }

FakeHost::~FakeHost() { shutdown(); }

HRESULT FakeHost::registerClassObject()
{
    ComPtr<IClassFactory> factory = classObject();
    DWORD cookie = 0;
    const HRESULT hr = CoRegisterClassObject(CLSID_IMAndPresence, factory.get(), CLSCTX_INPROC_SERVER,
                                             REGCLS_MULTIPLEUSE, &cookie);
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
    std::vector<ComPtr<_IIMAndPresenceEvents>> listeners;
    std::map<DWORD, ContactSink> sinks;
    ComPtr<IClassFactory> factory;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        shutDown_ = true;
        answeredWhileRequestingHook_ = nullptr;
        listeners.swap(listeners_);
        sinks.swap(contactSinks_);
        factory.swap(classObject_);
        pendingResolutions_.clear();
    }
}

void FakeHost::addContact(const ContactRecord& contact) { change([&] { contacts_[contact.signinName] = contact; }); }

std::optional<ContactRecord> FakeHost::contact(const std::wstring& signinName) const
{
    return read([&]() -> std::optional<ContactRecord> {
        const auto found = contacts_.find(signinName);
        return found == contacts_.end() ? std::nullopt : std::make_optional(found->second);
    });
}

std::optional<ContactRecord> FakeHost::contactByUserId(const std::wstring& userId) const
{
    return read([&]() -> std::optional<ContactRecord> {
        for (const auto& entry : contacts_)
            if (entry.second.userId == userId) return entry.second;
        return std::nullopt;
    });
}

void FakeHost::setPresence(const std::wstring& signinName, long presence, const std::wstring& presenceText)
{
    change([&] {
        const auto found = contacts_.find(signinName);
        if (found != contacts_.end()) found->second.presence = presence, found->second.presenceText = presenceText;
    });
}

void FakeHost::setClientUser(const ContactRecord& user) { change([&] { contacts_[user.signinName] = user, clientUser_ = user.signinName; }); }

std::wstring FakeHost::configuredAnswer(const std::wstring& email) const
{
    const auto found = resolutionAnswers_.find(email);
    return found == resolutionAnswers_.end() ? std::wstring() : found->second;
}

void FakeHost::recordResolveRequest(const std::wstring& email)
{
    std::wstring answer;
    ResolutionMode mode = ResolutionMode::Manual;
    std::function<void()> answeredHook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        resolveRequests_.push_back(email);
        mode = resolutionMode_;
        answeredHook = answeredWhileRequestingHook_;
        if (mode == ResolutionMode::Manual) {
            pendingResolutions_.push_back(email);
            return;
        }
        answer = configuredAnswer(email);
    }
    if (mode == ResolutionMode::WhileRequesting) {
        hostThread_->run([&] { deliverResolution(email, answer, nullptr); });
        if (answeredHook) answeredHook();
        return;
    }
    // Answered later, from the host's own thread, as the real host does.
    std::weak_ptr<FakeHost> weakHost = shared_from_this();
    hostThread_->post([weakHost, email, answer] {
        if (std::shared_ptr<FakeHost> host = weakHost.lock()) host->deliverResolution(email, answer, nullptr);
    });
}

std::vector<HRESULT> FakeHost::answerResolution(const std::wstring& email, const std::wstring& imAddress)
{
    change([&] {
        const auto pending = std::find(pendingResolutions_.begin(), pendingResolutions_.end(), email);
        if (pending != pendingResolutions_.end()) pendingResolutions_.erase(pending);
    });
    std::vector<HRESULT> results;
    hostThread_->run([&] { deliverResolution(email, imAddress, &results); });
    return results;
}

void FakeHost::answerPendingResolutions()
{
    std::vector<std::pair<std::wstring, std::wstring>> answers;
    change([&] {
        for (const std::wstring& email : pendingResolutions_) answers.emplace_back(email, configuredAnswer(email));
        pendingResolutions_.clear();
    });
    hostThread_->run([&] { for (const auto& answer : answers) deliverResolution(answer.first, answer.second, nullptr); });
}

void FakeHost::deliverResolution(const std::wstring& email, const std::wstring& imAddress, std::vector<HRESULT>* results)
{
    for (const ComPtr<_IIMAndPresenceEvents>& listener : listenersSnapshot()) {
        const HRESULT hr = listener->OnContactResolved(extensionsutils::Bstr(email).get(), extensionsutils::Bstr(imAddress).get());
        if (results) results->push_back(hr);
    }
}

HRESULT FakeHost::addListener(_IIMAndPresenceEvents* listener)
{
    const AllocationFailures::Pause hostAtWork;
    if (!listener) return E_POINTER;
    std::lock_guard<std::mutex> lock(mutex_);
    addedListeners_.push_back(listener);
    if (shutDown_) return E_UNEXPECTED;
    listeners_.emplace_back(listener);
    return S_OK;
}

HRESULT FakeHost::removeListener(_IIMAndPresenceEvents* listener)
{
    const AllocationFailures::Pause hostAtWork;
    ComPtr<_IIMAndPresenceEvents> removed;
    std::lock_guard<std::mutex> lock(mutex_);
    removedListeners_.push_back(listener);
    const auto found = std::find_if(listeners_.begin(), listeners_.end(),
                                    [&](const ComPtr<_IIMAndPresenceEvents>& held) { return held.get() == listener; });
    if (found == listeners_.end()) return E_INVALIDARG;
    removed = *found; // released after the lock, when `removed` goes
    listeners_.erase(found);
    return S_OK;
}

std::vector<HRESULT> FakeHost::firePresenceChanged(const std::wstring& signinName)
{
    const std::optional<ContactRecord> record = contact(signinName);
    std::vector<HRESULT> results;
    hostThread_->run([&] {
        deliverPresence(signinName, record ? record->presence : 0, record ? record->presenceText : L"", &results);
    });
    return results;
}

std::vector<HRESULT> FakeHost::firePresenceChangedWith(IDispatch* contact, IDispatch* presenceState)
{
    std::vector<HRESULT> results;
    hostThread_->run([&] { for (const auto& listener : listenersSnapshot()) results.push_back(listener->OnContactPresenceChanged(contact, presenceState)); });
    return results;
}

void FakeHost::postPresenceChanged(const std::wstring& signinName)
{
    const std::optional<ContactRecord> record = contact(signinName);
    const long presence = record ? record->presence : 0;
    const std::wstring text = record ? record->presenceText : std::wstring();
    std::weak_ptr<FakeHost> weakHost = shared_from_this();
    hostThread_->post([weakHost, signinName, presence, text] {
        if (std::shared_ptr<FakeHost> host = weakHost.lock()) host->deliverPresence(signinName, presence, text, nullptr);
    });
}

void FakeHost::deliverPresence(const std::wstring& signinName, long presence, const std::wstring& text,
                               std::vector<HRESULT>* results)
{
    ComPtr<IDispatch> contactObject = makeContactObject(signinName);
    ComPtr<IDispatch> presenceObject = makePresenceState(presence, text);
    for (const ComPtr<_IIMAndPresenceEvents>& listener : listenersSnapshot()) {
        const HRESULT hr = listener->OnContactPresenceChanged(contactObject.get(), presenceObject.get());
        if (results) results->push_back(hr);
    }
}

DWORD FakeHost::addContactSink(const std::wstring& signinName, IUnknown* sink)
{
    const AllocationFailures::Pause hostAtWork;
    ComPtr<IDispatch> events;
    if (FAILED(sink->QueryInterface(DIID__IContactEvents, reinterpret_cast<void**>(events.out()))) || !events) return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    if (shutDown_) return 0;
    const DWORD cookie = nextCookie_++;
    contactSinks_[cookie] = ContactSink{signinName, events};
    ++adviseCount_;
    return cookie;
}

HRESULT FakeHost::removeContactSink(const std::wstring& signinName, DWORD cookie)
{
    const AllocationFailures::Pause hostAtWork;
    ContactSink removed;
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = contactSinks_.find(cookie);
    if (found == contactSinks_.end() || found->second.signinName != signinName) return CONNECT_E_NOCONNECTION;
    removed = found->second; // released after the lock, when `removed` goes
    contactSinks_.erase(found);
    ++unadviseCount_;
    return S_OK;
}

std::size_t FakeHost::contactSinkCount(const std::wstring& signinName) const
{
    return read([&] {
        return static_cast<std::size_t>(std::count_if(contactSinks_.begin(), contactSinks_.end(),
                                                      [&](const auto& entry) { return entry.second.signinName == signinName; }));
    });
}

std::vector<HRESULT> FakeHost::fireContactChanged(const std::wstring& signinName, const std::vector<long>& codes,
                                                  DISPID dispid)
{
    std::vector<ComPtr<IDispatch>> sinks;
    change([&] {
        for (const auto& entry : contactSinks_)
            if (entry.second.signinName == signinName) sinks.push_back(entry.second.sink);
    });
    std::vector<HRESULT> results;
    hostThread_->run([&] {
        for (const ComPtr<IDispatch>& sink : sinks) {
            SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(codes.size()));
            for (LONG i = 0; array && i < static_cast<LONG>(codes.size()); ++i) {
                LONG code = codes[static_cast<std::size_t>(i)];
                SafeArrayPutElement(array, &i, &code);
            }
            VARIANT argument;
            VariantInit(&argument);
            argument.vt = VT_ARRAY | VT_I4;
            argument.parray = array;
            DISPPARAMS parameters = {&argument, nullptr, 1, 0};
            results.push_back(sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                                           nullptr, nullptr, nullptr));
            VariantClear(&argument);
        }
    });
    return results;
}

unsigned FakeHost::startWatchingCount(const std::wstring& signinName) const
{
    return read([&] {
        const auto found = startWatchingCounts_.find(signinName);
        return found == startWatchingCounts_.end() ? 0u : found->second;
    });
}

void FakeHost::recordTagRequest(const std::wstring& signinName, long tagged)
{
    change([&] {
        tagRequests_.emplace_back(signinName, tagged);
        const auto found = contacts_.find(signinName);
        if (found != contacts_.end()) found->second.tagged = tagged != 0;
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
    std::vector<LogRecord> matching;
    for (const LogRecord& record : logRecords())
        if (record.message == message) matching.push_back(record);
    return matching;
}

void FakeHost::recordLog(const LogRecord& record)
{
    const auto hooks = change([&] { return logRecords_.push_back(record), logHooks_; });
    for (const std::shared_ptr<LogHook>& hook : hooks) (*hook)(record);
}

// One step of a linear congruential generator: enough spread for picking failures, and replayable.
unsigned FakeHost::nextRandom()
{
    randomState_ = randomState_ * 1103515245u + 12345u;
    return (randomState_ >> 16) & 0x7fff;
}

FakeHost::Outcome FakeHost::randomOutcome()
{
    if (randomPercent_ == 0 || nextRandom() % 100 >= randomPercent_) return Outcome();
    ++randomFailures_;
    static const HRESULT failures[] = {E_FAIL, RPC_E_DISCONNECTED, E_OUTOFMEMORY};
    const unsigned pick = nextRandom() % 4;
    if (pick == 3) return Outcome{true, InjectedAnswer::Empty, S_OK};
    return Outcome{true, InjectedAnswer::Failure, failures[pick]};
}

void FakeHost::forgetRecords()
{
    change([&] {
        for (auto* names : {&resolveRequests_, &watchRequests_, &addedContacts_, &uriLookups_, &userIdLookups_}) names->clear();
        addedListeners_.clear(), removedListeners_.clear(), conversations_.clear(), tagRequests_.clear(), logRecords_.clear();
    });
}

FakeHost::Outcome FakeHost::beginCall(HostMethod method)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++callCounts_[index(method)];
    std::optional<Injection>& injection = injections_[index(method)];
    if (!injection) return randomOutcome();
    Outcome outcome{true, injection->answer, injection->result};
    if (injection->remaining > 0 && --injection->remaining == 0) injection.reset();
    return outcome;
}

} // namespace fakehost
