// The host's presence as the Messenger API shows it: the status and availability table, the presence
// properties array in its normal, phone-mode and unknown forms, and a new Messenger contact per host
// contact.

#include "MessengerFixture.h"

#include "IMessenger/TavoMessengerExtensionBroker.h"

#include "extensionsutils/Bstr.h"

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using fakehost::HostMethod;
using Broker = TavoMessengerExtensionBroker;

namespace {

class PresenceConversionTest : public MessengerTest {
protected:
    MISTATUS statusOf(long presence)
    {
        const ComPtr<IPresenceState> state = host().makePresenceState(presence, L"text").as<IPresenceState>();
        return Broker::ConvertPresenceStateToMIStatus(state.get());
    }

    // The array's elements; `state`, `availability`, `note`, `custom` and calendar as given, the rest empty.
    void expectForm(const Variant& value, LONG state, LONG availability, const Variant& note, const wchar_t* custom,
                    const Variant& calendar)
    {
        const std::vector<Variant> elements = presenceElements(*value.get());
        if (elements.size() != 12) return;
        EXPECT_EQ(int32Of(elements[PRESENCE_PROP_MSTATE]), state);
        EXPECT_EQ(int32Of(elements[PRESENCE_PROP_AVAILABILITY]), availability);
        EXPECT_TRUE(sameValue(elements[PRESENCE_PROP_PRESENCE_NOTE], note));
        EXPECT_EQ(stringOf(elements[PRESENCE_PROP_CUSTOM_STATUS_STRING]), custom);
        EXPECT_TRUE(sameValue(elements[PRESENCE_PROP_CURRENT_CALENDAR_STATE], calendar));
        for (int index : {2, 4, 5, 7, 9, 10, 11}) EXPECT_TRUE(elements[index].isEmpty()) << "element " << index;
    }

    void expectUnknownForm(const Variant& value)
    {
        expectForm(value, MISTATUS_UNKNOWN, 18000, Variant::fromString(L""), L"", Variant::fromInt32(1));
    }
};

TEST_F(PresenceConversionTest, MapsHostPresenceToStatusAndAvailability)
{
    const struct {
        long presence;
        MISTATUS status;
        LONG availability;
    } table[] = {{1, MISTATUS_ONLINE, 3000}, {2, MISTATUS_AWAY, 15000}, {3, MISTATUS_DO_NOT_DISTURB, 9000},
                 {4, MISTATUS_AWAY, 15000},  {5, MISTATUS_OFFLINE, 0},  {0, MISTATUS_UNKNOWN, 0},
                 {6, MISTATUS_UNKNOWN, 0},   {-1, MISTATUS_UNKNOWN, 0}};
    for (const auto& row : table) {
        EXPECT_EQ(statusOf(row.presence), row.status) << "host presence " << row.presence;
        EXPECT_EQ(Broker::ConvertPresenceStateToAvailability(row.presence), row.availability) << row.presence;
    }
    host().failMethod(HostMethod::GetPresenceState);
    EXPECT_EQ(statusOf(1), MISTATUS_UNKNOWN);
    EXPECT_EQ(Broker::ConvertPresenceStateToMIStatus(nullptr), MISTATUS_UNKNOWN);
    EXPECT_TRUE(logged(L"get_Presence failed", 4, L"TavoMessengerExtensionBroker::ConvertPresenceStateToMIStatus"));
}

TEST_F(PresenceConversionTest, BuildsThePropertiesArrayInItsThreeForms)
{
    expectForm(Broker::GetPresenceState(host().makePresenceState(4, L"Out for lunch").get()), MISTATUS_AWAY, 15000,
               Variant(), L"Out for lunch", Variant::fromInt32(1));
    expectForm(Broker::GetPhoneModePresenceState(), MISTATUS_ONLINE, 0, Variant(), L"Phone mode",
               Variant::fromString(L""));
    expectUnknownForm(Broker::GetUnknownPresenceState());
}

TEST_F(PresenceConversionTest, EveryUnreadablePresenceGivesTheUnknownForm)
{
    const wchar_t* const function = L"TavoMessengerExtensionBroker::GetPresenceState";
    expectUnknownForm(Broker::GetPresenceState(nullptr));
    EXPECT_TRUE(logged(L"extensionProviderPresenceStateDispatch is NULL", 4, function));
    expectUnknownForm(Broker::GetPresenceState(host().makeWrongObject().get()));
    EXPECT_TRUE(logged(L"Unable to QueryInterface for IPresenceState from IDispatch", 4, function));
    host().failMethod(HostMethod::GetPresenceState, E_FAIL, 1);
    expectUnknownForm(Broker::GetPresenceState(host().makePresenceState(1, L"x").get()));
    EXPECT_TRUE(logged(L"get_PresenceState failed", 4, function));
    host().failMethod(HostMethod::GetPresenceString, E_FAIL, 1);
    expectUnknownForm(Broker::GetPresenceState(host().makePresenceState(1, L"x").get()));
    EXPECT_TRUE(logged(L"get_PresenceString failed", 4, function));
}

TEST_F(PresenceConversionTest, CopiesNamesAndNumbersIntoANewContactAndKeepsNoEmptyNumber)
{
    host().addContact({L"dave", L"dave-id", L"Dave Diver", L"+1 work", L"+1 home", L"", L"+1 other"});
    const ComPtr<IMessengerContactAdvanced> contact = contactOf(L"dave");
    ASSERT_TRUE(contact);
    Bstr text;
    EXPECT_EQ(contact->get_FriendlyName(text.out()), S_OK);
    EXPECT_EQ(text.str(), L"Dave Diver");
    const std::pair<MPHONE_TYPE, const wchar_t*> numbers[] = {
        {MPHONE_TYPE_WORK, L"+1 work"}, {MPHONE_TYPE_HOME, L"+1 home"}, {MPHONE_TYPE_CUSTOM, L"+1 other"}};
    for (const auto& [type, number] : numbers) {
        EXPECT_EQ(contact->get_PhoneNumber(type, text.out()), S_OK);
        EXPECT_EQ(text.str(), number);
    }
    BSTR untouched = kUnwrittenBstr;
    EXPECT_EQ(contact->get_PhoneNumber(MPHONE_TYPE_MOBILE, &untouched), S_OK);
    EXPECT_EQ(untouched, kUnwrittenBstr) << "the empty mobile number is not kept at all";
    EXPECT_FALSE(extensionsutils::sameComObject(contact.get(), contactOf(L"dave").get()));
}

TEST_F(PresenceConversionTest, AnyUnreadableHostFieldGivesNoContact)
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
    host().clearLog();
    const auto flags = std::make_shared<Configuration>(0);
    EXPECT_FALSE(Broker::CreateMessengerContact(nullptr, flags));
    EXPECT_FALSE(Broker::CreateMessengerContact(host().makeWrongObject().get(), flags));
    EXPECT_EQ(host().loggedCount(L"Unable to QueryInterface IDispatch for IContact"), 1u);
}

} // namespace
