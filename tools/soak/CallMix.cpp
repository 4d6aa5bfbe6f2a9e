#include "soak/CallMix.h"

#include "soak/CountingSink.h"
#include "soak/SoakPeople.h"

#include "officesim/Names.h"

#include "TavoMessengerLib.h"

namespace soak {

namespace {

const std::size_t keptProblems = 5;

} // namespace

CallMix::CallMix(OfficeLink& link, unsigned seed)
    : link_(link), random_(seed), churnTally_(std::make_shared<EventTally>())
{
}

officesim::MessengerApi& CallMix::messengerApi()
{
    if (random_() % 2) return lateMessenger_;
    return vtableMessenger_;
}

officesim::UcApi& CallMix::ucApi()
{
    if (random_() % 2) return lateUc_;
    return vtableUc_;
}

int CallMix::anyContact()
{
    return static_cast<int>(random_() % ContactCount);
}

template <class T>
bool CallMix::expect(const wchar_t* call, const officesim::Answer<T>& answer)
{
    ++figures_.calls;
    if (answer.succeeded()) return true;
    ++figures_.unexpected;
    if (figures_.first.size() < keptProblems) {
        figures_.first.push_back(std::wstring(call) + L" answered " + officesim::hresultText(answer.hr) +
                                 (answer.shapeProblem.empty() ? L"" : L" (" + answer.shapeProblem + L")"));
    }
    return false;
}

void CallMix::next()
{
    switch (random_() % 16) {
    case 0: case 1: messengerGetters(); break;
    case 2: case 3: case 4: messengerLookup(); break;
    case 5: messengerContacts(); break;
    case 6: messengerResolve(); break;
    case 7: case 8: case 9: case 10: ucLookup(); break;
    case 11: case 12: ucSinkChurn(); break;
    case 13: case 14: ucSubscriptionChurn(); break;
    default: ucClient(); break;
    }
}

void CallMix::messengerGetters()
{
    officesim::MessengerApi& api = messengerApi();
    expect(L"IMessenger.MySigninName", api.mySigninName(link_.messenger.get()));
    expect(L"IMessenger.MyStatus", api.myStatus(link_.messenger.get()));
    expect(L"IMessenger.MyFriendlyName", api.myFriendlyName(link_.messenger.get()));
}

void CallMix::messengerLookup()
{
    officesim::MessengerApi& api = messengerApi();
    const officesim::Answer<officesim::Object> contact = api.getContact(link_.messenger.get(), contactSigninName(anyContact()));
    if (!expect(L"IMessenger.GetContact", contact)) return;
    expect(L"IMessengerContact.Status", api.status(contact.value.get()));
    expect(L"IMessengerContact.FriendlyName", api.friendlyName(contact.value.get()));
    expect(L"IMessengerContact.PhoneNumber", api.phoneNumber(contact.value.get(), officesim::PhoneWork));
    expect(L"IMessengerContactAdvanced.PresenceProperties", api.presenceProperties(contact.value.get()));
}

void CallMix::messengerContacts()
{
    officesim::MessengerApi& api = messengerApi();
    const officesim::Answer<officesim::Object> contacts = api.myContacts(link_.messenger.get());
    if (!expect(L"IMessenger.MyContacts", contacts)) return;
    const officesim::Answer<long> count = api.contactCount(contacts.value.get());
    if (!expect(L"IMessengerContacts.Count", count) || count.value <= 0) return;
    const officesim::Answer<officesim::Object> contact =
        api.contactAt(contacts.value.get(), static_cast<long>(random_() % static_cast<unsigned>(count.value)));
    if (!expect(L"IMessengerContacts.Item", contact)) return;
    expect(L"IMessengerContact.SigninName", api.signinName(contact.value.get()));
}

// The answer comes later as OnContactResolved; the call itself answers E_PENDING once the host has it.
void CallMix::messengerResolve()
{
    officesim::Answer<officesim::Nothing> answer = messengerApi().resolveContact(link_.messenger.get(), contactEmail(anyContact()));
    if (answer.hr == E_PENDING) answer.hr = S_OK;
    expect(L"IMessengerContactResolution.ResolveContact", answer);
}

void CallMix::ucLookup()
{
    officesim::UcApi& api = ucApi();
    const officesim::Answer<officesim::Object> contact =
        api.getContactByUri(link_.contactManager.get(), contactSigninName(anyContact()));
    if (!expect(L"IUCCContactManager.GetContactByUri", contact)) return;
    expect(L"IUCCContact.GetContactInformation",
           api.contactInformation(contact.value.get(), officesim::InformationAvailability));
    if (random_() % 2) {
        expect(L"IUCCContact.BatchGetContactInformation",
               api.batchContactInformation(contact.value.get(),
                                           {officesim::InformationAvailability, officesim::InformationActivity,
                                            officesim::InformationDisplayName}));
    }
}

void CallMix::ucSinkChurn()
{
    officesim::UcApi& api = ucApi();
    const officesim::Answer<officesim::Object> contact =
        api.getContactByUri(link_.contactManager.get(), contactSigninName(anyContact()));
    if (!expect(L"IUCCContactManager.GetContactByUri", contact)) return;
    extensionsutils::ComPtr<CountingSink> sink =
        CountingSink::create(CountingSink::Kind::ContactEvents, DIID__IUCCContactEvents, churnTally_, L"churn");
    expect(L"_IUCCContactEvents Advise", officesim::answerOf(sink->advise(contact.value.get()), true));
    expect(L"IUCCContact.GetContactInformation",
           api.contactInformation(contact.value.get(), officesim::InformationActivity));
    sink->unadvise();
}

void CallMix::ucSubscriptionChurn()
{
    officesim::UcApi& api = ucApi();
    const officesim::Answer<officesim::Object> subscription = api.createSubscription(link_.contactManager.get());
    if (!expect(L"IUCCContactManager.CreateSubscription", subscription)) return;
    for (int i = 0; i < 2; ++i) {
        const officesim::Answer<officesim::Object> contact =
            api.getContactByUri(link_.contactManager.get(), contactSigninName(anyContact()));
        if (!expect(L"IUCCContactManager.GetContactByUri", contact)) return;
        expect(L"IUCCContactSubscription.AddContact", api.addToSubscription(subscription.value.get(), contact.value.get()));
    }
    expect(L"IUCCContactSubscription.Subscribe",
           api.subscribe(subscription.value.get(), officesim::RefreshRateHigh,
                         {officesim::InformationAvailability, officesim::InformationActivity}));
}

void CallMix::ucClient()
{
    officesim::UcApi& api = ucApi();
    expect(L"IUCCClient.State", api.clientState(link_.client.get()));
    const officesim::Answer<officesim::Object> self = api.clientSelf(link_.client.get());
    if (!expect(L"IUCCClient.Self", self)) return;
    const officesim::Answer<officesim::Object> contact = api.selfContact(self.value.get());
    if (!expect(L"IUCCSelf.Contact", contact)) return;
    expect(L"IUCCContact.Uri", api.contactUri(contact.value.get()));
}

} // namespace soak
