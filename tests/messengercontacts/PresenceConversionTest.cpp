#include "IMessenger/TavoMessengerExtensionBroker.h"

#include "MessengerFixture.h"

#include <gtest/gtest.h>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using fakehost::HostMethod;

namespace {

class PresenceConversion : public MessengerFixture {
protected:
    MISTATUS statusOf(long presence)
    {
        const ComPtr<IPresenceState> state = host().makePresenceState(presence, L"text").as<IPresenceState>();
        return TavoMessengerExtensionBroker::ConvertPresenceStateToMIStatus(state.get());
    }

    bool logged(const std::wstring& message, const std::wstring& operation)
    {
        return MessengerFixture::logged(message, 4, L"TavoMessengerExtensionBroker::" + operation,
                                        L"TavoMessengerExtensionBroker");
    }

    void expectUnknownForm(const Variant& value)
    {
        const std::vector<Variant> elements = presenceElements(*value.get());
        if (elements.size() != 12) return;
        EXPECT_EQ(int32Of(elements[PRESENCE_PROP_MSTATE]), MISTATUS_UNKNOWN);
        EXPECT_EQ(int32Of(elements[PRESENCE_PROP_AVAILABILITY]), 18000);
        EXPECT_EQ(stringOf(elements[PRESENCE_PROP_PRESENCE_NOTE]), L"");
        EXPECT_EQ(stringOf(elements[PRESENCE_PROP_CUSTOM_STATUS_STRING]), L"");
        EXPECT_EQ(int32Of(elements[PRESENCE_PROP_CURRENT_CALENDAR_STATE]), 1);
        for (int index : {2, 4, 5, 7, 9, 10, 11}) EXPECT_TRUE(elements[index].isEmpty()) << "element " << index;
    }
};

TEST_F(PresenceConversion, MapsHostPresenceToStatusAndAvailability)
{
    struct Row {
        long presence;
        MISTATUS status;
        LONG availability;
    };
    const Row table[] = {{1, MISTATUS_ONLINE, 3000},         {2, MISTATUS_AWAY, 15000}, {3, MISTATUS_DO_NOT_DISTURB, 9000},
                         {4, MISTATUS_AWAY, 15000},          {5, MISTATUS_OFFLINE, 0},  {0, MISTATUS_UNKNOWN, 0},
                         {6, MISTATUS_UNKNOWN, 0},           {-1, MISTATUS_UNKNOWN, 0}};
    for (const Row& row : table) {
        EXPECT_EQ(statusOf(row.presence), row.status) << "host presence " << row.presence;
        EXPECT_EQ(TavoMessengerExtensionBroker::ConvertPresenceStateToAvailability(row.presence), row.availability)
            << "host presence " << row.presence;
    }
}

TEST_F(PresenceConversion, AnUnreadablePresenceIsUnknownNotAnError)
{
    host().failMethod(HostMethod::GetPresenceState);
    EXPECT_EQ(statusOf(1), MISTATUS_UNKNOWN);
    EXPECT_EQ(TavoMessengerExtensionBroker::ConvertPresenceStateToMIStatus(nullptr), MISTATUS_UNKNOWN);
    EXPECT_TRUE(logged(L"get_Presence failed", L"ConvertPresenceStateToMIStatus"));
}

TEST_F(PresenceConversion, BuildsThePropertiesArrayFromTheHostPresence)
{
    const Variant value = TavoMessengerExtensionBroker::GetPresenceState(host().makePresenceState(4, L"Out for lunch").get());

    const std::vector<Variant> elements = presenceElements(*value.get());
    ASSERT_EQ(elements.size(), 12u);
    EXPECT_EQ(int32Of(elements[PRESENCE_PROP_MSTATE]), MISTATUS_AWAY);
    EXPECT_EQ(int32Of(elements[PRESENCE_PROP_AVAILABILITY]), 15000);
    EXPECT_EQ(stringOf(elements[PRESENCE_PROP_CUSTOM_STATUS_STRING]), L"Out for lunch");
    EXPECT_EQ(int32Of(elements[PRESENCE_PROP_CURRENT_CALENDAR_STATE]), 1);
    for (int index : {2, 3, 4, 5, 7, 9, 10, 11}) EXPECT_TRUE(elements[index].isEmpty()) << "element " << index;
}

TEST_F(PresenceConversion, BuildsThePhoneModeAndUnknownForms)
{
    const Variant phone = TavoMessengerExtensionBroker::GetPhoneModePresenceState();
    const std::vector<Variant> elements = presenceElements(*phone.get());
    ASSERT_EQ(elements.size(), 12u);
    EXPECT_EQ(int32Of(elements[PRESENCE_PROP_MSTATE]), MISTATUS_ONLINE);
    EXPECT_EQ(int32Of(elements[PRESENCE_PROP_AVAILABILITY]), 0);
    EXPECT_EQ(stringOf(elements[PRESENCE_PROP_CUSTOM_STATUS_STRING]), L"Phone mode");
    EXPECT_EQ(stringOf(elements[PRESENCE_PROP_CURRENT_CALENDAR_STATE]), L"");
    for (int index : {2, 3, 4, 5, 7, 9, 10, 11}) EXPECT_TRUE(elements[index].isEmpty()) << "element " << index;

    expectUnknownForm(TavoMessengerExtensionBroker::GetUnknownPresenceState());
}

TEST_F(PresenceConversion, EveryUnreadablePresenceGivesTheUnknownForm)
{
    expectUnknownForm(TavoMessengerExtensionBroker::GetPresenceState(nullptr));
    EXPECT_TRUE(logged(L"extensionProviderPresenceStateDispatch is NULL", L"GetPresenceState"));

    expectUnknownForm(TavoMessengerExtensionBroker::GetPresenceState(host().makeWrongObject().get()));
    EXPECT_TRUE(logged(L"Unable to QueryInterface for IPresenceState from IDispatch", L"GetPresenceState"));

    host().failMethod(HostMethod::GetPresenceState, E_FAIL, 1);
    expectUnknownForm(TavoMessengerExtensionBroker::GetPresenceState(host().makePresenceState(1, L"x").get()));
    EXPECT_TRUE(logged(L"get_PresenceState failed", L"GetPresenceState"));

    host().failMethod(HostMethod::GetPresenceString, E_FAIL, 1);
    expectUnknownForm(TavoMessengerExtensionBroker::GetPresenceState(host().makePresenceState(1, L"x").get()));
    EXPECT_TRUE(logged(L"get_PresenceString failed", L"GetPresenceState"));
}

// ----- CreateMessengerContact -----

TEST_F(PresenceConversion, CopiesNamesAndNumbersIntoANewContact)
{
    fakehost::ContactRecord dave = person(L"dave", L"Dave Diver");
    dave.workNumber = L"+1 work";
    dave.homeNumber = L"+1 home";
    dave.otherNumber = L"+1 other";
    host().addContact(dave);

    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"dave");
    ASSERT_TRUE(contact);
    Bstr text;
    EXPECT_EQ(contact->get_FriendlyName(text.out()), S_OK);
    EXPECT_EQ(text.str(), L"Dave Diver");
    EXPECT_EQ(contact->get_SigninName(text.out()), S_OK);
    EXPECT_EQ(text.str(), L"dave");

    const std::pair<MPHONE_TYPE, const wchar_t*> numbers[] = {
        {MPHONE_TYPE_WORK, L"+1 work"}, {MPHONE_TYPE_HOME, L"+1 home"}, {MPHONE_TYPE_CUSTOM, L"+1 other"}};
    for (const auto& number : numbers) {
        EXPECT_EQ(contact->get_PhoneNumber(number.first, text.out()), S_OK);
        EXPECT_EQ(text.str(), number.second);
    }
    // The empty mobile number is not kept at all: the caller's string stays as it was.
    BSTR untouched = reinterpret_cast<BSTR>(0x1234);
    EXPECT_EQ(contact->get_PhoneNumber(MPHONE_TYPE_MOBILE, &untouched), S_OK);
    EXPECT_EQ(untouched, reinterpret_cast<BSTR>(0x1234));

    VARIANT_BOOL flag = VARIANT_TRUE;
    EXPECT_EQ(contact->get_Blocked(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);
    flag = VARIANT_TRUE;
    EXPECT_EQ(contact->get_IsTagged(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);
    flag = VARIANT_TRUE;
    EXPECT_EQ(contact->get_IsSelf(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);
}

TEST_F(PresenceConversion, EveryCallMakesADistinctContact)
{
    const ComPtr<IMessengerContactAdvanced> first = contactOf(L"bob");
    const ComPtr<IMessengerContactAdvanced> second = contactOf(L"bob");
    ASSERT_TRUE(first && second);
    EXPECT_FALSE(extensionsutils::sameComObject(first.get(), second.get()));
}

TEST_F(PresenceConversion, AnyUnreadableHostFieldGivesNoContact)
{
    const std::pair<HostMethod, const wchar_t*> reads[] = {
        {HostMethod::GetFriendlyName, L"extensionProviderContact->get_FriendlyName failed"},
        {HostMethod::GetSigninName, L"extensionProviderContact->get_SigninName failed"},
        {HostMethod::GetWorkNumber, L"extensionProviderContact->get_WorkNumber failed"},
        {HostMethod::GetMobileNumber, L"extensionProviderContact->get_MobileNumber failed"},
        {HostMethod::GetHomeNumber, L"extensionProviderContact->get_HomeNumber failed"},
        {HostMethod::GetOtherNumber, L"extensionProviderContact->get_OtherNumber failed"},
    };
    for (const auto& read : reads) {
        host().failMethod(read.first, E_FAIL, 1);
        EXPECT_FALSE(contactOf(L"bob")) << "failing " << static_cast<int>(read.first);
        EXPECT_TRUE(logged(read.second, L"CreateMessengerContact"));
    }

    host().clearLog();
    EXPECT_FALSE(TavoMessengerExtensionBroker::CreateMessengerContact(nullptr, flags(0)));
    EXPECT_FALSE(TavoMessengerExtensionBroker::CreateMessengerContact(host().makeWrongObject().get(), flags(0)));
    EXPECT_EQ(host().loggedCount(L"Unable to QueryInterface IDispatch for IContact"), 1u);
}

} // namespace
