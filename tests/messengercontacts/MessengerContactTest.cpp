#include "IMessenger/TavoMessengerContact.h"

#include "MessengerFixture.h"

#include <gtest/gtest.h>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using fakehost::HostMethod;

namespace {

class MessengerContact : public MessengerFixture {
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

    bool logged(const std::wstring& message, int level, const std::wstring& operation)
    {
        return MessengerFixture::logged(message, level, L"TavoMessengerContact::" + operation, L"TavoMessengerContact");
    }
};

TEST_F(MessengerContact, AnswersItsNamesAndFixedValues)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    ASSERT_TRUE(contact);
    Bstr text;
    EXPECT_EQ(contact->get_ServiceName(text.out()), S_OK);
    EXPECT_EQ(text.str(), L"bob");
    EXPECT_EQ(contact->get_ServiceId(text.out()), S_OK);
    EXPECT_EQ(text.str(), L"{83D4679F-B6D7-11D2-BF36-00C04FB90A03}");
    VARIANT_BOOL canPage = VARIANT_TRUE;
    EXPECT_EQ(contact->get_CanPage(&canPage), S_OK);
    EXPECT_EQ(canPage, VARIANT_FALSE);
}

TEST_F(MessengerContact, IsOneIdentityThroughAllItsInterfaces)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    ASSERT_TRUE(contact);
    const ComPtr<IDispatch> dispatch = contact.as<IDispatch>();
    const ComPtr<IMessengerContact> basic = contact.as<IMessengerContact>();
    EXPECT_EQ(static_cast<void*>(dispatch.get()), static_cast<void*>(contact.get()));
    EXPECT_EQ(static_cast<void*>(basic.get()), static_cast<void*>(contact.get()));
    EXPECT_FALSE(contact.as<IMessengerContacts>());
}

TEST_F(MessengerContact, EveryMemberRefusesWhileSignedOut)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    ASSERT_TRUE(contact);
    host().setSignedInValue(1);

    BSTR text = reinterpret_cast<BSTR>(0x1234);
    VARIANT_BOOL flag = 7;
    MISTATUS status = MISTATUS_LOCAL_FINDING_SERVER;
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(contact->get_FriendlyName(&text), NotLoggedOn);
    EXPECT_EQ(contact->get_SigninName(&text), NotLoggedOn);
    EXPECT_EQ(contact->get_ServiceName(&text), NotLoggedOn);
    EXPECT_EQ(contact->get_ServiceId(&text), NotLoggedOn);
    EXPECT_EQ(contact->get_PhoneNumber(MPHONE_TYPE_HOME, &text), NotLoggedOn);
    EXPECT_EQ(text, reinterpret_cast<BSTR>(0x1234));
    EXPECT_EQ(contact->get_Status(&status), NotLoggedOn);
    EXPECT_EQ(status, MISTATUS_LOCAL_FINDING_SERVER);
    EXPECT_EQ(contact->get_Blocked(&flag), NotLoggedOn);
    EXPECT_EQ(contact->get_CanPage(&flag), NotLoggedOn);
    EXPECT_EQ(contact->get_IsSelf(&flag), NotLoggedOn);
    EXPECT_EQ(contact->get_IsTagged(&flag), NotLoggedOn);
    EXPECT_EQ(flag, 7);
    EXPECT_EQ(contact->put_Blocked(VARIANT_TRUE), NotLoggedOn);
    EXPECT_EQ(contact->put_IsTagged(VARIANT_TRUE), NotLoggedOn);
    EXPECT_EQ(contact->get_Property(MCONTACTPROP_EMAIL, &value), NotLoggedOn);
    EXPECT_EQ(contact->put_Property(MCONTACTPROP_EMAIL, *Variant::fromString(L"x").get()), NotLoggedOn);
    EXPECT_EQ(contact->get_PresenceProperties(&value), NotLoggedOn);
    EXPECT_EQ(contact->put_PresenceProperties(value), NotLoggedOn);
    EXPECT_EQ(value.vt, VT_EMPTY);
    EXPECT_TRUE(logged(L"not logged in returning MSGR_E_NOT_LOGGED_ON", 1, L"get_Status"));

    // Nothing was changed while refused.
    host().setSignedInValue(0);
    EXPECT_EQ(contact->get_Blocked(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);
    EXPECT_EQ(contact->get_Property(MCONTACTPROP_EMAIL, &value), S_OK);
    EXPECT_EQ(value.vt, VT_EMPTY);
}

TEST_F(MessengerContact, RefusesNullOutPointers)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    ASSERT_TRUE(contact);
    EXPECT_EQ(contact->get_FriendlyName(nullptr), E_POINTER);
    EXPECT_EQ(contact->get_Status(nullptr), E_POINTER);
    EXPECT_EQ(contact->get_PhoneNumber(MPHONE_TYPE_WORK, nullptr), E_POINTER);
    EXPECT_EQ(contact->get_Blocked(nullptr), E_POINTER);
    EXPECT_EQ(contact->get_Property(MCONTACTPROP_EMAIL, nullptr), E_POINTER);
    EXPECT_EQ(contact->get_PresenceProperties(nullptr), E_POINTER);
}

TEST_F(MessengerContact, KeepsBlockedAndTaggedOnlyForVariantTrue)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    ASSERT_TRUE(contact);
    VARIANT_BOOL flag = VARIANT_FALSE;
    EXPECT_EQ(contact->put_Blocked(VARIANT_TRUE), S_OK);
    EXPECT_EQ(contact->get_Blocked(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    EXPECT_EQ(contact->put_Blocked(1), S_OK);
    EXPECT_EQ(contact->get_Blocked(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);

    EXPECT_EQ(contact->put_IsTagged(VARIANT_TRUE), S_OK);
    EXPECT_EQ(contact->get_IsTagged(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    EXPECT_EQ(contact->put_IsTagged(1), S_OK);
    EXPECT_EQ(contact->get_IsTagged(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);
    EXPECT_TRUE(host().tagRequests().empty()) << "tagging stays with Office";
}

TEST_F(MessengerContact, KeepsPropertiesByValue)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    ASSERT_TRUE(contact);
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

    // A reference to nothing is refused and leaves the stored value.
    VARIANT referenceToNothing;
    VariantInit(&referenceToNothing);
    referenceToNothing.vt = VT_BYREF | VT_BSTR;
    EXPECT_EQ(contact->put_Property(MCONTACTPROP_EMAIL, referenceToNothing), E_INVALIDARG);

    Variant stored;
    EXPECT_EQ(contact->get_Property(MCONTACTPROP_EMAIL, stored.out()), S_OK);
    EXPECT_EQ(stringOf(stored), L"bob@example.com");
}

TEST_F(MessengerContact, AsksTheHostForItsStatusOnEveryCall)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    ASSERT_TRUE(contact);
    EXPECT_EQ(statusOf(contact), MISTATUS_ONLINE);
    host().setPresence(L"bob", 3, L"Busy");
    EXPECT_EQ(statusOf(contact), MISTATUS_DO_NOT_DISTURB);
    host().setPresence(L"bob", 9, L"");
    EXPECT_EQ(statusOf(contact), MISTATUS_UNKNOWN);
}

TEST_F(MessengerContact, ReportsUnknownOrOfflineWhenThePresenceCannotBeRead)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    ASSERT_TRUE(contact);
    host().failMethod(HostMethod::GetPresenceForContact, E_FAIL, 1);
    EXPECT_EQ(statusOf(contact), MISTATUS_UNKNOWN);
    EXPECT_TRUE(logged(L"pIMAndPresence->GetPresenceForContact failed returning MISTATUS_UNKNOWN", 4, L"get_Status"));

    host().answerWrongObject(HostMethod::GetPresenceForContact, 1);
    EXPECT_EQ(statusOf(contact), MISTATUS_OFFLINE);
    host().answerEmpty(HostMethod::GetPresenceForContact, 1);
    EXPECT_EQ(statusOf(contact), MISTATUS_OFFLINE);
    EXPECT_EQ(host().loggedCount(L"pDispPresenceState->QueryInterface<IPresenceState> failed"), 2u);
}

TEST_F(MessengerContact, WithoutAPresenceSourceReportsOfflineAndNoProperties)
{
    // The contact's presence source is made once, with the contact.
    host().failMethod(HostMethod::CreateIMAndPresence, E_FAIL, 1);
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    ASSERT_TRUE(contact);
    EXPECT_EQ(statusOf(contact), MISTATUS_OFFLINE);
    EXPECT_TRUE(logged(L"could not create a IIMAndPresence object", 4, L"get_Status"));

    Variant value = Variant::fromInt32(42);
    EXPECT_EQ(contact->get_PresenceProperties(value.get()), E_FAIL);
    EXPECT_EQ(int32Of(value), 42);
    EXPECT_TRUE(logged(L"Could not get IIMAndPresence object", 4, L"get_PresenceProperties"));
}

TEST_F(MessengerContact, PresencePropertiesFollowTheHostOrPhoneMode)
{
    host().setPresence(L"bob", 2, L"Be right back");
    // Flags 0 and 1 are not phone mode; 2 and 3 are.
    const std::pair<std::uint32_t, bool> cases[] = {{0, false}, {1, false}, {2, true}, {3, true}};
    for (const auto& configuration : cases) {
        const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob", configuration.first);
        ASSERT_TRUE(contact);
        host().resetCallCounts();
        Variant value;
        ASSERT_EQ(contact->get_PresenceProperties(value.out()), S_OK);
        const std::vector<Variant> elements = presenceElements(*value.get());
        ASSERT_EQ(elements.size(), 12u);
        const bool phoneMode = configuration.second;
        EXPECT_EQ(int32Of(elements[PRESENCE_PROP_MSTATE]), phoneMode ? MISTATUS_ONLINE : MISTATUS_AWAY)
            << "flags " << configuration.first;
        EXPECT_EQ(stringOf(elements[PRESENCE_PROP_CUSTOM_STATUS_STRING]), phoneMode ? L"Phone mode" : L"Be right back");
        EXPECT_EQ(host().callCount(HostMethod::RequestPresenceState), phoneMode ? 0u : 1u);
    }
}

TEST_F(MessengerContact, PresencePropertiesAreUnknownWhenTheHostContactCannotBeReached)
{
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    ASSERT_TRUE(contact);
    Variant value;

    host().failMethod(HostMethod::GetContact, E_FAIL, 1);
    ASSERT_EQ(contact->get_PresenceProperties(value.out()), S_OK);
    EXPECT_EQ(int32Of(presenceElements(*value.get())[PRESENCE_PROP_AVAILABILITY]), 18000);
    EXPECT_TRUE(logged(L"GetContact failed", 4, L"get_PresenceProperties"));

    host().answerWrongObject(HostMethod::GetContact, 1);
    ASSERT_EQ(contact->get_PresenceProperties(value.out()), S_OK);
    EXPECT_EQ(int32Of(presenceElements(*value.get())[PRESENCE_PROP_AVAILABILITY]), 18000);
    EXPECT_TRUE(logged(L"Unable to QueryInterface IDispatch for IContact", 4, L"get_PresenceProperties"));

    host().failMethod(HostMethod::RequestPresenceState, E_FAIL, 1);
    ASSERT_EQ(contact->get_PresenceProperties(value.out()), S_OK);
    EXPECT_EQ(int32Of(presenceElements(*value.get())[PRESENCE_PROP_AVAILABILITY]), 18000);
    EXPECT_TRUE(logged(L"get_PresenceProperties failed", 4, L"get_PresenceProperties"));
}

TEST_F(MessengerContact, PresencePropertiesOfAContactWithoutSigninNameAreUnknown)
{
    host().addContact(person(L"", L"Nobody"));
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"");
    ASSERT_TRUE(contact);
    host().resetCallCounts();
    Variant value;
    ASSERT_EQ(contact->get_PresenceProperties(value.out()), S_OK);
    EXPECT_EQ(int32Of(presenceElements(*value.get())[PRESENCE_PROP_MSTATE]), MISTATUS_UNKNOWN);
    EXPECT_TRUE(logged(L"SigninName length < 1, returning UNKNOWN", 4, L"get_PresenceProperties"));
    EXPECT_EQ(host().callCount(HostMethod::GetContact), 0u);
}

TEST_F(MessengerContact, PresencePropertiesRefreshThePhoneNumbersWithoutForgettingAny)
{
    fakehost::ContactRecord bob = person(L"bob", L"Bob Builder");
    bob.workNumber = L"100";
    host().addContact(bob);
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"bob");
    ASSERT_TRUE(contact);

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

TEST_F(MessengerContact, SetIsSelfAndSetPhoneNumberKeepOnlyWhatCounts)
{
    const extensionsutils::MICComPtr<TavoMessengerContact> made =
        TavoMessengerExtensionBroker::CreateMessengerContact(host().makeContactObject(L"bob").get(), flags(0));
    ASSERT_TRUE(made);
    const ComPtr<IMessengerContactAdvanced> contact = made.as<IMessengerContactAdvanced>();
    VARIANT_BOOL self = VARIANT_FALSE;
    made->SetIsSelf(1);
    EXPECT_EQ(contact->get_IsSelf(&self), S_OK);
    EXPECT_EQ(self, VARIANT_FALSE);
    made->SetIsSelf(VARIANT_TRUE);
    EXPECT_EQ(contact->get_IsSelf(&self), S_OK);
    EXPECT_EQ(self, VARIANT_TRUE);

    const Bstr first(L"555");
    made->SetPhoneNumber(MPHONE_TYPE_HOME, first.get());
    made->SetPhoneNumber(MPHONE_TYPE_HOME, nullptr);
    made->SetPhoneNumber(MPHONE_TYPE_HOME, Bstr(L"").get());
    EXPECT_EQ(phoneNumberOf(contact, MPHONE_TYPE_HOME), L"555");
}

} // namespace
