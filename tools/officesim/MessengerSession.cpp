#include "officesim/MessengerSession.h"

#include "officesim/Names.h"

#include "extensionsutils/SafeArray.h"

#include "TavoMessengerLib.h"

namespace officesim {

using extensionsutils::Variant;

namespace {

const HRESULT notLoggedOn = static_cast<HRESULT>(0x8100031EL);
const HRESULT contactNotFound = static_cast<HRESULT>(0x8100030AL);
const long presencePropertyCount = 12; // PRESENCE_PROP_MSTATE .. PRESENCE_PROP_MAX

std::wstring statusText(long status)
{
    return statusName(status) + L" (" + std::to_wstring(status) + L")";
}

} // namespace

MessengerSession::MessengerSession(MessengerApi& api, Checker& check, EventMonitor& events,
                                   const SessionSettings& settings)
    : api_(api), check_(check), events_(events), settings_(settings)
{
}

MessengerSessionResult MessengerSession::run(IUnknown* messenger)
{
    MessengerSessionResult result;
    check_.report().section(L"Office 2010 session (Messenger API), " + api_.bindingName() + L" calls");
    readSelf(messenger, result);
    if (!result.signedIn) return result;
    readContactList(messenger, result);

    const std::vector<std::wstring>& people = settings_.people.empty() ? result.contactNames : settings_.people;
    Object first;
    for (const std::wstring& person : people) {
        Object contact = getContact(messenger, person);
        if (!first && contact) first = contact;
        if (contact) result.contacts.push_back(contact);
    }
    check_.expectResult(L"IMessenger.GetContact(\"\")", E_FAIL, [&] { return api_.getContact(messenger, L""); });

    for (const std::wstring& address : settings_.resolve) resolve(messenger, address);
    if (settings_.conversations && first && !people.empty()) startConversations(messenger, first, people.front());
    events_.describeNew();
    return result;
}

void MessengerSession::readSelf(IUnknown* messenger, MessengerSessionResult& result)
{
    const Answer<std::wstring> signin =
        check_.call(L"IMessenger.MySigninName", [&] { return api_.mySigninName(messenger); });
    if (signin.hr == notLoggedOn) {
        check_.report().step(L"MySigninName: " + hresultText(signin.hr) + L": the host user is signed out");
        checkSignedOut(messenger);
        return;
    }
    if (!check_.judgeSuccess(L"IMessenger.MySigninName", signin)) return;
    check_.expect(!signin.value.empty(), L"IMessenger.MySigninName", L"answered an empty sign-in name");
    result.signedIn = true;
    result.selfName = signin.value;

    PersonRow self;
    self.signinName = signin.value;
    self.self = true;
    self.name = check_.expectSuccess(L"IMessenger.MyFriendlyName", [&] { return api_.myFriendlyName(messenger); }).value;
    const Answer<long> status = check_.expectSuccess(L"IMessenger.MyStatus", [&] { return api_.myStatus(messenger); });
    if (status.succeeded()) {
        check_.expect(isKnownStatus(status.value), L"IMessenger.MyStatus",
                      L"answered " + std::to_wstring(status.value) + L", which is no MISTATUS");
        self.status = status.value;
    }
    auto myNumber = [&](long type) {
        return check_.expectSuccess(L"IMessenger.MyPhoneNumber(" + std::to_wstring(type) + L")",
                                    [&] { return api_.myPhoneNumber(messenger, type); }).value;
    };
    self.work = myNumber(PhoneWork);
    self.mobile = myNumber(PhoneMobile);
    self.home = myNumber(PhoneHome);
    self.other = myNumber(PhoneCustom);
    check_.report().person(self);
    check_.report().step(L"signed in as " + self.name + L" <" + self.signinName + L">, " +
                         (status.succeeded() ? statusText(status.value) : L"status unknown"));
}

void MessengerSession::readContactList(IUnknown* messenger, MessengerSessionResult& result)
{
    const Answer<Object> contacts =
        check_.expectSuccess(L"IMessenger.MyContacts", [&] { return api_.myContacts(messenger); });
    if (!contacts.succeeded()) return;
    if (!check_.expect(contacts.value != nullptr, L"IMessenger.MyContacts", L"answered no collection")) return;
    const Answer<long> count =
        check_.expectSuccess(L"IMessengerContacts.Count", [&] { return api_.contactCount(contacts.value.get()); });
    if (!count.succeeded()) return;
    check_.expect(count.value >= 0, L"IMessengerContacts.Count", L"answered a negative count");
    for (long index = 0; index < count.value; ++index) {
        const std::wstring where = L"IMessengerContacts.Item(" + std::to_wstring(index) + L")";
        const Answer<Object> contact =
            check_.expectSuccess(where, [&] { return api_.contactAt(contacts.value.get(), index); });
        if (!contact.succeeded() || !check_.expect(contact.value != nullptr, where, L"answered no contact")) continue;
        PersonRow row;
        if (!readContact(contact.value.get(), row, where)) continue;
        result.contactNames.push_back(row.signinName);
        result.contacts.push_back(contact.value);
    }
    // An index past the end answers S_OK and hands out nothing.
    const std::wstring beyond = L"IMessengerContacts.Item(" + std::to_wstring(count.value) + L")";
    const Answer<Object> none =
        check_.expectResult(beyond, S_OK, [&] { return api_.contactAt(contacts.value.get(), count.value); });
    check_.expect(none.value == nullptr, beyond, L"handed out a contact beyond the end of the list");
    check_.report().step(L"contact list: " + std::to_wstring(result.contactNames.size()) + L" contacts");
}

bool MessengerSession::readContact(IUnknown* contact, PersonRow& row, const std::wstring& where)
{
    const Answer<std::wstring> signin =
        check_.expectSuccess(where + L": IMessengerContact.SigninName", [&] { return api_.signinName(contact); });
    if (!signin.succeeded()) return false;
    check_.expect(!signin.value.empty(), where + L": IMessengerContact.SigninName", L"answered an empty sign-in name");
    row.signinName = signin.value;
    row.name = check_.expectSuccess(where + L": IMessengerContact.FriendlyName",
                                    [&] { return api_.friendlyName(contact); }).value;
    const Answer<long> status =
        check_.expectSuccess(where + L": IMessengerContact.Status", [&] { return api_.status(contact); });
    if (status.succeeded()) {
        check_.expect(isKnownStatus(status.value), where + L": IMessengerContact.Status",
                      L"answered " + std::to_wstring(status.value) + L", which is no MISTATUS");
        row.status = status.value;
    }
    auto number = [&](long type) {
        return check_.expectSuccess(where + L": IMessengerContact.PhoneNumber(" + std::to_wstring(type) + L")",
                                    [&] { return api_.phoneNumber(contact, type); }).value;
    };
    row.work = number(PhoneWork);
    row.mobile = number(PhoneMobile);
    row.home = number(PhoneHome);
    row.other = number(PhoneCustom);

    const std::wstring propertiesName = where + L": IMessengerContactAdvanced.PresenceProperties";
    const Answer<Variant> properties =
        check_.expectSuccess(propertiesName, [&] { return api_.presenceProperties(contact); });
    if (properties.succeeded() &&
        check_.expect(properties.value.type() == (VT_ARRAY | VT_VARIANT), propertiesName,
                      L"answered " + variantTypeName(properties.value.type()) + L", not VT_ARRAY|VT_VARIANT")) {
        std::vector<Variant> elements;
        extensionsutils::readVariants(V_ARRAY(properties.value.get()), elements);
        if (check_.expect(static_cast<long>(elements.size()) == presencePropertyCount, propertiesName,
                          L"answered " + std::to_wstring(elements.size()) + L" properties, not 12")) {
            check_.expect(elements[0].type() == VT_I4 && isKnownStatus(V_I4(elements[0].get())), propertiesName,
                          L"the status (element 0) is not an MISTATUS number");
            check_.expect(elements[1].type() == VT_I4, propertiesName, L"the availability (element 1) is no number");
            check_.expect(elements[11].type() == VT_EMPTY, propertiesName, L"element 11 is not empty");
            if (elements[6].type() == VT_BSTR && V_BSTR(elements[6].get())) row.activity = V_BSTR(elements[6].get());
        }
    }
    check_.report().person(row);
    return true;
}

Object MessengerSession::getContact(IUnknown* messenger, const std::wstring& signinName)
{
    const std::wstring where = L"IMessenger.GetContact(" + signinName + L")";
    const Answer<Object> contact = check_.expectSuccess(where, [&] { return api_.getContact(messenger, signinName); });
    if (!contact.succeeded() || !check_.expect(contact.value != nullptr, where, L"answered no contact")) return Object();
    PersonRow row;
    if (readContact(contact.value.get(), row, where)) {
        check_.expect(row.signinName == signinName, where, L"answered the contact " + row.signinName);
        check_.report().step(L"GetContact(" + signinName + L"): " + (row.name.empty() ? L"(no name)" : row.name) +
                             L", " + (row.status ? statusText(*row.status) : L"status unknown"));
    }
    return contact.value;
}

void MessengerSession::resolve(IUnknown* messenger, const std::wstring& address)
{
    const std::wstring where = L"IMessengerContactResolution.ResolveContact(" + address + L")";
    const std::size_t before = events_.seen().size();
    // The answer comes later, as OnContactResolved: the call itself says E_PENDING. S_OK means resolution is
    // switched off (DisableResolveContact) and nothing follows.
    const Answer<Nothing> asked = check_.call(where, [&] { return api_.resolveContact(messenger, address); });
    if (asked.hr == S_OK) {
        check_.report().passed(where, L"S_OK");
        check_.report().step(L"ResolveContact(" + address + L"): S_OK, resolution is switched off; no event follows");
        return;
    }
    if (!check_.expect(asked.hr == E_PENDING, where,
                       L"answered " + hresultText(asked.hr) + L", expected " + hresultText(E_PENDING))) {
        return;
    }
    std::wstring imAddress;
    auto resolved = [&] {
        const std::vector<SeenEvent>& seen = events_.seen();
        for (std::size_t i = before; i < seen.size(); ++i) {
            const SeenEvent& event = seen[i];
            if (event.kind != EventKind::ContactResolved || event.recorded.arguments.size() != 4) continue;
            const Variant& asked = event.recorded.arguments[2];
            const Variant& found = event.recorded.arguments[3];
            if (asked.type() != VT_BSTR || found.type() != VT_BSTR) continue;
            if (address != (V_BSTR(asked.get()) ? V_BSTR(asked.get()) : L"")) continue;
            imAddress = V_BSTR(found.get()) ? V_BSTR(found.get()) : L"";
            return true;
        }
        return false;
    };
    const bool arrived = events_.waitUntil(resolved, settings_.eventTimeoutMs);
    if (check_.expect(arrived, where, L"no OnContactResolved for it within " +
                                          std::to_wstring(settings_.eventTimeoutMs) + L" ms (missing event)")) {
        check_.report().step(L"ResolveContact(" + address + L"): OnContactResolved -> " + imAddress);
    }
}

void MessengerSession::startConversations(IUnknown* messenger, const Object& contact, const std::wstring& signinName)
{
    if (check_.expectResult(L"IMessenger.InstantMessage(" + signinName + L")", S_OK, [&] {
            return api_.instantMessage(messenger, Variant::fromDispatch(contact.get()));
        }).succeeded()) {
        check_.report().step(L"InstantMessage(" + signinName + L"): the host opens a chat");
    }
    if (check_.expectResult(L"IMessengerAdvanced.StartConversation(audio, " + signinName + L")", S_OK, [&] {
            return api_.startConversation(messenger, CONVERSATION_TYPE_AUDIO, {signinName}, L"");
        }).succeeded()) {
        check_.report().step(L"StartConversation(audio, " + signinName + L"): the host places a call");
    }
    // Live Meeting is not the provider's to start.
    check_.expectResult(L"IMessengerAdvanced.StartConversation(live meeting, " + signinName + L")", E_INVALIDARG,
                        [&] { return api_.startConversation(messenger, CONVERSATION_TYPE_LIVEMEETING, {signinName}, L""); });
}

void MessengerSession::checkSignedOut(IUnknown* messenger)
{
    check_.expectResult(L"IMessenger.MyStatus (signed out)", notLoggedOn, [&] { return api_.myStatus(messenger); });
    check_.expectResult(L"IMessenger.MyContacts (signed out)", notLoggedOn, [&] { return api_.myContacts(messenger); });
    const std::wstring someone = settings_.people.empty() ? L"nobody@example.invalid" : settings_.people.front();
    check_.expectResult(L"IMessenger.GetContact (signed out)", contactNotFound,
                        [&] { return api_.getContact(messenger, someone); });
    check_.expectResult(L"IMessengerAdvanced.StartConversation (signed out)", notLoggedOn, [&] {
        return api_.startConversation(messenger, CONVERSATION_TYPE_IM, {someone}, L"");
    });
}

} // namespace officesim
