#include "officesim/EventMonitor.h"

#include "officesim/Names.h"

#include "common/ContractIds.h"

#include "TavoMessengerLib.h"

#include "extensionsutils/SafeArray.h"

#include <algorithm>

namespace officesim {

using extensionsutils::ComPtr;
using extensionsutils::Variant;

namespace {

// Object arguments may come as VT_DISPATCH or VT_UNKNOWN: Office's typed handlers accept either.
const VARTYPE anyObject = VT_UNKNOWN;

ComPtr<IUnknown> identityOf(IUnknown* object)
{
    ComPtr<IUnknown> identity;
    if (object) object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.out()));
    return identity;
}

bool argumentFits(const Variant& argument, VARTYPE expected)
{
    if (expected == anyObject) return argument.type() == VT_DISPATCH || argument.type() == VT_UNKNOWN;
    if (expected == VT_I4) return argument.type() == VT_I4 || argument.type() == VT_INT;
    return argument.type() == expected;
}

std::wstring joinedTypes(const std::vector<long>& types)
{
    std::wstring text;
    for (long type : types) text += (text.empty() ? L"" : L", ") + informationTypeName(type);
    return text.empty() ? L"nothing" : text;
}

struct KnownEvent {
    const IID* eventInterface;
    DISPID id;
    EventKind kind;
    const wchar_t* member;
};

const KnownEvent knownEvents[] = {
    {&contractid::DMessengerEvents, 0x406, EventKind::ContactStatusChange, L"OnContactStatusChange"},
    {&contractid::DMessengerEvents, 0x407, EventKind::MyStatusChange, L"OnMyStatusChange"},
    {&contractid::DMessengerEvents, 0x408, EventKind::AppShutdown, L"OnAppShutdown"},
    {&contractid::DMessengerEvents, 0x41a, EventKind::ContactResolved, L"OnContactResolved"},
    {&contractid::IUCOfficeIntegrationEvents, 0x32, EventKind::ShuttingDown, L"OnShuttingDown"},
    {&contractid::IUCCLyncClientEvents, 0x64, EventKind::StateChanged, L"OnStateChanged"},
    {&contractid::IUCCContactEvents, 0x190, EventKind::ContactInformationChanged, L"OnContactInformationChanged"},
    {&contractid::IUCCContactEvents, 0x191, EventKind::SettingChanged, L"OnSettingChanged"},
    {&contractid::IUCCContactsAndGroupsCallback, 0xfb, EventKind::Lookup, L"OnLookup"},
};

} // namespace

IUnknown* objectArgument(const Variant& argument)
{
    if (argument.type() == VT_DISPATCH) return V_DISPATCH(argument.get());
    if (argument.type() == VT_UNKNOWN) return V_UNKNOWN(argument.get());
    return nullptr;
}

EventMonitor::EventMonitor(Checker& check, MessengerApi& messenger, UcApi& uc, ULONGLONG startTick)
    : check_(check), messenger_(messenger), uc_(uc), startTick_(startTick), journal_(std::make_shared<EventJournal>())
{
}

EventMonitor::~EventMonitor()
{
    unadviseAll();
}

HRESULT EventMonitor::advise(IUnknown* source, const IID& eventInterface, const std::wstring& interfaceName)
{
    const ComPtr<IUnknown> identity = identityOf(source);
    if (!identity) return E_POINTER;
    for (const Connection& connection : connections_) {
        if (connection.identity == identity && IsEqualIID(connection.eventInterface, eventInterface)) return S_FALSE;
    }
    ComPtr<EventSink> sink = EventSink::create(eventInterface, interfaceName, journal_, captureFor(eventInterface));
    if (unadviseInShutdownHandlers_) {
        if (IsEqualIID(eventInterface, contractid::DMessengerEvents)) sink->unadviseDuring(0x408);
        if (IsEqualIID(eventInterface, contractid::IUCCLyncClientEvents)) sink->unadviseDuring(0x64);
        if (IsEqualIID(eventInterface, contractid::IUCOfficeIntegrationEvents)) sink->unadviseDuring(0x32);
    }
    if (hangInHandlers_) sink->hangInEvents();
    const HRESULT hr = sink->advise(source);
    if (SUCCEEDED(hr)) connections_.push_back({identity, eventInterface, sink});
    return hr;
}

void EventMonitor::unadvise(IUnknown* source)
{
    const ComPtr<IUnknown> identity = identityOf(source);
    auto keep = std::stable_partition(connections_.begin(), connections_.end(),
                                      [&](const Connection& connection) { return connection.identity != identity; });
    for (auto connection = keep; connection != connections_.end(); ++connection) {
        check_.call(L"IConnectionPoint.Unadvise", [&] { return answerOf(connection->sink->unadvise(), Nothing()); });
    }
    connections_.erase(keep, connections_.end());
}

void EventMonitor::unadviseAll()
{
    for (Connection& connection : connections_) {
        check_.call(L"IConnectionPoint.Unadvise", [&] { return answerOf(connection.sink->unadvise(), Nothing()); });
    }
    connections_.clear();
}

EventSink::Capture EventMonitor::captureFor(const IID& eventInterface)
{
    // The event data objects, read with the typed interfaces: no hang watch runs here (the provider waits
    // for this call), and the firing thread holds no lock these objects take.
    UcApi& uc = uc_;
    if (IsEqualIID(eventInterface, contractid::IUCCLyncClientEvents)) {
        return [&uc](RecordedEvent& event) {
            if (event.id == 0x64 && event.arguments.size() == 2) event.stateChange = uc.stateChange(objectArgument(event.arguments[1]));
        };
    }
    if (IsEqualIID(eventInterface, contractid::IUCCContactEvents)) {
        return [&uc](RecordedEvent& event) {
            if (event.id == 0x190 && event.arguments.size() == 2)
                event.changedTypes = uc.changedInformation(objectArgument(event.arguments[1]));
        };
    }
    return EventSink::Capture();
}

ComPtr<EventSink> EventMonitor::callbackSink(const IID& callbackInterface, const std::wstring& name)
{
    return EventSink::create(callbackInterface, name, journal_);
}

void EventMonitor::describeNew()
{
    for (const RecordedEvent& event : journal_->from(described_)) {
        ++described_;
        SeenEvent seen = describe(event);
        check_.report().event(event.tick - startTick_, seen.text);
        seen_.push_back(std::move(seen));
    }
}

bool EventMonitor::waitUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        describeNew();
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        journal_->waitForNext(static_cast<DWORD>(deadline - now));
    }
}

std::size_t EventMonitor::count(EventKind kind) const
{
    return static_cast<std::size_t>(
        std::count_if(seen_.begin(), seen_.end(), [&](const SeenEvent& event) { return event.kind == kind; }));
}

std::size_t EventMonitor::changeEvents() const
{
    return count(EventKind::ContactStatusChange) + count(EventKind::ContactInformationChanged) +
           count(EventKind::SettingChanged);
}

SeenEvent EventMonitor::describe(const RecordedEvent& event)
{
    SeenEvent seen;
    seen.recorded = event;
    const KnownEvent* known = nullptr;
    for (const KnownEvent& candidate : knownEvents) {
        if (IsEqualIID(*candidate.eventInterface, event.eventInterface) && candidate.id == event.id) known = &candidate;
    }
    if (!known) {
        wchar_t id[16] = {};
        swprintf(id, 16, L"0x%lX", static_cast<unsigned long>(event.id));
        seen.text = event.interfaceName + L" dispid " + id;
        check_.report().violation(seen.text, L"an event the provider never sends");
        return seen;
    }
    seen.kind = known->kind;
    const std::wstring name = event.interfaceName + L"." + known->member;
    std::wstring detail;
    switch (known->kind) {
    case EventKind::ContactStatusChange: detail = describeContactStatusChange(event, name); break;
    case EventKind::MyStatusChange: detail = describeMyStatusChange(event, name); break;
    case EventKind::ContactResolved: detail = describeContactResolved(event, name); break;
    case EventKind::StateChanged: detail = describeStateChanged(event, name, seen); break;
    case EventKind::ContactInformationChanged: detail = describeInformationChanged(event, name); break;
    case EventKind::SettingChanged: detail = describeSettingChanged(event, name); break;
    case EventKind::Lookup: detail = describeLookup(event, name); break;
    default: expectArguments(event, name, {}); break;
    }
    seen.text = name + (detail.empty() ? L"" : L" " + detail);
    return seen;
}

bool EventMonitor::expectArguments(const RecordedEvent& event, const std::wstring& name,
                                   const std::vector<VARTYPE>& types)
{
    bool fits = event.arguments.size() == types.size();
    for (std::size_t i = 0; fits && i < types.size(); ++i) fits = argumentFits(event.arguments[i], types[i]);
    std::wstring seen;
    for (const Variant& argument : event.arguments) seen += (seen.empty() ? L"" : L", ") + variantTypeName(argument.type());
    return check_.expect(fits, name, L"arrived with the arguments (" + seen + L"), not the ones the event declares");
}

std::wstring EventMonitor::contactUriOf(IUnknown* contact, const std::wstring& name)
{
    const Answer<std::wstring> uri = check_.expectSuccess(name + L": IUCCContact.Uri", [&] { return uc_.contactUri(contact); });
    return uri.succeeded() ? uri.value : L"(no uri)";
}

std::wstring EventMonitor::describeContactStatusChange(const RecordedEvent& event, const std::wstring& name)
{
    if (!expectArguments(event, name, {anyObject, VT_I4})) return std::wstring();
    IUnknown* contact = objectArgument(event.arguments[0]);
    const long status = V_I4(event.arguments[1].get());
    check_.expect(isKnownStatus(status), name, L"the status " + std::to_wstring(status) + L" is no MISTATUS");
    if (!check_.expect(contact != nullptr, name, L"arrived without a contact")) return statusName(status);
    const Answer<std::wstring> signin =
        check_.expectSuccess(name + L": IMessengerContact.SigninName", [&] { return messenger_.signinName(contact); });
    if (signin.succeeded()) {
        // Office shows the new status from now on, and reads the presence text again.
        PersonRow row;
        row.signinName = signin.value;
        row.status = status;
        const Answer<Variant> properties = check_.expectSuccess(
            name + L": IMessengerContactAdvanced.PresenceProperties", [&] { return messenger_.presenceProperties(contact); });
        std::vector<Variant> elements;
        if (properties.succeeded() && properties.value.type() == (VT_ARRAY | VT_VARIANT) &&
            SUCCEEDED(extensionsutils::readVariants(V_ARRAY(properties.value.get()), elements)) && elements.size() > 6 &&
            elements[6].type() == VT_BSTR && V_BSTR(elements[6].get())) {
            row.activity = V_BSTR(elements[6].get());
        }
        check_.report().person(row);
    }
    return signin.value + L": " + statusName(status) + L" (" + std::to_wstring(status) + L")";
}

std::wstring EventMonitor::describeMyStatusChange(const RecordedEvent& event, const std::wstring& name)
{
    if (!expectArguments(event, name, {VT_I4, VT_I4})) return std::wstring();
    const long hr = V_I4(event.arguments[0].get());
    const long status = V_I4(event.arguments[1].get());
    return L"hr " + hresultText(hr) + L", status " + statusName(status) + L" (" + std::to_wstring(status) + L")";
}

std::wstring EventMonitor::describeContactResolved(const RecordedEvent& event, const std::wstring& name)
{
    if (!expectArguments(event, name, {VT_I4, VT_I4, VT_BSTR, VT_BSTR})) return std::wstring();
    const long hr = V_I4(event.arguments[0].get());
    const BSTR address = V_BSTR(event.arguments[2].get());
    const BSTR imAddress = V_BSTR(event.arguments[3].get());
    check_.expect(hr == S_OK, name, L"reported " + hresultText(hr) + L"; a resolution is reported only when it succeeded");
    check_.expect(V_I4(event.arguments[1].get()) == ADDRESS_TYPE_SMTP, name, L"the address type is not SMTP");
    check_.expect(SysStringLen(imAddress) > 0, name, L"reported an empty IM address");
    return std::wstring(address ? address : L"") + L" -> " + std::wstring(imAddress ? imAddress : L"");
}

std::wstring EventMonitor::describeStateChanged(const RecordedEvent& event, const std::wstring& name, SeenEvent& seen)
{
    if (!expectArguments(event, name, {anyObject, anyObject}) || !event.stateChange) return std::wstring();
    const Answer<StateChange>& change = *event.stateChange;
    if (!check_.judgeSuccess(name + L": IUCCClientStateChangedEventData", change)) return std::wstring();
    seen.stateChange = change.value;
    return clientStateName(change.value.oldState) + L" -> " + clientStateName(change.value.newState);
}

std::wstring EventMonitor::describeInformationChanged(const RecordedEvent& event, const std::wstring& name)
{
    if (!expectArguments(event, name, {anyObject, anyObject})) return std::wstring();
    IUnknown* contact = objectArgument(event.arguments[0]);
    const std::wstring uri = contactUriOf(contact, name);
    std::wstring text = uri + L": ";
    if (event.changedTypes) {
        const Answer<std::vector<long>>& types = *event.changedTypes;
        check_.judgeSuccess(name + L": IUCCContactInformationChangedEventData.ChangedContactInformation", types);
        check_.expect(!types.value.empty(), name, L"reported a change of nothing");
        text += joinedTypes(types.value);
    }
    const Answer<Variant> availability = check_.expectSuccess(
        name + L": IUCCContact.GetContactInformation(availability)",
        [&] { return uc_.contactInformation(contact, InformationAvailability); });
    if (availability.succeeded() && availability.value.type() == VT_I4) {
        const long value = V_I4(availability.value.get());
        text += L"; availability now " + std::to_wstring(value) + L" " + availabilityName(value);
        PersonRow row;
        row.signinName = withoutSipScheme(uri);
        row.availability = value;
        row.activity = activityOf(contact, name);
        check_.report().person(row);
    }
    return text;
}

// The activity as Office now shows it, so the report's row follows the change; empty when unreadable.
std::wstring EventMonitor::activityOf(IUnknown* contact, const std::wstring& name)
{
    const Answer<Variant> activity = check_.expectSuccess(
        name + L": IUCCContact.GetContactInformation(activity)",
        [&] { return uc_.contactInformation(contact, InformationActivity); });
    const bool text = activity.succeeded() && activity.value.type() == VT_BSTR && V_BSTR(activity.value.get());
    return text ? std::wstring(V_BSTR(activity.value.get())) : std::wstring();
}

std::wstring EventMonitor::describeSettingChanged(const RecordedEvent& event, const std::wstring& name)
{
    if (!expectArguments(event, name, {anyObject, anyObject})) return std::wstring();
    return contactUriOf(objectArgument(event.arguments[0]), name);
}

std::wstring EventMonitor::describeLookup(const RecordedEvent& event, const std::wstring& name)
{
    if (!expectArguments(event, name, {anyObject, anyObject, anyObject})) return std::wstring();
    IUnknown* contact = objectArgument(event.arguments[1]);
    if (!contact) return L"without a contact";
    return L"-> " + contactUriOf(contact, name);
}

} // namespace officesim
