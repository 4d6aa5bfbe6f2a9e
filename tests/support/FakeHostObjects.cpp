// The fake host's COM objects, as FakeHost hands them out. Each keeps the FakeHost alive and, except the
// class object, is counted in its liveObjectCount(). Every method counts its call and lets an injected
// answer replace its work; the work reads the FakeHost's state at the time of the call.

#include "support/FakeHost.h"

#include "support/AllocationFailures.h"

#include <ocidl.h>
#include <olectl.h>
#include <oleauto.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <functional>
#include <optional>
#include <type_traits>
#include <vector>

namespace fakehost {

using extensionsutils::ComPtr;

namespace {

BSTR allocString(const std::wstring& text) { return SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

std::wstring stringOf(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

// A received participants array: one dimension of BSTR, walked from its lower to its upper bound; null
// elements become empty strings. E_INVALIDARG for anything else.
HRESULT readParticipants(SAFEARRAY* array, ConversationStart& start)
{
    VARTYPE type = VT_EMPTY;
    LONG lower = 0, upper = -1;
    if (!array || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetVartype(array, &type)) || type != VT_BSTR ||
        FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper)))
        return E_INVALIDARG;
    std::vector<std::wstring> names;
    for (LONGLONG i = lower; i <= upper; ++i) {
        LONG index = static_cast<LONG>(i);
        BSTR element = nullptr;
        if (FAILED(SafeArrayGetElement(array, &index, &element))) return E_INVALIDARG;
        names.push_back(stringOf(element));
        SysFreeString(element);
    }
    start.participants = std::move(names);
    start.lowerBound = lower;
    return S_OK;
}

// Free-threaded reference counting, QueryInterface for IUnknown and the interface, and a do-nothing
// IDispatch where the interface has one (the module calls the host through the vtable).
template <class Interface>
class FakeObject : public Interface {
public:
    explicit FakeObject(std::shared_ptr<FakeHost> host, bool counted = true) : host_(std::move(host)), counted_(counted) { if (counted_) host_->objectCreated(); }
    virtual ~FakeObject() { if (counted_) host_->objectDestroyed(); }
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == __uuidof(Interface)) *object = static_cast<Interface*>(this);
        else if constexpr (std::is_base_of<IDispatch, Interface>::value) {
            if (iid == IID_IDispatch) *object = static_cast<IDispatch*>(static_cast<Interface*>(this));
        }
        if (!*object) *object = otherInterface(iid);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

protected:
    // Further interfaces of the object (not AddRef'ed here); null for none.
    virtual void* otherInterface(REFIID) { return nullptr; }

    FakeHost& host() const { return *host_; }
    const std::shared_ptr<FakeHost>& hostPointer() const { return host_; }

    // Every answer pauses out-of-memory injection: only the module's own allocations may fail.
    // A method without outputs: act() is its work and result.
    HRESULT answerAction(HostMethod method, const std::function<HRESULT()>& act)
    {
        const AllocationFailures::Pause hostAtWork;
        const FakeHost::Outcome outcome = host().beginCall(method);
        if (outcome.injected) return outcome.fails() ? outcome.result : S_OK;
        return act();
    }
    // A method whose work is only to note what it was asked.
    HRESULT record(HostMethod method, const std::function<void()>& note) { return answerAction(method, [&] { return note(), S_OK; }); }
    // A new presence object from the directory entry, kNotFound without one.
    HRESULT presenceOf(const std::wstring& signinName, IDispatch** out)
    {
        const std::optional<ContactRecord> record = host().contact(signinName);
        return record ? (*out = host().makePresenceState(record->presence, record->presenceText).detach(), S_OK) : kNotFound;
    }
    // A getter: read() gives the value, or nothing for kNotFound.
    template <class T>
    HRESULT answerValue(HostMethod method, T* out, const std::function<std::optional<T>()>& read)
    {
        const AllocationFailures::Pause hostAtWork;
        if (!out) return E_POINTER;
        if constexpr (std::is_same<T, BSTR>::value) *out = nullptr;
        const FakeHost::Outcome outcome = host().beginCall(method);
        if (outcome.injected) return outcome.fails() ? outcome.result : S_OK;
        const std::optional<T> value = read();
        if (!value) return kNotFound;
        *out = *value;
        return S_OK;
    }
    HRESULT answerString(HostMethod method, BSTR* out, const std::function<std::optional<std::wstring>()>& read)
    {
        HRESULT result = S_OK;
        const HRESULT hr = answerValue<BSTR>(method, out, [&]() -> std::optional<BSTR> {
            const std::optional<std::wstring> value = read();
            if (!value) return std::nullopt;
            BSTR text = allocString(*value);
            if (!text) result = E_OUTOFMEMORY;
            return text;
        });
        return FAILED(hr) ? hr : result;
    }
    // An object getter: make() writes the new object into its argument and returns the result.
    template <class Out>
    HRESULT answerObject(HostMethod method, Out** out, const std::function<HRESULT(Out**)>& make)
    {
        const AllocationFailures::Pause hostAtWork;
        if (!out) return E_POINTER;
        *out = nullptr;
        const FakeHost::Outcome outcome = host().beginCall(method);
        if (outcome.fails()) return outcome.result;
        if (outcome.wrongObject()) *out = host().makeWrongObject().detach();
        return outcome.injected ? S_OK : make(out);
    }

private:
    std::shared_ptr<FakeHost> host_;
    bool counted_;
    std::atomic<ULONG> references_{0};
};

template <class Interface>
class FakeDispatch : public FakeObject<Interface> {
public:
    using FakeObject<Interface>::FakeObject;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return count ? (*count = 0, S_OK) : E_POINTER; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override { return (info ? *info = nullptr : nullptr), E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return DISP_E_MEMBERNOTFOUND; }
};

// Makes a new object and hands out its first reference as the interface asked for.
template <class Object, class Interface, class... Arguments>
ComPtr<Interface> make(Arguments&&... arguments)
{
    const AllocationFailures::Pause hostAtWork;
    return ComPtr<Interface>(static_cast<Interface*>(new Object(std::forward<Arguments>(arguments)...)));
}

// A contact's read transaction: open while it is referenced.
class FakeReadTransaction : public FakeObject<IUnknown> {
public:
    explicit FakeReadTransaction(std::shared_ptr<FakeHost> host) : FakeObject(std::move(host)) { this->host().readTransactionOpened(); }
    ~FakeReadTransaction() override { host().readTransactionClosed(); }
};

// The _IContactEvents point of a contact. The FakeHost keeps the sinks under the sign-in name, so
// fireContactChanged reaches them whichever contact object they were advised on.
class FakeContactConnectionPoint : public FakeObject<IConnectionPoint> {
public:
    FakeContactConnectionPoint(std::shared_ptr<FakeHost> host, std::wstring signinName) : FakeObject(std::move(host)), signinName_(std::move(signinName)) {}
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override { return iid ? (*iid = DIID__IContactEvents, S_OK) : E_POINTER; }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override
    {
        if (!container) return E_POINTER;
        ComPtr<IDispatch> contact = host().makeContactObject(signinName_);
        return contact->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container));
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override
    {
        if (!cookie) return E_POINTER;
        *cookie = 0;
        if (!sink) return E_POINTER;
        return answerAction(HostMethod::Advise, [&] {
            *cookie = host().addContactSink(signinName_, sink);
            return *cookie ? S_OK : CONNECT_E_CANNOTCONNECT;
        });
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override
    {
        return answerAction(HostMethod::Unadvise, [&] { return host().removeContactSink(signinName_, cookie); });
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override { return (connections ? *connections = nullptr : nullptr), E_NOTIMPL; }

private:
    const std::wstring signinName_;
};

class FakePresenceState : public FakeDispatch<IPresenceState> {
public:
    FakePresenceState(std::shared_ptr<FakeHost> host, long presence, std::wstring text) : FakeDispatch(std::move(host)), presence_(presence), text_(std::move(text)) {}
    HRESULT STDMETHODCALLTYPE get_PresenceString(BSTR* text) override { return answerString(HostMethod::GetPresenceString, text, [&] { return std::optional<std::wstring>(text_); }); }
    HRESULT STDMETHODCALLTYPE get_PresenceState(LONG* state) override { return answerValue<LONG>(HostMethod::GetPresenceState, state, [&] { return std::optional<LONG>(presence_); }); }

private:
    const long presence_;
    const std::wstring text_;
};

// A new object is made for every request; it reads its directory entry at each call (kNotFound once the
// entry is gone).
class FakeContact : public FakeDispatch<IContact>, public IConnectionPointContainer {
public:
    FakeContact(std::shared_ptr<FakeHost> host, std::wstring signinName) : FakeDispatch(std::move(host)), signinName_(std::move(signinName)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override { return FakeDispatch::QueryInterface(iid, object); }
    ULONG STDMETHODCALLTYPE AddRef() override { return FakeDispatch::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return FakeDispatch::Release(); }

    HRESULT STDMETHODCALLTYPE get_FriendlyName(BSTR* out) override { return field(HostMethod::GetFriendlyName, out, &ContactRecord::friendlyName); }
    HRESULT STDMETHODCALLTYPE get_SigninName(BSTR* out) override { return field(HostMethod::GetSigninName, out, &ContactRecord::signinName); }
    HRESULT STDMETHODCALLTYPE get_WorkNumber(BSTR* out) override { return field(HostMethod::GetWorkNumber, out, &ContactRecord::workNumber); }
    HRESULT STDMETHODCALLTYPE get_HomeNumber(BSTR* out) override { return field(HostMethod::GetHomeNumber, out, &ContactRecord::homeNumber); }
    HRESULT STDMETHODCALLTYPE get_MobileNumber(BSTR* out) override { return field(HostMethod::GetMobileNumber, out, &ContactRecord::mobileNumber); }
    HRESULT STDMETHODCALLTYPE get_OtherNumber(BSTR* out) override { return field(HostMethod::GetOtherNumber, out, &ContactRecord::otherNumber); }
    HRESULT STDMETHODCALLTYPE get_IsTagged(VARIANT_BOOL* tagged) override
    {
        return answerValue<VARIANT_BOOL>(HostMethod::GetIsTagged, tagged, [&]() -> std::optional<VARIANT_BOOL> {
            const std::optional<ContactRecord> record = host().contact(signinName_);
            return record ? std::make_optional<VARIANT_BOOL>(record->tagged ? VARIANT_TRUE : VARIANT_FALSE) : std::nullopt;
        });
    }
    HRESULT STDMETHODCALLTYPE RequestPresenceState(IDispatch** presenceState) override
    {
        return answerObject<IDispatch>(HostMethod::RequestPresenceState, presenceState, [&](IDispatch** out) { return presenceOf(signinName_, out); });
    }
    HRESULT STDMETHODCALLTYPE StartWatching() override { return record(HostMethod::StartWatching, [&] { host().recordStartWatching(signinName_); }); }
    HRESULT STDMETHODCALLTYPE BeginReadTransaction(IUnknown** transaction) override
    {
        return answerObject<IUnknown>(HostMethod::BeginReadTransaction, transaction, [&](IUnknown** out) {
            *out = make<FakeReadTransaction, IUnknown>(hostPointer()).detach();
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override { return (points ? *points = nullptr : nullptr), E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override
    {
        if (!point) return E_POINTER;
        *point = nullptr;
        return answerAction(HostMethod::FindConnectionPoint, [&] {
            if (iid != DIID__IContactEvents) return CONNECT_E_NOCONNECTION;
            *point = make<FakeContactConnectionPoint, IConnectionPoint>(hostPointer(), signinName_).detach();
            return S_OK;
        });
    }

protected:
    void* otherInterface(REFIID iid) override { return iid == IID_IConnectionPointContainer ? static_cast<IConnectionPointContainer*>(this) : nullptr; }

private:
    HRESULT field(HostMethod method, BSTR* out, std::wstring ContactRecord::*member)
    {
        return answerString(method, out, [&]() -> std::optional<std::wstring> {
            const std::optional<ContactRecord> record = host().contact(signinName_);
            return record ? std::make_optional((*record).*member) : std::nullopt;
        });
    }

    const std::wstring signinName_;
};

// The contact list as GetContacts hands it out: the sign-in names at the time it was made.
class FakeContacts : public FakeDispatch<IContacts> {
public:
    FakeContacts(std::shared_ptr<FakeHost> host, std::vector<std::wstring> signinNames) : FakeDispatch(std::move(host)), signinNames_(std::move(signinNames)) {}
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override { return answerValue<LONG>(HostMethod::GetCount, count, [&] { return std::optional<LONG>(static_cast<LONG>(signinNames_.size())); }); }
    HRESULT STDMETHODCALLTYPE get_Item(LONG index, IDispatch** contact) override
    {
        return answerObject<IDispatch>(HostMethod::GetItem, contact, [&](IDispatch** out) {
            if (index < 0 || static_cast<std::size_t>(index) >= signinNames_.size()) return E_INVALIDARG;
            *out = host().makeContactObject(signinNames_[static_cast<std::size_t>(index)]).detach();
            return S_OK;
        });
    }

private:
    const std::vector<std::wstring> signinNames_;
};

// IIMAndPresence: directory lookups, recorded chats, tags, watch and resolution requests.
class FakeIMAndPresence : public FakeDispatch<IIMAndPresence> {
public:
    using FakeDispatch::FakeDispatch;

    HRESULT STDMETHODCALLTYPE ResolveContactByEmail(BSTR email) override { return record(HostMethod::ResolveContactByEmail, [&] { host().recordResolveRequest(stringOf(email)); }); }
    HRESULT STDMETHODCALLTYPE GetContacts(IDispatch** contacts) override
    {
        return answerObject<IDispatch>(HostMethod::GetContacts, contacts, [&](IDispatch** out) {
            *out = make<FakeContacts, IDispatch>(hostPointer(), host().contactList()).detach();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetContact(BSTR uri, IDispatch** contact) override
    {
        return answerObject<IDispatch>(HostMethod::GetContact, contact, [&](IDispatch** out) {
            host().recordUriLookup(stringOf(uri));
            return contactOf(host().contact(stringOf(uri)), out);
        });
    }
    HRESULT STDMETHODCALLTYPE AddContact(BSTR signinName) override { return record(HostMethod::AddContact, [&] { host().recordAddedContact(stringOf(signinName)); }); }
    HRESULT STDMETHODCALLTYPE TagContact(BSTR signinName, LONG tagged) override { return record(HostMethod::TagContact, [&] { host().recordTagRequest(stringOf(signinName), tagged); }); }
    HRESULT STDMETHODCALLTYPE StartInstantMessage(BSTR signinName) override
    {
        return record(HostMethod::StartInstantMessage, [&] {
            host().recordConversation(ConversationStart{ConversationKind::InstantMessage, {stringOf(signinName)}, !signinName});
        });
    }
    HRESULT STDMETHODCALLTYPE StartGroupChat(SAFEARRAY* participants, BSTR subject) override
    {
        return answerAction(HostMethod::StartGroupChat, [&] {
            ConversationStart start{ConversationKind::GroupChat};
            const HRESULT read = readParticipants(participants, start);
            if (FAILED(read)) return read;
            start.hasSubject = subject != nullptr;
            start.subject = stringOf(subject);
            host().recordConversation(start);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetPresenceForContact(BSTR signinName, IDispatch** presenceState) override
    {
        return answerObject<IDispatch>(HostMethod::GetPresenceForContact, presenceState, [&](IDispatch** out) {
            host().recordUriLookup(stringOf(signinName));
            return presenceOf(stringOf(signinName), out);
        });
    }
    HRESULT STDMETHODCALLTYPE GetContactByUserId(BSTR userId, IDispatch** contact) override
    {
        return answerObject<IDispatch>(HostMethod::GetContactByUserId, contact, [&](IDispatch** out) {
            host().recordUserIdLookup(stringOf(userId));
            return contactOf(host().contactByUserId(stringOf(userId)), out);
        });
    }
    HRESULT STDMETHODCALLTYPE WatchContact(BSTR signinName) override { return record(HostMethod::WatchContact, [&] { host().recordWatchRequest(stringOf(signinName)); }); }

private:
    HRESULT contactOf(const std::optional<ContactRecord>& record, IDispatch** out) { return record ? (*out = host().makeContactObject(record->signinName).detach(), S_OK) : kNotFound; }
};

class FakeProviderManagement : public FakeDispatch<IProviderManagement> {
public:
    using FakeDispatch::FakeDispatch;

    HRESULT STDMETHODCALLTYPE GetLoggedInUser(IDispatch** contact) override
    {
        return answerObject<IDispatch>(HostMethod::GetLoggedInUser, contact, [&](IDispatch** out) {
            const std::optional<std::wstring> signinName = host().clientUser();
            if (!signinName) return kNotFound;
            *out = host().makeContactObject(*signinName).detach();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE IsSignedIn(LONG* signedIn) override { return answerValue<LONG>(HostMethod::IsSignedIn, signedIn, [&] { return std::optional<LONG>(host().signedInValue()); }); }
};

class FakeEventManager : public FakeDispatch<IEventManager> {
public:
    using FakeDispatch::FakeDispatch;

    HRESULT STDMETHODCALLTYPE AddIMAndPresenceEventListener(_IIMAndPresenceEvents* listener) override { return answerAction(HostMethod::AddIMAndPresenceEventListener, [&] { return host().addListener(listener); }); }
    HRESULT STDMETHODCALLTYPE RemoveIMAndPresenceEventListener(_IIMAndPresenceEvents* listener) override { return answerAction(HostMethod::RemoveIMAndPresenceEventListener, [&] { return host().removeListener(listener); }); }
};

class FakePhone : public FakeDispatch<IPhone> {
public:
    using FakeDispatch::FakeDispatch;

    HRESULT STDMETHODCALLTYPE MakeCall(BSTR participant) override
    {
        return record(HostMethod::MakeCall, [&] { host().recordConversation(ConversationStart{ConversationKind::Call, {stringOf(participant)}, !participant}); });
    }
    HRESULT STDMETHODCALLTYPE MakeConferenceCall(SAFEARRAY* participants) override
    {
        return answerAction(HostMethod::MakeConferenceCall, [&] {
            ConversationStart start{ConversationKind::ConferenceCall};
            const HRESULT read = readParticipants(participants, start);
            if (SUCCEEDED(read)) host().recordConversation(start);
            return read;
        });
    }
};

// Records every record written, whether its level is enabled or not.
class FakeLogger : public FakeDispatch<ILogger> {
public:
    using FakeDispatch::FakeDispatch;

    HRESULT STDMETHODCALLTYPE WriteRecord(LONG level, BSTR file, LONG line, BSTR function, BSTR message) override
    {
        return record(HostMethod::WriteRecord, [&] {
            host().recordLog(LogRecord{level, stringOf(file), line, stringOf(function), stringOf(message), GetCurrentThreadId()});
        });
    }
    HRESULT STDMETHODCALLTYPE IsLevelEnabled(LONG level, VARIANT_BOOL* enabled) override
    {
        return answerValue<VARIANT_BOOL>(HostMethod::IsLevelEnabled, enabled, [&] {
            return std::optional<VARIANT_BOOL>(host().enabledHostLevels().count(level) ? VARIANT_TRUE : VARIANT_FALSE);
        });
    }
};

// Not counted among the live objects.
class FakeClassFactory : public FakeObject<IClassFactory> {
public:
    explicit FakeClassFactory(std::shared_ptr<FakeHost> host) : FakeObject(std::move(host), false) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        const AllocationFailures::Pause hostAtWork;
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        using Maker = ComPtr<IUnknown> (*)(std::shared_ptr<FakeHost>&&);
        static const struct {
            const IID* iid;
            HostMethod method;
            Maker make;
        } kinds[] = {
            {&IID_IIMAndPresence, HostMethod::CreateIMAndPresence, &make<FakeIMAndPresence, IUnknown, std::shared_ptr<FakeHost>>},
            {&IID_IProviderManagement, HostMethod::CreateProviderManagement, &make<FakeProviderManagement, IUnknown, std::shared_ptr<FakeHost>>},
            {&IID_IEventManager, HostMethod::CreateEventManager, &make<FakeEventManager, IUnknown, std::shared_ptr<FakeHost>>},
            {&IID_IPhone, HostMethod::CreatePhone, &make<FakePhone, IUnknown, std::shared_ptr<FakeHost>>},
            {&IID_ILogger, HostMethod::CreateLogger, &make<FakeLogger, IUnknown, std::shared_ptr<FakeHost>>},
        };
        const auto kind = std::find_if(std::begin(kinds), std::end(kinds), [&](const auto& k) { return *k.iid == iid; });
        if (kind == std::end(kinds)) return E_NOINTERFACE;
        // An injected answer gives no object: a wrong one would be called through the wrong vtable.
        const FakeHost::Outcome outcome = host().beginCall(kind->method);
        if (outcome.injected) return outcome.fails() ? outcome.result : S_OK;
        ComPtr<IUnknown> created = kind->make(std::shared_ptr<FakeHost>(hostPointer()));
        return created->QueryInterface(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

} // namespace

ComPtr<IClassFactory> FakeHost::classObject()
{
    return change([&] { return classObject_ ? classObject_ : classObject_ = make<FakeClassFactory, IClassFactory>(shared_from_this()); });
}

ComPtr<IDispatch> FakeHost::makeContactObject(const std::wstring& signinName) { return make<FakeContact, IDispatch>(shared_from_this(), signinName); }

ComPtr<IDispatch> FakeHost::makePresenceState(long presence, const std::wstring& text) { return make<FakePresenceState, IDispatch>(shared_from_this(), presence, text); }

ComPtr<IDispatch> FakeHost::makeWrongObject() { return make<FakeDispatch<IDispatch>, IDispatch>(shared_from_this()); }

} // namespace fakehost
