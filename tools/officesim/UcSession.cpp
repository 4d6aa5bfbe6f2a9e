#include "officesim/UcSession.h"

#include "officesim/LateBoundCall.h"
#include "officesim/Names.h"

#include "common/ContractIds.h"

#include "extensionsutils/SafeArray.h"

#include "TavoMessengerLib.h"

namespace officesim {

using extensionsutils::ComPtr;
using extensionsutils::Variant;

const wchar_t* const OfficeVersion = L"15.0.0.0";

namespace {

std::wstring bstrOf(const Variant& value)
{
    return value.type() == VT_BSTR && V_BSTR(value.get()) ? std::wstring(V_BSTR(value.get())) : std::wstring();
}

} // namespace

UcSession::UcSession(UcApi& api, Checker& check, EventMonitor& events, const SessionSettings& settings)
    : api_(api), check_(check), events_(events), settings_(settings)
{
}

UcSessionResult UcSession::run(IUnknown* messenger, const std::vector<std::wstring>& people)
{
    UcSessionResult result;
    check_.report().section(L"Office 2013/2016 session (UC API), " + api_.bindingName() + L" calls");
    if (!readEntry(messenger, result)) return result;
    readClient(result);
    if (!result.manager) return result;

    for (const std::wstring& person : people) {
        // Office asks for a person by SIP URI; an address without an at sign is a number, asked as it is.
        const bool address = person.find(L'@') != std::wstring::npos;
        Object contact = readContact(result.manager.get(), address ? L"sip:" + withoutSipScheme(person) : person);
        if (contact) result.contacts.push_back(contact);
    }
    if (!result.contacts.empty()) {
        IUnknown* first = result.contacts.front().get();
        const std::wstring where = L"IUCCContact(" + people.front() + L")";
        const Answer<Variant> title = check_.expectResult(where + L".GetContactInformation(title)", E_NOTIMPL,
                                                          [&] { return api_.contactInformation(first, InformationTitle); });
        check_.expect(title.value.isEmpty(), where + L".GetContactInformation(title)",
                      L"an unanswered type came back with a value");
        checkBatch(first, where);
    }
    subscribe(result.manager.get(), result.contacts);
    for (const std::wstring& text : settings_.lookup) lookup(result.manager.get(), text);
    if (settings_.conversations && result.automation && !people.empty())
        startConversations(result.automation.get(), people.front());
    events_.describeNew();
    return result;
}

bool UcSession::readEntry(IUnknown* messenger, UcSessionResult& result)
{
    const Answer<long> features = check_.expectSuccess(L"IUCOfficeIntegration.GetSupportedFeatures", [&] {
        return api_.supportedFeatures(messenger, OfficeVersion);
    });
    const Answer<std::wstring> authentication = check_.expectSuccess(
        L"IUCOfficeIntegration.GetAuthenticationInfo", [&] { return api_.authenticationInfo(messenger, OfficeVersion); });
    if (features.succeeded() && authentication.succeeded()) {
        check_.report().step(L"GetSupportedFeatures(" + std::wstring(OfficeVersion) + L"): " +
                             std::to_wstring(features.value) + L"; GetAuthenticationInfo: \"" + authentication.value +
                             L"\"");
    }
    auto entry = [&](long which, const wchar_t* what) {
        const std::wstring where = L"IUCOfficeIntegration.GetInterface(" + std::wstring(what) + L")";
        const Answer<Object> object =
            check_.expectSuccess(where, [&] { return api_.getInterface(messenger, OfficeVersion, which); });
        check_.expect(!object.succeeded() || object.value != nullptr, where, L"answered no object");
        return object.value;
    };
    result.client = entry(InterfaceLyncClient, L"client");
    result.automation = entry(InterfaceAutomation, L"automation");
    check_.expectResult(L"IUCOfficeIntegration.GetInterface(interop helper)", E_NOTIMPL,
                        [&] { return api_.getInterface(messenger, OfficeVersion, InterfaceInteropHelper); });
    if (!result.client) return false;
    const HRESULT advised = check_.call(L"_IUCCLyncClientEvents advise", [&] {
        return answerOf(events_.advise(result.client.get(), contractid::IUCCLyncClientEvents, L"_IUCCLyncClientEvents"),
                        Nothing());
    }).hr;
    check_.expect(SUCCEEDED(advised), L"IConnectionPoint.Advise(_IUCCLyncClientEvents)",
                  L"answered " + hresultText(advised));
    return true;
}

void UcSession::readClient(UcSessionResult& result)
{
    IUnknown* client = result.client.get();
    const Answer<long> state = check_.expectSuccess(L"IUCCClient.State", [&] { return api_.clientState(client); });
    if (state.succeeded()) {
        check_.expect(state.value == ClientStateSignedIn, L"IUCCClient.State",
                      L"answered " + clientStateName(state.value) + L" while the provider runs");
    }
    const Answer<std::wstring> uri = check_.expectSuccess(L"IUCCClient.Uri", [&] { return api_.clientUri(client); });
    check_.expect(!uri.succeeded() || !uri.value.empty(), L"IUCCClient.Uri", L"answered an empty address");
    check_.report().step(L"client " + (state.succeeded() ? clientStateName(state.value) : L"(no state)") + L", user " +
                         uri.value);

    const Answer<Object> self = check_.expectSuccess(L"IUCCClient.Self", [&] { return api_.clientSelf(client); });
    if (self.succeeded() && check_.expect(self.value != nullptr, L"IUCCClient.Self", L"answered no object")) {
        const Answer<Object> contact =
            check_.expectSuccess(L"IUCCSelf.Contact", [&] { return api_.selfContact(self.value.get()); });
        if (contact.succeeded() && check_.expect(contact.value != nullptr, L"IUCCSelf.Contact", L"answered no contact")) {
            PersonRow row;
            row.self = true;
            readPerson(contact.value.get(), L"IUCCSelf.Contact", row);
            result.selfContact = contact.value;
        }
    }
    const Answer<Object> manager =
        check_.expectSuccess(L"IUCCClient.ContactManager", [&] { return api_.clientContactManager(client); });
    if (manager.succeeded() &&
        check_.expect(manager.value != nullptr, L"IUCCClient.ContactManager", L"answered no object")) {
        result.manager = manager.value;
    }
}

Object UcSession::readContact(IUnknown* manager, const std::wstring& uri)
{
    const std::wstring where = L"IUCCContactManager.GetContactByUri(" + uri + L")";
    const Answer<Object> contact = check_.expectSuccess(where, [&] { return api_.getContactByUri(manager, uri); });
    if (!contact.succeeded() || !check_.expect(contact.value != nullptr, where, L"answered no contact")) return Object();
    PersonRow row;
    readPerson(contact.value.get(), where, row);
    const HRESULT advised = check_.call(where + L": advise", [&] {
        return answerOf(events_.advise(contact.value.get(), contractid::IUCCContactEvents, L"_IUCCContactEvents"), Nothing());
    }).hr;
    check_.expect(SUCCEEDED(advised), where + L": IConnectionPoint.Advise(_IUCCContactEvents)",
                  L"answered " + hresultText(advised));
    check_.report().step(L"GetContactByUri(" + uri + L"): " + (row.name.empty() ? L"(no name)" : row.name) + L", " +
                         (row.availability ? std::to_wstring(*row.availability) + L" " +
                                                 availabilityName(*row.availability)
                                           : L"availability unknown"));
    return contact.value;
}

void UcSession::readPerson(IUnknown* contact, const std::wstring& where, PersonRow& row)
{
    const Answer<std::wstring> uri = check_.expectSuccess(where + L": IUCCContact.Uri", [&] { return api_.contactUri(contact); });
    check_.expect(uri.value.compare(0, 4, L"sip:") == 0, where + L": IUCCContact.Uri",
                  L"answered \"" + uri.value + L"\", which is no sip: address");
    row.signinName = withoutSipScheme(uri.value);

    auto information = [&](long type) {
        return check_.expectSuccess(where + L": IUCCContact.GetContactInformation(" + informationTypeName(type) + L")",
                                    [&] { return api_.contactInformation(contact, type); });
    };
    auto expectType = [&](const Answer<Variant>& answer, long type, VARTYPE expected) {
        return answer.succeeded() &&
               check_.expect(answer.value.type() == expected,
                             where + L": IUCCContact.GetContactInformation(" + informationTypeName(type) + L")",
                             L"answered " + variantTypeName(answer.value.type()) + L", not " + variantTypeName(expected));
    };

    const Answer<Variant> availability = information(InformationAvailability);
    if (expectType(availability, InformationAvailability, VT_I4)) {
        const long value = V_I4(availability.value.get());
        check_.expect(isKnownAvailability(value), where + L": availability",
                      L"answered " + std::to_wstring(value) + L", which is no ContactAvailability");
        row.availability = value;
    }
    const Answer<Variant> activity = information(InformationActivity);
    if (expectType(activity, InformationActivity, VT_BSTR)) row.activity = bstrOf(activity.value);
    const Answer<Variant> name = information(InformationDisplayName);
    if (expectType(name, InformationDisplayName, VT_BSTR)) row.name = bstrOf(name.value);

    const Answer<Variant> addresses = information(InformationInstantMessageAddresses);
    if (expectType(addresses, InformationInstantMessageAddresses, VT_ARRAY | VT_BSTR)) {
        std::vector<std::wstring> values;
        extensionsutils::readStrings(V_ARRAY(addresses.value.get()), values);
        check_.expect(values.size() == 1 && values[0] == row.signinName, where + L": IM addresses",
                      L"do not name the contact's own address once");
    }
    const Answer<Variant> endpoints = information(InformationEndpoints);
    if (expectType(endpoints, InformationEndpoints, VT_ARRAY | VT_DISPATCH)) readEndpoints(endpoints.value, where, row);

    const Answer<Variant> custom = information(InformationCustomActivity);
    if (expectType(custom, InformationCustomActivity, VT_ARRAY | VT_DISPATCH)) {
        std::wstring problem;
        const std::vector<Object> strings = objectsIn(custom.value, problem);
        if (check_.expect(problem.empty() && strings.size() == 1 && strings[0], where + L": custom activity",
                          L"is not one locale string" + (problem.empty() ? L"" : L": " + problem))) {
            const Answer<std::wstring> value = check_.expectSuccess(
                where + L": IUCCLocaleString.Value", [&] { return api_.localeStringValue(strings[0].get()); });
            check_.expect(!value.succeeded() || value.value == row.activity, where + L": custom activity",
                          L"differs from the activity");
        }
    }

    const Answer<bool> canStart = check_.expectSuccess(where + L": IUCCContact.CanStart(instant message)",
                                                       [&] { return api_.canStart(contact, ModalityInstantMessage); });
    check_.report().person(row);
    if (canStart.succeeded() && row.self) {
        check_.report().step(L"self contact " + uri.value + L": CanStart(instant message) " +
                             (canStart.value ? L"true" : L"false"));
    }
}

void UcSession::readEndpoints(const Variant& endpoints, const std::wstring& where, PersonRow& row)
{
    std::wstring problem;
    const std::vector<Object> values = objectsIn(endpoints, problem);
    check_.expect(problem.empty(), where + L": endpoints", problem);
    for (const Object& endpoint : values) {
        if (!check_.expect(endpoint != nullptr, where + L": endpoints", L"hold a null endpoint")) continue;
        const Answer<long> type =
            check_.expectSuccess(where + L": IUCCContactEndpoint.Type", [&] { return api_.endpointType(endpoint.get()); });
        const Answer<std::wstring> uri =
            check_.expectSuccess(where + L": IUCCContactEndpoint.Uri", [&] { return api_.endpointUri(endpoint.get()); });
        if (!type.succeeded() || !uri.succeeded()) continue;
        check_.expect(!uri.value.empty(), where + L": IUCCContactEndpoint.Uri", L"answered an empty number");
        switch (type.value) {
        case 0: row.work = uri.value; break;
        case 1: row.mobile = uri.value; break;
        case 2: row.home = uri.value; break;
        case 3: row.other = uri.value; break;
        default:
            check_.expect(false, where + L": IUCCContactEndpoint.Type",
                          L"answered " + std::to_wstring(type.value) + L", which is no telephone endpoint type");
        }
    }
}

void UcSession::checkBatch(IUnknown* contact, const std::wstring& where)
{
    const std::vector<long> types = {InformationAvailability, InformationDisplayName, InformationEndpoints};
    const std::wstring name = where + L".BatchGetContactInformation";
    const Answer<Object> dictionary = check_.expectSuccess(name, [&] { return api_.batchContactInformation(contact, types); });
    if (!dictionary.succeeded() || !check_.expect(dictionary.value != nullptr, name, L"answered no dictionary")) return;
    IUnknown* values = dictionary.value.get();
    const Answer<long> count =
        check_.expectSuccess(name + L": IUCCContactInformationDictionary.Count", [&] { return api_.dictionaryCount(values); });
    check_.expect(!count.succeeded() || count.value == static_cast<long>(types.size()), name,
                  L"answered " + std::to_wstring(count.value) + L" entries for 3 types");
    for (long type : types) {
        const Answer<bool> contains = check_.expectSuccess(
            name + L": ContainsKey(" + informationTypeName(type) + L")", [&] { return api_.dictionaryContainsKey(values, type); });
        check_.expect(!contains.succeeded() || contains.value, name, L"lacks " + informationTypeName(type));
    }
    const Answer<Variant> availability =
        check_.expectSuccess(name + L": Item(availability)", [&] { return api_.dictionaryItem(values, InformationAvailability); });
    check_.expect(!availability.succeeded() || availability.value.type() == VT_I4, name,
                  L"holds the availability as " + variantTypeName(availability.value.type()));
}

void UcSession::subscribe(IUnknown* manager, const std::vector<Object>& contacts)
{
    const Answer<Object> subscription =
        check_.expectSuccess(L"IUCCContactManager.CreateSubscription", [&] { return api_.createSubscription(manager); });
    if (!subscription.succeeded() ||
        !check_.expect(subscription.value != nullptr, L"IUCCContactManager.CreateSubscription", L"answered no object")) {
        return;
    }
    for (const Object& contact : contacts) {
        check_.expectSuccess(L"IUCCContactSubscription.AddContact",
                             [&] { return api_.addToSubscription(subscription.value.get(), contact.get()); });
    }
    const std::vector<long> types = {InformationAvailability, InformationActivity, InformationCustomActivity,
                                     InformationDisplayName, InformationEndpoints};
    if (check_.expectSuccess(L"IUCCContactSubscription.Subscribe", [&] {
            return api_.subscribe(subscription.value.get(), RefreshRateHigh, types);
        }).succeeded()) {
        check_.report().step(L"subscribed to " + std::to_wstring(contacts.size()) + L" contacts");
    }
}

void UcSession::lookup(IUnknown* manager, const std::wstring& text)
{
    const std::wstring where = L"IUCCContactManager.Lookup(" + text + L")";
    ComPtr<EventSink> callback = events_.callbackSink(contractid::IUCCContactsAndGroupsCallback, L"_IUCCContactsAndGroupsCallback");
    const std::size_t before = events_.seen().size();
    const Answer<Object> operation = check_.expectSuccess(where, [&] {
        return api_.lookup(manager, text, static_cast<IDispatch*>(callback.get()));
    });
    if (!operation.succeeded() || !check_.expect(operation.value != nullptr, where, L"answered no operation")) return;
    std::wstring answer;
    auto answered = [&] {
        for (std::size_t i = before; i < events_.seen().size(); ++i) {
            if (events_.seen()[i].kind == EventKind::Lookup) answer = events_.seen()[i].text;
        }
        return !answer.empty();
    };
    if (!check_.expect(events_.waitUntil(answered, settings_.eventTimeoutMs), where,
                       L"no OnLookup within " + std::to_wstring(settings_.eventTimeoutMs) + L" ms (missing event)")) {
        return;
    }
    const Answer<bool> completed =
        check_.expectSuccess(where + L": IUCCAsynchronousOperation.IsCompleted",
                             [&] { return api_.operationCompleted(operation.value.get()); });
    check_.expect(!completed.succeeded() || completed.value, where, L"the operation is not completed after OnLookup");
    const Answer<bool> succeeded =
        check_.expectSuccess(where + L": IUCCAsynchronousOperation.IsSucceeded",
                             [&] { return api_.operationSucceeded(operation.value.get()); });
    check_.report().step(L"Lookup(" + text + L"): " + answer + (succeeded.value ? L", succeeded" : L", failed"));
}

void UcSession::startConversations(IUnknown* automation, const std::wstring& uri)
{
    if (check_.expectResult(L"IUCCAutomation.StartConversation(instant message, " + uri + L")", S_OK, [&] {
            return api_.startConversation(automation, ConversationModeInstantMessage, {uri});
        }).succeeded()) {
        check_.report().step(L"StartConversation(instant message, " + uri + L"): the host opens a chat");
    }
    if (check_.expectResult(L"IUCCAutomation.StartConversation(audio, " + uri + L")", S_OK, [&] {
            return api_.startConversation(automation, ConversationModeAudio, {uri});
        }).succeeded()) {
        check_.report().step(L"StartConversation(audio, " + uri + L"): the host places a call");
    }
}

} // namespace officesim
