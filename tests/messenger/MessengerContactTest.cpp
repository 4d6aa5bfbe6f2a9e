// The Messenger contact Office reads a person's status, names and numbers from: made from the host's
// contact, every member signed in and signed out, the host presence converted to status, availability and
// the presence properties array in its three forms, and what the contact keeps.

#include "MessengerFixture.h"

#include "IMessenger/TavoMessengerExtensionBroker.h"

#include "support/LateBoundCall.h"

#include "extensionsutils/Bstr.h"

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using fakehost::HostMethod;

namespace {

class MessengerContactTest : public MessengerTest {
protected:
    MISTATUS statusOf(const ComPtr<IMessengerContactAdvanced>& contact)
    {
        MISTATUS status = MISTATUS_LOCAL_FINDING_SERVER;
        EXPECT_EQ(contact->get_Status(&status), S_OK);
        return status;
    }

    std::wstring phoneNumberOf(const ComPtr<IMessengerContactAdvanced>& contact, MPHONE_TYPE type)
    {
        Bstr number(L"<none>");
        EXPECT_EQ(contact->get_PhoneNumber(type, number.out()), S_OK);
        return number ? number.str() : L"<none>";
    }

    std::vector<Variant> presenceOf(const ComPtr<IMessengerContactAdvanced>& contact)
    {
        Variant value;
        EXPECT_EQ(contact->get_PresenceProperties(value.out()), S_OK);
        return presenceElements(*value.get());
    }

    // The array's state, availability, note, custom text and calendar as given; every other element empty.
    void expectForm(const std::vector<Variant>& elements, LONG state, LONG availability, const Variant& note,
                    const wchar_t* custom, const Variant& calendar)
    {
        if (elements.size() != 12) return;
        EXPECT_EQ(int32Of(elements[PRESENCE_PROP_MSTATE]), state);
        EXPECT_EQ(int32Of(elements[PRESENCE_PROP_AVAILABILITY]), availability);
        EXPECT_TRUE(sameValue(elements[PRESENCE_PROP_PRESENCE_NOTE], note));
        EXPECT_EQ(stringOf(elements[PRESENCE_PROP_CUSTOM_STATUS_STRING]), custom);
        EXPECT_TRUE(sameValue(elements[PRESENCE_PROP_CURRENT_CALENDAR_STATE], calendar));
        for (int index : {2, 4, 5, 7, 9, 10, 11}) EXPECT_TRUE(elements[index].isEmpty()) << "element " << index;
    }

    void expectUnknownForm(const std::vector<Variant>& elements)
    {
        expectForm(elements, MISTATUS_UNKNOWN, 18000, Variant::fromString(L""), L"", Variant::fromInt32(1));
    }
};

TEST_F(MessengerContactTest, IsANewContactWithTheHostContactsNamesAndNumbersButNoEmptyOne)
{
    host().addContact({L"dave", L"dave-id", L"Dave Diver", L"+1 work", L"+1 home", L"", L"+1 other"});
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"dave");
    ASSERT_TRUE(contact);
    Bstr text;
    EXPECT_EQ(contact->get_FriendlyName(text.out()), S_OK);
    EXPECT_EQ(text.str(), L"Dave Diver");
    EXPECT_EQ(phoneNumberOf(contact, MPHONE_TYPE_WORK), L"+1 work");
    EXPECT_EQ(phoneNumberOf(contact, MPHONE_TYPE_HOME), L"+1 home");
    EXPECT_EQ(phoneNumberOf(contact, MPHONE_TYPE_CUSTOM), L"+1 other");
    EXPECT_EQ(phoneNumberOf(contact, MPHONE_TYPE_MOBILE), L"<none>") << "the empty mobile number is not kept at all";
    EXPECT_FALSE(extensionsutils::sameComObject(contact.get(), contactOf(L"dave").get()));
}

TEST_F(MessengerContactTest, AnyUnreadableHostFieldGivesNoContact)
{
    const std::pair<HostMethod, const wchar_t*> reads[] = {
        {HostMethod::GetFriendlyName, L"extensionProviderContact->get_FriendlyName failed"},
        {HostMethod::GetSigninName, L"extensionProviderContact->get_SigninName failed"},
        {HostMethod::GetWorkNumber, L"extensionProviderContact->get_WorkNumber failed"},
        {HostMethod::GetMobileNumber, L"extensionProviderContact->get_MobileNumber failed"},
        {HostMethod::GetHomeNumber, L"extensionProviderContact->get_HomeNumber failed"},
        {HostMethod::GetOtherNumber, L"extensionProviderContact->get_OtherNumber failed"},
    };
    for (const auto& [method, message] : reads) {
        host().failMethod(method, E_FAIL, 1);
        EXPECT_FALSE(contactOf(L"bob")) << static_cast<int>(method);
        EXPECT_TRUE(logged(message, 4, L"TavoMessengerExtensionBroker::CreateMessengerContact"));
    }
    const auto flags = std::make_shared<Configuration>(0);
    EXPECT_FALSE(TavoMessengerExtensionBroker::CreateMessengerContact(nullptr, flags));
    EXPECT_FALSE(TavoMessengerExtensionBroker::CreateMessengerContact(host().makeWrongObject().get(), flags));
    EXPECT_EQ(host().loggedCount(L"Unable to QueryInterface IDispatch for IContact"), 1u);
}

TEST_F(MessengerContactTest, EveryMemberAnswersLateBoundSignedInAndRefusesSignedOut)
{
    const ComPtr<IDispatch> contact = contactOf(L"bob").as<IDispatch>();
    ASSERT_TRUE(contact);
    const struct {
        const wchar_t* name;
        WORD flags;
        std::vector<Variant> arguments;
        Variant expected; // empty: not compared
    } members[] = {
        {L"FriendlyName", DISPATCH_PROPERTYGET, {}, Variant::fromString(L"Friendly bob")},
        {L"SigninName", DISPATCH_PROPERTYGET, {}, Variant::fromString(L"bob")},
        {L"ServiceName", DISPATCH_PROPERTYGET, {}, Variant::fromString(L"bob")},
        {L"ServiceId", DISPATCH_PROPERTYGET, {}, Variant::fromString(L"{83D4679F-B6D7-11D2-BF36-00C04FB90A03}")},
        {L"Status", DISPATCH_PROPERTYGET, {}, Variant::fromInt32(MISTATUS_ONLINE)},
        {L"PhoneNumber", DISPATCH_PROPERTYGET, {Variant::fromInt32(MPHONE_TYPE_WORK)}, Variant::fromString(L"work of bob")},
        {L"CanPage", DISPATCH_PROPERTYGET, {}, Variant::fromBool(false)},
        {L"IsSelf", DISPATCH_PROPERTYGET, {}, Variant::fromBool(false)},
        {L"Blocked", DISPATCH_PROPERTYPUT, {Variant::fromBool(true)}, Variant()},
        {L"Blocked", DISPATCH_PROPERTYGET, {}, Variant::fromBool(true)},
        {L"IsTagged", DISPATCH_PROPERTYPUT, {Variant::fromBool(true)}, Variant()},
        {L"IsTagged", DISPATCH_PROPERTYGET, {}, Variant::fromBool(true)},
        {L"Property", DISPATCH_PROPERTYPUT, {Variant::fromInt32(MCONTACTPROP_EMAIL), Variant::fromString(L"b@x")}, Variant()},
        {L"Property", DISPATCH_PROPERTYGET, {Variant::fromInt32(MCONTACTPROP_EMAIL)}, Variant::fromString(L"b@x")},
        {L"PresenceProperties", DISPATCH_PROPERTYGET, {}, Variant()},
        {L"PresenceProperties", DISPATCH_PROPERTYPUT, {Variant()}, Variant()},
    };
    for (bool signedIn : {true, false}) {
        host().setSignedInValue(signedIn ? 0 : 1);
        for (const auto& member : members) {
            SCOPED_TRACE(testing::Message() << std::string(member.name, member.name + wcslen(member.name))
                                            << (signedIn ? " signed in" : " signed out"));
            const LateBoundResult result = callByName(contact.get(), member.name, member.flags, member.arguments);
            EXPECT_EQ(signedIn ? S_OK : NotLoggedOn, result.member);
            if (signedIn && !member.expected.isEmpty())
                EXPECT_TRUE(sameValue(result.value, member.expected));
        }
    }
    EXPECT_TRUE(logged(L"not logged in returning MSGR_E_NOT_LOGGED_ON", 1, L"TavoMessengerContact::get_Status"));
    EXPECT_TRUE(host().tagRequests().empty()) << "tagging stays with Office";
}

TEST_F(MessengerContactTest, ThroughTheVirtualTableARefusedCallWritesNothingAndNullOutPointersAreRefused)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    ASSERT_TRUE(contact);
    EXPECT_EQ(contact->get_FriendlyName(nullptr), E_POINTER);
    EXPECT_EQ(contact->get_Status(nullptr), E_POINTER);
    EXPECT_EQ(contact->get_PhoneNumber(MPHONE_TYPE_WORK, nullptr), E_POINTER);
    EXPECT_EQ(contact->get_Blocked(nullptr), E_POINTER);
    EXPECT_EQ(contact->get_Property(MCONTACTPROP_EMAIL, nullptr), E_POINTER);
    EXPECT_EQ(contact->get_PresenceProperties(nullptr), E_POINTER);
    signOut();
    BSTR text = kUnwrittenBstr;
    VARIANT_BOOL flag = 7;
    MISTATUS status = MISTATUS_LOCAL_FINDING_SERVER;
    VARIANT value;
    VariantInit(&value);
    contact->get_FriendlyName(&text);
    contact->get_PhoneNumber(MPHONE_TYPE_HOME, &text);
    contact->get_Status(&status);
    contact->get_IsTagged(&flag);
    contact->get_PresenceProperties(&value);
    EXPECT_EQ(text, kUnwrittenBstr);
    EXPECT_EQ(status, MISTATUS_LOCAL_FINDING_SERVER);
    EXPECT_EQ(flag, 7);
    EXPECT_EQ(value.vt, VT_EMPTY);
    EXPECT_EQ(contact->put_Blocked(VARIANT_TRUE), NotLoggedOn);
    host().setSignedInValue(0);
    EXPECT_EQ(contact->get_Blocked(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE) << "a refused put changed the contact";
}

TEST_F(MessengerContactTest, KeepsBlockedAndTaggedOnlyForVariantTrue)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    VARIANT_BOOL blocked = VARIANT_TRUE;
    VARIANT_BOOL tagged = VARIANT_TRUE;
    EXPECT_EQ(contact->put_Blocked(VARIANT_TRUE), S_OK);
    EXPECT_EQ(contact->put_Blocked(1), S_OK);
    EXPECT_EQ(contact->put_IsTagged(VARIANT_TRUE), S_OK);
    EXPECT_EQ(contact->put_IsTagged(1), S_OK);
    contact->get_Blocked(&blocked);
    contact->get_IsTagged(&tagged);
    EXPECT_EQ(blocked, VARIANT_FALSE);
    EXPECT_EQ(tagged, VARIANT_FALSE);
}

TEST_F(MessengerContactTest, KeepsPropertiesByValue)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    Variant absent = Variant::fromInt32(42);
    EXPECT_EQ(contact->get_Property(MCONTACTPROP_GROUPS_PROPERTY, absent.get()), S_OK);
    EXPECT_EQ(int32Of(absent), 42) << "an absent property leaves the caller's value";
    // A by-reference value is kept as what it refers to, not as a pointer into the caller's memory.
    Variant referenced = Variant::fromString(L"bob@example.com");
    VARIANT byReference;
    VariantInit(&byReference);
    byReference.vt = VT_BYREF | VT_VARIANT;
    byReference.pvarVal = referenced.get();
    EXPECT_EQ(contact->put_Property(MCONTACTPROP_EMAIL, byReference), S_OK);
    referenced = Variant::fromString(L"changed afterwards");
    VARIANT referenceToNothing;
    VariantInit(&referenceToNothing);
    referenceToNothing.vt = VT_BYREF | VT_BSTR;
    EXPECT_EQ(contact->put_Property(MCONTACTPROP_EMAIL, referenceToNothing), E_INVALIDARG);
    Variant stored;
    EXPECT_EQ(contact->get_Property(MCONTACTPROP_EMAIL, stored.out()), S_OK);
    EXPECT_EQ(stringOf(stored), L"bob@example.com");
}

// Asked of the host on every call: nothing is cached.
TEST_F(MessengerContactTest, MapsTheHostPresenceToStatusAvailabilityAndTheArray)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    const struct {
        long presence;
        MISTATUS status;
        LONG availability;
    } table[] = {{1, MISTATUS_ONLINE, 3000}, {2, MISTATUS_AWAY, 15000}, {3, MISTATUS_DO_NOT_DISTURB, 9000},
                 {4, MISTATUS_AWAY, 15000},  {5, MISTATUS_OFFLINE, 0},  {0, MISTATUS_UNKNOWN, 0},
                 {6, MISTATUS_UNKNOWN, 0},   {-1, MISTATUS_UNKNOWN, 0}};
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << "host presence " << row.presence);
        host().setPresence(L"bob", row.presence, L"Out for lunch");
        EXPECT_EQ(statusOf(contact), row.status);
        expectForm(presenceOf(contact), row.status, row.availability, Variant(), L"Out for lunch", Variant::fromInt32(1));
    }
}

TEST_F(MessengerContactTest, AnUnreadablePresenceIsUnknownOrOffline)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    host().failMethod(HostMethod::GetPresenceForContact, E_FAIL, 1);
    EXPECT_EQ(statusOf(contact), MISTATUS_UNKNOWN);
    EXPECT_TRUE(logged(L"pIMAndPresence->GetPresenceForContact failed returning MISTATUS_UNKNOWN", 4,
                       L"TavoMessengerContact::get_Status"));
    host().answerWrongObject(HostMethod::GetPresenceForContact, 1);
    EXPECT_EQ(statusOf(contact), MISTATUS_OFFLINE);
    host().answerEmpty(HostMethod::GetPresenceForContact, 1);
    EXPECT_EQ(statusOf(contact), MISTATUS_OFFLINE);
    EXPECT_EQ(host().loggedCount(L"pDispPresenceState->QueryInterface<IPresenceState> failed"), 2u);
    host().failMethod(HostMethod::GetPresenceState, E_FAIL, 1);
    EXPECT_EQ(statusOf(contact), MISTATUS_UNKNOWN);
    EXPECT_TRUE(logged(L"get_Presence failed", 4, L"TavoMessengerExtensionBroker::ConvertPresenceStateToMIStatus"));
}

TEST_F(MessengerContactTest, WithoutAPresenceSourceReportsOfflineAndNoProperties)
{
    // The contact's presence source is made once, with the contact.
    host().failMethod(HostMethod::CreateIMAndPresence, E_FAIL, 1);
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    ASSERT_TRUE(contact);
    EXPECT_EQ(statusOf(contact), MISTATUS_OFFLINE);
    EXPECT_TRUE(logged(L"could not create a IIMAndPresence object", 4, L"TavoMessengerContact::get_Status"));
    Variant value = Variant::fromInt32(42);
    EXPECT_EQ(contact->get_PresenceProperties(value.get()), E_FAIL);
    EXPECT_EQ(int32Of(value), 42);
}

TEST_F(MessengerContactTest, PresencePropertiesFollowTheHostOrPhoneMode)
{
    host().setPresence(L"bob", 2, L"Be right back");
    for (std::uint32_t flags : {0u, 1u, 2u, 3u}) {
        SCOPED_TRACE(testing::Message() << "flags " << flags);
        const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob", flags);
        host().resetCallCounts();
        const std::vector<Variant> elements = presenceOf(contact);
        const bool phoneMode = flags & Configuration::PhoneModeFlag;
        if (phoneMode) expectForm(elements, MISTATUS_ONLINE, 0, Variant(), L"Phone mode", Variant::fromString(L""));
        else expectForm(elements, MISTATUS_AWAY, 15000, Variant(), L"Be right back", Variant::fromInt32(1));
        EXPECT_EQ(host().callCount(HostMethod::RequestPresenceState), phoneMode ? 0u : 1u);
    }
}

TEST_F(MessengerContactTest, PresencePropertiesAreUnknownWhenTheHostCannotTell)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    const wchar_t* const contactSide = L"TavoMessengerContact::get_PresenceProperties";
    const wchar_t* const brokerSide = L"TavoMessengerExtensionBroker::GetPresenceState";
    const std::tuple<std::function<void()>, const wchar_t*, const wchar_t*> failures[] = {
        {[this] { host().failMethod(HostMethod::GetContact, E_FAIL, 1); }, L"GetContact failed", contactSide},
        {[this] { host().answerWrongObject(HostMethod::GetContact, 1); },
         L"Unable to QueryInterface IDispatch for IContact", contactSide},
        {[this] { host().failMethod(HostMethod::RequestPresenceState, E_FAIL, 1); }, L"get_PresenceProperties failed",
         contactSide},
        {[this] { host().answerWrongObject(HostMethod::RequestPresenceState, 1); },
         L"Unable to QueryInterface for IPresenceState from IDispatch", brokerSide},
        {[this] { host().failMethod(HostMethod::GetPresenceState, E_FAIL, 1); }, L"get_PresenceState failed", brokerSide},
        {[this] { host().failMethod(HostMethod::GetPresenceString, E_FAIL, 1); }, L"get_PresenceString failed",
         brokerSide},
    };
    for (const auto& [breakHost, message, function] : failures) {
        SCOPED_TRACE(std::string(message, message + wcslen(message)));
        breakHost();
        expectUnknownForm(presenceOf(contact));
        EXPECT_TRUE(logged(message, 4, function));
    }
    host().addContact({L"", L"", L"Nobody"});
    const ComPtr<IMessengerContactAdvanced> nameless = contactOf(L"");
    host().resetCallCounts();
    expectUnknownForm(presenceOf(nameless));
    EXPECT_TRUE(logged(L"SigninName length < 1, returning UNKNOWN", 4, contactSide));
    EXPECT_EQ(host().callCount(HostMethod::GetContact), 0u);
}

TEST_F(MessengerContactTest, PresencePropertiesRefreshThePhoneNumbersWithoutForgettingAny)
{
    fakehost::ContactRecord bob{L"bob", L"bob-id", L"Bob", L"100"};
    host().addContact(bob);
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    bob.workNumber = L"";
    bob.mobileNumber = L"200";
    bob.homeNumber = L"300";
    bob.otherNumber = L"400";
    host().addContact(bob);
    // Even a host presence that cannot be read still brings the numbers along.
    host().failMethod(HostMethod::RequestPresenceState, E_FAIL, 1);
    host().failMethod(HostMethod::GetHomeNumber, E_FAIL, 1);
    Variant value;
    ASSERT_EQ(contact->get_PresenceProperties(value.out()), S_OK);
    EXPECT_EQ(phoneNumberOf(contact, MPHONE_TYPE_WORK), L"100");
    EXPECT_EQ(phoneNumberOf(contact, MPHONE_TYPE_MOBILE), L"200");
    EXPECT_EQ(phoneNumberOf(contact, MPHONE_TYPE_HOME), L"<none>");
    EXPECT_EQ(phoneNumberOf(contact, MPHONE_TYPE_CUSTOM), L"400");
    EXPECT_EQ(phoneNumberOf(contact, MPHONE_TYPE_ALL), L"<none>");
}

} // namespace
