#include "ContactFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;

namespace {

// What Office 2013/2016 does with the people of a mail it shows, in the order it does it.
class OfficeSequenceTest : public ContactFixture
{
protected:
    struct Card {
        LONG availability = -1;
        std::wstring activity;
        std::wstring customActivity;
        std::wstring displayName;
        std::vector<std::wstring> addresses;
        std::size_t endpoints = 0;
        VARIANT_BOOL canChat = 7;
        VARIANT_BOOL canCall = 7;
    };

    Card readCard(IUCCContact* contact)
    {
        Card card;
        Variant value;
        EXPECT_EQ(contact->CanStart(ucModalityInstantMessage, &card.canChat), S_OK);
        EXPECT_EQ(contact->CanStart(ucModalityAudioVideo, &card.canCall), S_OK);
        EXPECT_EQ(contact->GetContactInformation(ucPresenceAvailability, value.out()), S_OK);
        card.availability = value.get()->lVal;
        EXPECT_EQ(contact->GetContactInformation(ucPresenceActivity, value.out()), S_OK);
        card.activity = textOf(value);
        EXPECT_EQ(contact->GetContactInformation(ucPresenceCustomActivity, value.out()), S_OK);
        const std::vector<ComPtr<IDispatch>> custom = dispatchesOf(value);
        Bstr text;
        if (custom.size() == 1 && custom[0].as<IUCCLocaleString>()) custom[0].as<IUCCLocaleString>()->get_Value(text.out());
        card.customActivity = text.str();
        EXPECT_EQ(contact->GetContactInformation(ucPresenceDisplayName, value.out()), S_OK);
        card.displayName = textOf(value);
        EXPECT_EQ(contact->GetContactInformation(ucPresenceInstantMessageAddresses, value.out()), S_OK);
        card.addresses = stringsOf(value);
        EXPECT_EQ(contact->GetContactInformation(ucPresenceContactEndpoints, value.out()), S_OK);
        card.endpoints = dispatchesOf(value).size();
        return card;
    }
};

} // namespace

TEST_F(OfficeSequenceTest, AMailHeaderWithTheUserAndAColleague)
{
    ComPtr<IUCCContact> self = contactFor(kUser);
    ComPtr<IUCCContact> bob = contactFor(kBob);
    adviseContactSink(self.get());
    adviseContactSink(bob.get());

    const Card selfCard = readCard(self.get());
    EXPECT_EQ(selfCard.canChat, VARIANT_TRUE);
    EXPECT_EQ(selfCard.canCall, VARIANT_TRUE);
    EXPECT_EQ(selfCard.availability, 3500);
    EXPECT_EQ(selfCard.activity, L"Available");
    EXPECT_EQ(selfCard.customActivity, L"Available");
    EXPECT_EQ(selfCard.displayName, L"Alice Liddell");
    EXPECT_EQ(selfCard.addresses, std::vector<std::wstring>{kUser});
    EXPECT_EQ(selfCard.endpoints, 2u);

    const Card bobsCard = readCard(bob.get());
    EXPECT_EQ(bobsCard.canChat, VARIANT_FALSE);
    EXPECT_EQ(bobsCard.canCall, VARIANT_FALSE);
    EXPECT_EQ(bobsCard.availability, 9500);
    EXPECT_EQ(bobsCard.activity, L"Do not disturb");
    EXPECT_EQ(bobsCard.displayName, L"Bob Builder");
    EXPECT_EQ(bobsCard.endpoints, 4u);

    ComPtr<IUCCContactSubscription> subscription;
    ASSERT_EQ(manager->CreateSubscription(subscription.out()), S_OK);
    EXPECT_EQ(subscription->AddContact(self.get()), S_OK);
    EXPECT_EQ(subscription->AddContact(bob.get()), S_OK);
    extensionsutils::SafeArray types =
        int32Array({ucPresenceAvailability, ucPresenceActivity, ucPresenceCustomActivity, ucPresenceDisplayName});
    EXPECT_EQ(subscription->Subscribe(static_cast<ContactSubscriptionRefreshRate>(1), types.get()), S_OK);

    ComPtr<IUCCContactInformationDictionary> batch;
    ASSERT_EQ(bob->BatchGetContactInformation(types.get(), batch.out()), S_OK);
    LONG count = 0;
    EXPECT_EQ(batch->get_Count(&count), S_OK);
    EXPECT_EQ(count, 4);

    // Bob becomes available: Office hears it from the worker thread and reads the new value.
    host().setPresence(kBob, 1, L"Available");
    host().fireContactChanged(kBob, {4});
    runOnWorker([] {});
    const std::vector<fakeoffice::OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(extensionsutils::sameComObject(events[0].arguments[0].get()->pdispVal, bob.get()));
    EXPECT_EQ(events[0].apartment, "MTA");
    EXPECT_EQ(readCard(bob.get()).availability, 3500);

    // The tag on the contact card.
    ComPtr<IUCCContactSettingDictionary> settings;
    ASSERT_EQ(bob->get_Settings(settings.out()), S_OK);
    Variant tagged;
    EXPECT_EQ(settings->get_Item(ucContactTagged, tagged.out()), S_OK);
    EXPECT_EQ(tagged.get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(bob->ChangeSetting(ucContactTagged, *Variant::fromBool(false).get(), nullptr, *Variant().get(), nullptr),
              S_OK);
    EXPECT_EQ(host().tagRequests(), (std::vector<std::pair<std::wstring, long>>{{kBob, 0}}));
    EXPECT_EQ(host().openReadTransactions(), 0u);
}
