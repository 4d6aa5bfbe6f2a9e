#pragma once

// A provider as officesim's sessions see it, without COM between them: each member answers what the test
// put in its field (a well-behaved provider with one contact unless changed). Objects handed out are
// FakeEventSources, so that officesim can advise on them; the provider's events are fired through them.

#include "FakeEventSource.h"

#include "officesim/MessengerApi.h"
#include "officesim/UcApi.h"

#include <functional>
#include <string>
#include <vector>

namespace officesimtest {

using officesim::Answer;
using officesim::Nothing;
using officesim::Object;
using extensionsutils::Variant;

// The twelve presence properties of an available contact.
std::vector<Variant> availablePresenceProperties();
Variant arrayOf(const std::vector<Variant>& elements);

class FakeMessengerApi final : public officesim::MessengerApi {
public:
    FakeMessengerApi();

    std::wstring bindingName() const override { return L"fake"; }
    bool lateBound() const override { return false; }

    Answer<std::wstring> mySigninName(IUnknown*) override { return signin; }
    Answer<std::wstring> myFriendlyName(IUnknown*) override { return officesim::answerOf(S_OK, std::wstring(L"Me")); }
    Answer<long> myStatus(IUnknown*) override { return myStatusAnswer; }
    Answer<std::wstring> myPhoneNumber(IUnknown*, long) override { return officesim::answerOf(S_OK, std::wstring()); }
    Answer<Object> myContacts(IUnknown*) override { return officesim::answerOf(myContactsResult, contactList); }
    Answer<Object> getContact(IUnknown*, const std::wstring& name) override;
    Answer<Nothing> instantMessage(IUnknown*, const Variant&) override;
    Answer<Nothing> startConversation(IUnknown*, long type, const std::vector<std::wstring>&, const std::wstring&) override;
    Answer<Nothing> resolveContact(IUnknown*, const std::wstring& address) override;
    Answer<long> contactCount(IUnknown*) override { return officesim::answerOf(S_OK, static_cast<long>(contactNames.size())); }
    Answer<Object> contactAt(IUnknown*, long index) override;
    Answer<std::wstring> signinName(IUnknown* contact) override;
    Answer<std::wstring> friendlyName(IUnknown*) override { return officesim::answerOf(S_OK, std::wstring(L"Someone")); }
    Answer<long> status(IUnknown*) override { return contactStatus; }
    Answer<std::wstring> phoneNumber(IUnknown*, long) override { return officesim::answerOf(S_OK, std::wstring()); }
    Answer<Variant> presenceProperties(IUnknown*) override { return presence; }

    // What the members answer.
    Answer<std::wstring> signin;
    Answer<long> myStatusAnswer;
    Answer<long> contactStatus;
    Answer<Variant> presence;
    HRESULT myContactsResult = S_OK;
    HRESULT resolveResult = E_PENDING;
    HRESULT liveMeetingResult = E_INVALIDARG;
    std::vector<std::wstring> contactNames = {L"bo@example"};
    // Runs inside ResolveContact (a provider answers later; a test may fire OnContactResolved here).
    std::function<void(const std::wstring& address)> onResolve;

    // The provider's objects.
    extensionsutils::ComPtr<FakeEventSource> messenger = FakeEventSource::create();
    Object contactList;
    std::vector<extensionsutils::ComPtr<FakeEventSource>> contacts;
    std::vector<std::wstring> conversations; // "chat" and "call", as started
};

class FakeUcApi final : public officesim::UcApi {
public:
    FakeUcApi();

    std::wstring bindingName() const override { return L"fake"; }
    bool lateBound() const override { return false; }

    Answer<long> supportedFeatures(IUnknown*, const std::wstring&) override { return officesim::answerOf(S_OK, 204L); }
    Answer<std::wstring> authenticationInfo(IUnknown*, const std::wstring&) override;
    Answer<Object> getInterface(IUnknown*, const std::wstring&, long which) override;
    Answer<long> clientState(IUnknown*) override { return state; }
    Answer<std::wstring> clientUri(IUnknown*) override { return officesim::answerOf(S_OK, std::wstring(L"me@example")); }
    Answer<Object> clientSelf(IUnknown*) override { return officesim::answerOf(S_OK, Object(self.get())); }
    Answer<Object> clientContactManager(IUnknown*) override { return officesim::answerOf(S_OK, Object(manager.get())); }
    Answer<Object> selfContact(IUnknown*) override;
    Answer<Object> getContactByUri(IUnknown*, const std::wstring& uri) override;
    Answer<Object> lookup(IUnknown*, const std::wstring& text, IUnknown* callback) override;
    Answer<Object> createSubscription(IUnknown*) override { return officesim::answerOf(S_OK, Object(subscription.get())); }
    Answer<Nothing> addToSubscription(IUnknown*, IUnknown*) override { return officesim::answerOf(S_OK, Nothing()); }
    Answer<Nothing> subscribe(IUnknown*, long, const std::vector<long>&) override { return officesim::answerOf(S_OK, Nothing()); }
    Answer<std::wstring> contactUri(IUnknown* contact) override;
    Answer<Variant> contactInformation(IUnknown* contact, long type) override;
    Answer<Object> batchContactInformation(IUnknown*, const std::vector<long>&) override;
    Answer<bool> canStart(IUnknown*, long) override { return officesim::answerOf(S_OK, false); }
    Answer<long> dictionaryCount(IUnknown*) override { return officesim::answerOf(S_OK, 3L); }
    Answer<bool> dictionaryContainsKey(IUnknown*, long) override { return officesim::answerOf(S_OK, true); }
    Answer<Variant> dictionaryItem(IUnknown*, long) override { return officesim::answerOf(S_OK, Variant::fromInt32(3500)); }
    Answer<long> endpointType(IUnknown*) override { return officesim::answerOf(S_OK, 0L); }
    Answer<std::wstring> endpointUri(IUnknown*) override { return officesim::answerOf(S_OK, std::wstring(L"+1 555 0100")); }
    Answer<std::wstring> localeStringValue(IUnknown*) override { return officesim::answerOf(S_OK, std::wstring(L"Available")); }
    Answer<std::vector<long>> changedInformation(IUnknown*) override { return officesim::answerOf(S_OK, std::vector<long>{0, 1, 8, 7}); }
    Answer<officesim::StateChange> stateChange(IUnknown*) override;
    Answer<bool> operationCompleted(IUnknown*) override { return officesim::answerOf(S_OK, true); }
    Answer<bool> operationSucceeded(IUnknown*) override { return officesim::answerOf(S_OK, true); }
    Answer<Nothing> startConversation(IUnknown*, long modes, const std::vector<std::wstring>&) override;

    // What the members answer.
    Answer<long> state;
    std::wstring uriScheme = L"sip:";
    bool answerLookups = true; // call OnLookup at once
    std::vector<std::wstring> conversations;

    // The provider's objects.
    extensionsutils::ComPtr<FakeEventSource> client = FakeEventSource::create();
    extensionsutils::ComPtr<FakeEventSource> automation = FakeEventSource::create();
    extensionsutils::ComPtr<FakeEventSource> self = FakeEventSource::create();
    extensionsutils::ComPtr<FakeEventSource> manager = FakeEventSource::create();
    extensionsutils::ComPtr<FakeEventSource> subscription = FakeEventSource::create();
    extensionsutils::ComPtr<FakeEventSource> dictionary = FakeEventSource::create();
    extensionsutils::ComPtr<FakeEventSource> endpoint = FakeEventSource::create();
    extensionsutils::ComPtr<FakeEventSource> localeString = FakeEventSource::create();
    extensionsutils::ComPtr<FakeEventSource> operation = FakeEventSource::create();
    // Contacts handed out, with the address each stands for.
    std::vector<std::pair<extensionsutils::ComPtr<FakeEventSource>, std::wstring>> contacts;
};

} // namespace officesimtest
