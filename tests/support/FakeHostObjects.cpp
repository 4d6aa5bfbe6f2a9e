// The fake host's COM objects, as FakeHost hands them out. Each keeps the FakeHost alive and, except the
// class object, is counted in its liveObjectCount(). Every method counts its call and lets an injected
// answer replace its work; the work reads the FakeHost's state at the time of the call.

#include "support/FakeHost.h"

#include "common/ContractIds.h"
#include "support/AllocationFailures.h"

#include "extensionsutils/SafeArray.h"

#include <ocidl.h>
#include <olectl.h>
#include <oleauto.h>

#include <type_traits>

namespace fakehost {

using extensionsutils::ComPtr;
using HostPointer = std::shared_ptr<FakeHost>;

namespace {

std::wstring stringOf(BSTR text) { return text ? std::wstring(text, SysStringLen(text)) : std::wstring(); }

// A received participants array: one dimension of BSTR, walked from its lower to its upper bound; null
// elements become empty strings. E_INVALIDARG for anything else.
bool readParticipants(SAFEARRAY* array, ConversationStart& start)
{
    LONG upper = 0;
    return array && SUCCEEDED(extensionsutils::vectorBounds(array, VT_BSTR, start.lowerBound, upper)) &&
           SUCCEEDED(extensionsutils::readStrings(array, start.participants));
}

// A member the module never calls; its out-parameter is cleared.
template <class T>
HRESULT notImplemented(T** out)
{
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

// The id under which the host client publishes each of its interfaces; Windows' own for system interfaces.
template <class Interface> const GUID& publishedId() { return __uuidof(Interface); }
template <> const GUID& publishedId<IPresenceState>() { return contractid::IPresenceState; }
template <> const GUID& publishedId<IContact>() { return contractid::IContact; }
template <> const GUID& publishedId<IContacts>() { return contractid::IContacts; }
template <> const GUID& publishedId<IIMAndPresence>() { return contractid::IIMAndPresence; }
template <> const GUID& publishedId<IProviderManagement>() { return contractid::IProviderManagement; }
template <> const GUID& publishedId<IEventManager>() { return contractid::IEventManager; }
template <> const GUID& publishedId<IPhone>() { return contractid::IPhone; }
template <> const GUID& publishedId<ILogger>() { return contractid::ILogger; }

// Free-threaded reference counting, QueryInterface for IUnknown and the interface, and a do-nothing
// IDispatch where the interface has one (the module calls the host through the vtable).
template <class Interface>
class FakeObject : public Interface {
public:
    explicit FakeObject(HostPointer host, bool counted = true) : host_(std::move(host)), counted_(counted)
    {
        if (counted_) host_->objectCreated();
    }
    virtual ~FakeObject() { if (counted_) host_->objectDestroyed(); }

    STDMETHOD(QueryInterface)(REFIID iid, void** object) override
    {
        if (!object) return E_POINTER;
        const bool dispatch = std::is_base_of<IDispatch, Interface>::value && iid == contractid::IDispatch; // the interface's first base
        const bool ownInterface = iid == contractid::IUnknown || iid == publishedId<Interface>() || dispatch;
        *object = ownInterface ? static_cast<Interface*>(this) : otherInterface(iid);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++references_; }
    STDMETHOD_(ULONG, Release)() override
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
    HRESULT record(HostMethod method, const std::function<void()>& note)
    {
        return answerAction(method, [&] {
            note();
            return S_OK;
        });
    }
    // A chat or call with a participants array: recorded once the array reads well.
    HRESULT startWith(HostMethod method, ConversationKind kind, SAFEARRAY* participants, BSTR subject = nullptr)
    {
        return answerAction(method, [&] {
            ConversationStart start{kind, {}, 0, subject != nullptr, stringOf(subject)};
            if (!readParticipants(participants, start)) return E_INVALIDARG;
            host().recordConversation(start);
            return S_OK;
        });
    }
    // A new presence object from the directory entry, null without one.
    ComPtr<IDispatch> presenceOf(const std::wstring& signinName)
    {
        const std::optional<ContactRecord> record = host().contact(signinName);
        return record ? host().makePresenceState(record->presence, record->presenceText) : nullptr;
    }
    // A getter: read() gives the value, or nothing for kNotFound.
    template <class T>
    HRESULT answerValue(HostMethod method, T* out, const std::function<std::optional<T>()>& read)
    {
        if (!out) return E_POINTER;
        if constexpr (std::is_same<T, BSTR>::value) *out = nullptr;
        return answerAction(method, [&] {
            const std::optional<T> value = read();
            if (!value) return kNotFound;
            *out = *value;
            return S_OK;
        });
    }
    HRESULT answerString(HostMethod method, BSTR* out, const std::function<std::optional<std::wstring>()>& read)
    {
        return answerValue<BSTR>(method, out, [&]() -> std::optional<BSTR> {
            const std::optional<std::wstring> value = read();
            return value ? std::make_optional(SysAllocStringLen(value->data(), static_cast<UINT>(value->size()))) : std::nullopt;
        });
    }
    // An object getter: make() gives the new object, or null to answer `missing`.
    template <class Out>
    HRESULT answerObject(HostMethod method, Out** out, const std::function<ComPtr<Out>()>& make, HRESULT missing = kNotFound)
    {
        const AllocationFailures::Pause hostAtWork;
        if (!out) return E_POINTER;
        *out = nullptr;
        const FakeHost::Outcome outcome = host().beginCall(method);
        if (outcome.fails()) return outcome.result;
        if (outcome.wrongObject()) *out = host().makeWrongObject().detach();
        if (outcome.injected) return S_OK;
        *out = make().detach();
        return *out ? S_OK : missing;
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

    STDMETHOD(GetTypeInfoCount)(UINT*) override { return E_NOTIMPL; }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** info) override { return notImplemented(info); }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return DISP_E_MEMBERNOTFOUND; }
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
    explicit FakeReadTransaction(HostPointer host) : FakeObject(std::move(host)) { this->host().readTransactionOpened(); }
    ~FakeReadTransaction() override { host().readTransactionClosed(); }
};

// The _IContactEvents point of a contact. The FakeHost keeps the sinks under the sign-in name, so
// fireContactChanged reaches them whichever contact object they were advised on.
class FakeContactConnectionPoint : public FakeObject<IConnectionPoint> {
public:
    FakeContactConnectionPoint(HostPointer host, std::wstring signinName)
        : FakeObject(std::move(host)), signinName_(std::move(signinName)) {}
    STDMETHOD(GetConnectionInterface)(IID*) override { return E_NOTIMPL; }
    STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** container) override { return notImplemented(container); }
    STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override
    {
        if (!cookie) return E_POINTER;
        *cookie = 0;
        if (!sink) return E_POINTER;
        return answerAction(HostMethod::Advise,
                            [&] { return (*cookie = host().addContactSink(signinName_, sink)) ? S_OK : CONNECT_E_CANNOTCONNECT; });
    }
    STDMETHOD(Unadvise)(DWORD cookie) override
    {
        return answerAction(HostMethod::Unadvise, [&] { return host().removeContactSink(signinName_, cookie); });
    }
    STDMETHOD(EnumConnections)(IEnumConnections** connections) override { return notImplemented(connections); }

private:
    const std::wstring signinName_;
};

class FakePresenceState : public FakeDispatch<IPresenceState> {
public:
    FakePresenceState(HostPointer host, long presence, std::wstring text)
        : FakeDispatch(std::move(host)), presence_(presence), text_(std::move(text)) {}
    STDMETHOD(get_PresenceString)(BSTR* text) override { return answerString(HostMethod::GetPresenceString, text, [&] { return text_; }); }
    STDMETHOD(get_PresenceState)(LONG* state) override
    {
        return answerValue<LONG>(HostMethod::GetPresenceState, state, [&] { return presence_; });
    }

private:
    const long presence_;
    const std::wstring text_;
};

// A new object is made for every request; it reads its directory entry at each call (kNotFound once the
// entry is gone).
class FakeContact : public FakeDispatch<IContact>, public IConnectionPointContainer {
public:
    FakeContact(HostPointer host, std::wstring signinName) : FakeDispatch(std::move(host)), signinName_(std::move(signinName)) {}
    STDMETHOD(QueryInterface)(REFIID iid, void** object) override { return FakeDispatch::QueryInterface(iid, object); }
    STDMETHOD_(ULONG, AddRef)() override { return FakeDispatch::AddRef(); }
    STDMETHOD_(ULONG, Release)() override { return FakeDispatch::Release(); }

    STDMETHOD(get_FriendlyName)(BSTR* out) override { return field(HostMethod::GetFriendlyName, out, &ContactRecord::friendlyName); }
    STDMETHOD(get_SigninName)(BSTR* out) override { return field(HostMethod::GetSigninName, out, &ContactRecord::signinName); }
    STDMETHOD(get_WorkNumber)(BSTR* out) override { return field(HostMethod::GetWorkNumber, out, &ContactRecord::workNumber); }
    STDMETHOD(get_HomeNumber)(BSTR* out) override { return field(HostMethod::GetHomeNumber, out, &ContactRecord::homeNumber); }
    STDMETHOD(get_MobileNumber)(BSTR* out) override { return field(HostMethod::GetMobileNumber, out, &ContactRecord::mobileNumber); }
    STDMETHOD(get_OtherNumber)(BSTR* out) override { return field(HostMethod::GetOtherNumber, out, &ContactRecord::otherNumber); }
    STDMETHOD(get_IsTagged)(VARIANT_BOOL* tagged) override
    {
        return answerValue<VARIANT_BOOL>(HostMethod::GetIsTagged, tagged, [&] {
            return entry<VARIANT_BOOL>([](const ContactRecord& record) { return record.tagged ? VARIANT_TRUE : VARIANT_FALSE; });
        });
    }
    STDMETHOD(RequestPresenceState)(IDispatch** presenceState) override
    {
        return answerObject<IDispatch>(HostMethod::RequestPresenceState, presenceState, [&] { return presenceOf(signinName_); });
    }
    STDMETHOD(StartWatching)() override { return answerAction(HostMethod::StartWatching, [] { return S_OK; }); }
    STDMETHOD(BeginReadTransaction)(IUnknown** transaction) override
    {
        return answerObject<IUnknown>(HostMethod::BeginReadTransaction, transaction,
                                      [&] { return make<FakeReadTransaction, IUnknown>(hostPointer()); });
    }

    STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** points) override { return notImplemented(points); }
    STDMETHOD(FindConnectionPoint)(REFIID iid, IConnectionPoint** point) override
    {
        if (!point) return E_POINTER;
        *point = nullptr;
        return answerAction(HostMethod::FindConnectionPoint, [&] {
            if (iid != contractid::IContactEvents) return CONNECT_E_NOCONNECTION;
            *point = make<FakeContactConnectionPoint, IConnectionPoint>(hostPointer(), signinName_).detach();
            return S_OK;
        });
    }

protected:
    void* otherInterface(REFIID iid) override
    {
        return iid == contractid::IConnectionPointContainer ? static_cast<IConnectionPointContainer*>(this) : nullptr;
    }

private:
    // What `read` takes from the directory entry now; nothing once it is gone.
    template <class T, class Read>
    std::optional<T> entry(Read read) const
    {
        const std::optional<ContactRecord> record = host().contact(signinName_);
        return record ? std::make_optional<T>(read(*record)) : std::nullopt;
    }
    HRESULT field(HostMethod method, BSTR* out, std::wstring ContactRecord::*member)
    {
        return answerString(method, out, [&] { return entry<std::wstring>([&](const ContactRecord& record) { return record.*member; }); });
    }

    const std::wstring signinName_;
};

// The contact list as GetContacts hands it out: the sign-in names at the time it was made.
class FakeContacts : public FakeDispatch<IContacts> {
public:
    FakeContacts(HostPointer host, std::vector<std::wstring> signinNames)
        : FakeDispatch(std::move(host)), signinNames_(std::move(signinNames)) {}
    STDMETHOD(get_Count)(LONG* count) override
    {
        return answerValue<LONG>(HostMethod::GetCount, count, [&] { return static_cast<LONG>(signinNames_.size()); });
    }
    STDMETHOD(get_Item)(LONG index, IDispatch** contact) override
    {
        const bool within = index >= 0 && static_cast<std::size_t>(index) < signinNames_.size();
        return answerObject<IDispatch>(
            HostMethod::GetItem, contact,
            [&] { return within ? host().makeContactObject(signinNames_[static_cast<std::size_t>(index)]) : nullptr; }, E_INVALIDARG);
    }

private:
    const std::vector<std::wstring> signinNames_;
};

// IIMAndPresence: directory lookups, recorded chats, tags, watch and resolution requests.
class FakeIMAndPresence : public FakeDispatch<IIMAndPresence> {
public:
    using FakeDispatch::FakeDispatch;

    STDMETHOD(ResolveContactByEmail)(BSTR email) override
    {
        return record(HostMethod::ResolveContactByEmail, [&] { host().recordResolveRequest(stringOf(email)); });
    }
    STDMETHOD(GetContacts)(IDispatch** contacts) override
    {
        return answerObject<IDispatch>(HostMethod::GetContacts, contacts,
                                       [&] { return make<FakeContacts, IDispatch>(hostPointer(), host().contactList()); });
    }
    STDMETHOD(GetContact)(BSTR uri, IDispatch** contact) override
    {
        return answerObject<IDispatch>(HostMethod::GetContact, contact, [&] {
            host().recordUriLookup(stringOf(uri));
            return contactOf(host().contact(stringOf(uri)));
        });
    }
    STDMETHOD(AddContact)(BSTR signinName) override
    {
        return record(HostMethod::AddContact, [&] { host().recordAddedContact(stringOf(signinName)); });
    }
    STDMETHOD(TagContact)(BSTR signinName, LONG tagged) override
    {
        return record(HostMethod::TagContact, [&] { host().recordTagRequest(stringOf(signinName), tagged); });
    }
    STDMETHOD(StartInstantMessage)(BSTR signinName) override
    {
        return record(HostMethod::StartInstantMessage, [&] {
            host().recordConversation({ConversationKind::InstantMessage, {stringOf(signinName)}});
        });
    }
    STDMETHOD(StartGroupChat)(SAFEARRAY* participants, BSTR subject) override
    {
        return startWith(HostMethod::StartGroupChat, ConversationKind::GroupChat, participants, subject);
    }
    STDMETHOD(GetPresenceForContact)(BSTR signinName, IDispatch** presenceState) override
    {
        return answerObject<IDispatch>(HostMethod::GetPresenceForContact, presenceState, [&] {
            host().recordUriLookup(stringOf(signinName));
            return presenceOf(stringOf(signinName));
        });
    }
    STDMETHOD(GetContactByUserId)(BSTR userId, IDispatch** contact) override
    {
        return answerObject<IDispatch>(HostMethod::GetContactByUserId, contact, [&] {
            host().recordUserIdLookup(stringOf(userId));
            return contactOf(host().contactByUserId(stringOf(userId)));
        });
    }
    STDMETHOD(WatchContact)(BSTR signinName) override
    {
        return record(HostMethod::WatchContact, [&] { host().recordWatchRequest(stringOf(signinName)); });
    }

private:
    ComPtr<IDispatch> contactOf(const std::optional<ContactRecord>& record)
    {
        return record ? host().makeContactObject(record->signinName) : nullptr;
    }
};

class FakeProviderManagement : public FakeDispatch<IProviderManagement> {
public:
    using FakeDispatch::FakeDispatch;

    STDMETHOD(GetLoggedInUser)(IDispatch** contact) override
    {
        return answerObject<IDispatch>(HostMethod::GetLoggedInUser, contact, [&] {
            const std::optional<std::wstring> signinName = host().clientUser();
            return signinName ? host().makeContactObject(*signinName) : nullptr;
        });
    }
    STDMETHOD(IsSignedIn)(LONG* signedIn) override
    {
        return answerValue<LONG>(HostMethod::IsSignedIn, signedIn, [&] { return host().signedInValue(); });
    }
};

class FakeEventManager : public FakeDispatch<IEventManager> {
public:
    using FakeDispatch::FakeDispatch;

    STDMETHOD(AddIMAndPresenceEventListener)(_IIMAndPresenceEvents* listener) override
    {
        return answerAction(HostMethod::AddIMAndPresenceEventListener, [&] { return host().addListener(listener); });
    }
    STDMETHOD(RemoveIMAndPresenceEventListener)(_IIMAndPresenceEvents* listener) override
    {
        return answerAction(HostMethod::RemoveIMAndPresenceEventListener, [&] { return host().removeListener(listener); });
    }
};

class FakePhone : public FakeDispatch<IPhone> {
public:
    using FakeDispatch::FakeDispatch;

    STDMETHOD(MakeCall)(BSTR participant) override
    {
        return record(HostMethod::MakeCall, [&] { host().recordConversation({ConversationKind::Call, {stringOf(participant)}}); });
    }
    STDMETHOD(MakeConferenceCall)(SAFEARRAY* participants) override
    {
        return startWith(HostMethod::MakeConferenceCall, ConversationKind::ConferenceCall, participants);
    }
};

// Records every record written, whether its level is enabled or not.
class FakeLogger : public FakeDispatch<ILogger> {
public:
    using FakeDispatch::FakeDispatch;

    STDMETHOD(WriteRecord)(LONG level, BSTR file, LONG line, BSTR function, BSTR message) override
    {
        return record(HostMethod::WriteRecord, [&] {
            host().recordLog(LogRecord{level, stringOf(file), line, stringOf(function), stringOf(message), GetCurrentThreadId()});
        });
    }
    STDMETHOD(IsLevelEnabled)(LONG level, VARIANT_BOOL* enabled) override
    {
        return answerValue<VARIANT_BOOL>(HostMethod::IsLevelEnabled, enabled, [&] {
            return host().enabledHostLevels().count(level) ? VARIANT_TRUE : VARIANT_FALSE;
        });
    }
};

// Not counted among the live objects.
class FakeClassFactory : public FakeObject<IClassFactory> {
public:
    explicit FakeClassFactory(HostPointer host) : FakeObject(std::move(host), false) {}

    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID iid, void** object) override
    {
        const AllocationFailures::Pause hostAtWork;
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        if (iid == contractid::IIMAndPresence) return create<FakeIMAndPresence>(HostMethod::CreateIMAndPresence, iid, object);
        if (iid == contractid::IProviderManagement)
            return create<FakeProviderManagement>(HostMethod::CreateProviderManagement, iid, object);
        if (iid == contractid::IEventManager) return create<FakeEventManager>(HostMethod::CreateEventManager, iid, object);
        if (iid == contractid::IPhone) return create<FakePhone>(HostMethod::CreatePhone, iid, object);
        return iid == contractid::ILogger ? create<FakeLogger>(HostMethod::CreateLogger, iid, object) : E_NOINTERFACE;
    }
    STDMETHOD(LockServer)(BOOL) override { return S_OK; }

private:
    // An injected answer gives no object: a wrong one would be called through the wrong vtable.
    template <class Object>
    HRESULT create(HostMethod method, REFIID iid, void** object)
    {
        const FakeHost::Outcome outcome = host().beginCall(method);
        if (outcome.injected) return outcome.fails() ? outcome.result : S_OK;
        return make<Object, IUnknown>(std::shared_ptr<FakeHost>(hostPointer()))->QueryInterface(iid, object);
    }
};

} // namespace

ComPtr<IClassFactory> FakeHost::classObject()
{
    return change([&] { return classObject_ ? classObject_ : classObject_ = make<FakeClassFactory, IClassFactory>(shared_from_this()); });
}

ComPtr<IDispatch> FakeHost::makeContactObject(const std::wstring& signinName)
{
    return make<FakeContact, IDispatch>(shared_from_this(), signinName);
}

ComPtr<IDispatch> FakeHost::makePresenceState(long presence, const std::wstring& text)
{
    return make<FakePresenceState, IDispatch>(shared_from_this(), presence, text);
}

ComPtr<IDispatch> FakeHost::makeWrongObject() { return make<FakeDispatch<IDispatch>, IDispatch>(shared_from_this()); }

} // namespace fakehost
