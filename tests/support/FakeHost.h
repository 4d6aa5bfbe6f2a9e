#pragma once

// A fake of the host client's extension API, real COM and in-process: a class object for
// CLSID_IMAndPresence that the module finds with CoGetClassObject(CLSCTX_INPROC_SERVER) once it is
// registered, and behind it a directory of contacts, the signed-in user, contact lists, asynchronous
// e-mail resolution, presence and contact-change events fired from a host thread, recorded chats and
// calls, a recording logger and failure injection for every host method.
//
// Thread-safe: the module may call the fake objects from any thread while a test drives this object.
// One mutex guards the state; it is never held while the fake calls into the module.
// Hold it by shared pointer (create()); every fake COM object keeps it alive. shutdown() (done by
// FakeHostEnvironment) ends the host thread and releases what the module handed in.

#include "support/FakeHostTypes.h"

#include "HostExtensionApi.h"
#include "extensionsutils/ComPtr.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace fakehost {

class HostThread;

class FakeHost : public std::enable_shared_from_this<FakeHost> {
public:
    static std::shared_ptr<FakeHost> create();
    ~FakeHost();

    // --- Class object registration (CoRegisterClassObject, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, in
    // the calling thread's apartment) ---
    HRESULT registerClassObject();
    void revokeClassObject();
    // The class object itself, as CoGetClassObject would hand it out.
    extensionsutils::ComPtr<IClassFactory> classObject();

    // Ends the host thread (after what is queued) and releases the module's listeners, contact event sinks
    // and pending requests. Idempotent; the fake objects keep answering from the state afterwards.
    void shutdown();

    // --- Directory ---
    // Adds the contact, or replaces the one with the same sign-in name. Both lookups take constant time, so
    // that a directory of many thousand contacts costs what a host's would (a user id finds the contact
    // added last with it).
    void addContact(const ContactRecord& contact);
    std::optional<ContactRecord> contact(const std::wstring& signinName) const;
    std::optional<ContactRecord> contactByUserId(const std::wstring& userId) const;
    // Changes the stored presence without telling anyone (see firePresenceChanged).
    void setPresence(const std::wstring& signinName, long presence, const std::wstring& presenceText);

    // The signed-in user: added to the directory and answered by GetLoggedInUser.
    void setClientUser(const ContactRecord& user);
    void clearClientUser() { change([&] { clientUser_.reset(); }); } // GetLoggedInUser then fails with kNotFound
    // The IsSignedIn answer: 0 means signed in (the default).
    void setSignedInValue(long value) { change([&] { signedInValue_ = value; }); }

    // The contact list that GetContacts answers, by sign-in name, in order.
    void setContactList(const std::vector<std::wstring>& signinNames) { change([&] { contactList_ = signinNames; }); }

    // --- E-mail resolution (ResolveContactByEmail, answered through the listeners' OnContactResolved) ---
    // Manual: requests wait until answerResolution / answerPendingResolutions. Automatic: each request is
    // answered on the host thread right after it was made. WhileRequesting: each request is answered on the
    // host thread while ResolveContactByEmail waits.
    enum class ResolutionMode { Manual, Automatic, WhileRequesting };
    void setResolutionMode(ResolutionMode mode) { change([&] { resolutionMode_ = mode; }); }
    // WhileRequesting: runs after the answer was delivered, still inside ResolveContactByEmail, on the
    // requesting thread (a test looks there at what the answer has set off before the request returned).
    void setAnsweredWhileRequestingHook(std::function<void()> hook) { change([&] { answeredWhileRequestingHook_ = std::move(hook); }); }
    // The IM address answered for this e-mail address (default: empty, nobody found).
    void setResolutionAnswer(const std::wstring& email, const std::wstring& imAddress)
    {
        change([&] { resolutionAnswers_[email] = imAddress; });
    }
    std::vector<std::wstring> resolveRequests() const { return copyOf(records_.resolveRequests); } // every request, in order
    std::vector<std::wstring> pendingResolutions() const { return copyOf(pendingResolutions_); } // manual mode: not yet answered
    // Delivers an answer to every listener on the host thread and waits; one result per listener.
    // Removes the oldest pending request for that address, if any.
    std::vector<HRESULT> answerResolution(const std::wstring& email, const std::wstring& imAddress);
    // Answers every pending request with its configured answer, in request order, and waits.
    void answerPendingResolutions();

    // --- IIMAndPresence listeners ---
    std::size_t listenerCount() const { return read([&] { return listeners_.size(); }); }
    // Identities of the listener pointers in the order they were added / removed (identity only).
    std::vector<const void*> addedListeners() const { return copyOf(records_.addedListeners); }
    std::vector<const void*> removedListeners() const { return copyOf(records_.removedListeners); }
    // OnContactPresenceChanged to every listener on the host thread, with a new contact object and a
    // presence object made from the directory entry; waits, one result per listener.
    std::vector<HRESULT> firePresenceChanged(const std::wstring& signinName);
    // Like firePresenceChanged without waiting.
    void postPresenceChanged(const std::wstring& signinName);

    // --- _IContactEvents on contacts ---
    std::size_t contactSinkCount(const std::wstring& signinName) const { return sinksOf(signinName).size(); }
    std::size_t contactSinkCount() const { return read([&] { return contactSinks_.size(); }); } // all contacts
    // Invokes the dispid (normally 1) on every sink advised on that contact, from the host thread, with
    // one argument: the change codes as a VT_ARRAY | VT_I4 array. Waits; one result per sink.
    std::vector<HRESULT> fireContactChanged(const std::wstring& signinName, const std::vector<long>& codes,
                                            DISPID dispid = 1);

    // --- What the module asked the host to do ---
    std::vector<ConversationStart> conversations() const { return copyOf(records_.conversations); }
    std::vector<std::wstring> watchRequests() const { return copyOf(records_.watchRequests); } // WatchContact
    std::vector<std::pair<std::wstring, long>> tagRequests() const { return copyOf(records_.tagRequests); }
    std::vector<std::wstring> addedContacts() const { return copyOf(records_.addedContacts); } // AddContact
    // Keys that reached the directory through GetContact and GetPresenceForContact (not injected answers), in order.
    std::vector<std::wstring> uriLookups() const { return copyOf(records_.uriLookups); }
    std::vector<std::wstring> userIdLookups() const { return copyOf(records_.userIdLookups); } // the same for GetContactByUserId
    unsigned openReadTransactions() const { return copyOf(openReadTransactions_); }

    // --- Logger ---
    std::vector<LogRecord> logRecords() const { return copyOf(records_.logRecords); }
    std::vector<std::wstring> logMessages() const;
    bool logged(const std::wstring& message) const { return loggedCount(message) > 0; }
    std::size_t loggedCount(const std::wstring& message) const { return recordsOf(message).size(); }
    // The records with exactly this message.
    std::vector<LogRecord> recordsOf(const std::wstring& message) const;
    void clearLog() { change([&] { records_.logRecords.clear(); }); }
    // Host levels the logger answers as enabled (default: all of 0 to 5).
    void setEnabledHostLevels(const std::set<long>& levels) { change([&] { enabledHostLevels_ = levels; }); }
    // Runs on the writing thread for every record, after it was kept and with no fake lock held, so a test
    // can read state at the moment a given line is written, or hold the writer there.
    using LogHook = std::function<void(const LogRecord&)>;
    void addLogHook(LogHook hook) { change([&] { logHooks_.push_back(std::make_shared<LogHook>(std::move(hook))); }); }
    void clearLogHooks() { change([&] { logHooks_.clear(); }); }

    // --- Failure injection; every call is counted whether it fails or not ---
    // times: how many of the next calls answer this way; -1 for every call until cleared.
    void failMethod(HostMethod method, HRESULT result = E_FAIL, int times = -1)
    {
        inject(method, {InjectedAnswer::Failure, result, times});
    }
    void answerEmpty(HostMethod method, int times = -1) { inject(method, {InjectedAnswer::Empty, S_OK, times}); }
    void answerWrongObject(HostMethod method, int times = -1) { inject(method, {InjectedAnswer::WrongObject, S_OK, times}); }
    void clearFailures() { change([&] { for (auto& injection : injections_) injection.reset(); }); }
    unsigned callCount(HostMethod method) const { return read([&] { return callCounts_[index(method)]; }); }
    void resetCallCounts() { change([&] { callCounts_.fill(0); }); }
    // What a call answers instead of its work; `injected` false lets the work run.
    struct Outcome {
        bool injected = false;
        InjectedAnswer answer = InjectedAnswer::Failure;
        HRESULT result = S_OK;
        bool fails() const { return injected && answer == InjectedAnswer::Failure; }
        bool wrongObject() const { return injected && answer == InjectedAnswer::WrongObject; }
    };
    // Decides the outcome of every call that has no injection of its own (a program's own failures); runs
    // under the fake's lock, so it must not call the fake. Null (the default) lets those calls work.
    using OutcomeSource = std::function<Outcome(HostMethod)>;
    void setOutcomeSource(OutcomeSource source) { change([&] { outcomeSource_ = std::move(source); }); }

    // Forgets the recorded requests and log records (a long run would otherwise keep every one).
    void forgetRecords() { change([&] { records_ = Records(); }); }

    // --- Objects, for tests that hand host objects to the module themselves ---
    extensionsutils::ComPtr<IDispatch> makeContactObject(const std::wstring& signinName);
    extensionsutils::ComPtr<IDispatch> makePresenceState(long presence, const std::wstring& text);
    extensionsutils::ComPtr<IDispatch> makeWrongObject(); // answers only IUnknown and IDispatch

    // Fake COM objects alive now (the class object not counted): 0 once the module released all.
    long liveObjectCount() const { return liveObjects_.load(); }

    // ----- Used by the fake COM objects -----
    // Counts the call and tells whether an injected answer replaces its work.
    Outcome beginCall(HostMethod method);
    void objectCreated() { ++liveObjects_; }
    void objectDestroyed() { --liveObjects_; }
    std::optional<std::wstring> clientUser() const { return copyOf(clientUser_); }
    long signedInValue() const { return copyOf(signedInValue_); }
    std::vector<std::wstring> contactList() const { return copyOf(contactList_); }
    std::set<long> enabledHostLevels() const { return copyOf(enabledHostLevels_); }
    void recordResolveRequest(const std::wstring& email);
    void recordConversation(const ConversationStart& start) { change([&] { records_.conversations.push_back(start); }); }
    void recordWatchRequest(const std::wstring& signinName) { change([&] { records_.watchRequests.push_back(signinName); }); }
    void recordTagRequest(const std::wstring& signinName, long tagged);
    void recordAddedContact(const std::wstring& signinName) { change([&] { records_.addedContacts.push_back(signinName); }); }
    void recordUriLookup(const std::wstring& uri) { change([&] { records_.uriLookups.push_back(uri); }); }
    void recordUserIdLookup(const std::wstring& userId) { change([&] { records_.userIdLookups.push_back(userId); }); }
    void readTransactionOpened() { change([&] { ++openReadTransactions_; }); }
    void readTransactionClosed() { change([&] { --openReadTransactions_; }); }
    void recordLog(const LogRecord& record);
    HRESULT addListener(_IIMAndPresenceEvents* listener);
    HRESULT removeListener(_IIMAndPresenceEvents* listener);
    // Returns the cookie, 0 when the sink does not answer _IContactEvents.
    DWORD addContactSink(const std::wstring& signinName, IUnknown* sink);
    HRESULT removeContactSink(const std::wstring& signinName, DWORD cookie);

private:
    struct Injection { InjectedAnswer answer = InjectedAnswer::Failure; HRESULT result = E_FAIL; int remaining = -1; };
    struct ContactSink { std::wstring signinName; extensionsutils::ComPtr<IDispatch> sink; };
    static constexpr std::size_t kMethodCount = static_cast<std::size_t>(HostMethod::Count);

    FakeHost();
    // A copy of a guarded field, and a change of guarded state, each under the mutex.
    template <class Read> auto read(Read answer) const -> decltype(answer())
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return answer();
    }
    template <class T>
    T copyOf(const T& field) const { return read([&] { return field; }); }
    template <class Change> auto change(Change apply) -> decltype(apply())
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return apply();
    }
    // The value under `key`, null without one (mutex_ held).
    template <class Map, class Key>
    static auto valueAt(Map& map, const Key& key) -> decltype(&map.begin()->second)
    {
        const auto found = map.find(key);
        return found == map.end() ? nullptr : &found->second;
    }
    std::vector<extensionsutils::ComPtr<IDispatch>> sinksOf(const std::wstring& signinName) const;
    static std::size_t index(HostMethod method) { return static_cast<std::size_t>(method); }
    void inject(HostMethod method, const Injection& injection) { change([&] { injections_[index(method)] = injection; }); }
    std::vector<HRESULT> deliverPresence(const std::wstring& signinName, const std::optional<ContactRecord>& record);
    std::vector<HRESULT> deliverResolution(const std::wstring& email, const std::wstring& imAddress) const;
    // Each listener called in turn on this thread; one result per listener.
    std::vector<HRESULT> toListeners(const std::function<HRESULT(_IIMAndPresenceEvents*)>& call) const;
    std::vector<HRESULT> onHostThread(const std::function<std::vector<HRESULT>()>& work); // run there and waited for
    void later(std::function<void(FakeHost&)> work);
    std::wstring configuredAnswer(const std::wstring& email) const;

    // What the module asked for and logged, all forgotten at once by forgetRecords.
    struct Records {
        std::vector<std::wstring> resolveRequests, watchRequests, addedContacts, uriLookups, userIdLookups;
        std::vector<const void*> addedListeners, removedListeners;
        std::vector<ConversationStart> conversations;
        std::vector<std::pair<std::wstring, long>> tagRequests;
        std::vector<LogRecord> logRecords;
    };

    mutable std::mutex mutex_;
    // Guarded by mutex_:
    std::unordered_map<std::wstring, ContactRecord> contacts_;         // by sign-in name
    std::unordered_map<std::wstring, std::wstring> signinNameByUserId_;
    std::optional<std::wstring> clientUser_;
    long signedInValue_ = 0;
    std::vector<std::wstring> contactList_;
    ResolutionMode resolutionMode_ = ResolutionMode::Manual;
    std::function<void()> answeredWhileRequestingHook_;
    std::map<std::wstring, std::wstring> resolutionAnswers_;
    std::vector<std::wstring> pendingResolutions_;
    std::vector<extensionsutils::ComPtr<_IIMAndPresenceEvents>> listeners_;
    std::map<DWORD, ContactSink> contactSinks_;
    DWORD nextCookie_ = 1;
    unsigned openReadTransactions_ = 0;
    Records records_;
    std::vector<std::shared_ptr<LogHook>> logHooks_;
    std::set<long> enabledHostLevels_{0, 1, 2, 3, 4, 5};
    std::array<std::optional<Injection>, kMethodCount> injections_;
    std::array<unsigned, kMethodCount> callCounts_{};
    OutcomeSource outcomeSource_;
    extensionsutils::ComPtr<IClassFactory> classObject_;
    DWORD registrationCookie_ = 0;
    bool shutDown_ = false;

    std::atomic<long> liveObjects_{0};
    std::unique_ptr<HostThread> hostThread_; // set once in create(); stopped by shutdown()
};

} // namespace fakehost
