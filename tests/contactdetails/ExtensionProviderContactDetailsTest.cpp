#include "IUCOfficeIntegration/ExtensionProviderContactDetails.h"

#include "DetailsFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

using extensionsutils::Bstr;
using fakehost::HostMethod;

namespace {

class ExtensionProviderContactDetailsTest : public DetailsFixture {
protected:
    void SetUp() override
    {
        DetailsFixture::SetUp();
        details = std::make_shared<ExtensionProviderContactDetails>(hostContact());
    }
    void TearDown() override
    {
        details.reset();
        DetailsFixture::TearDown();
    }

    std::shared_ptr<ContactDetails> details;
};

TEST_F(ExtensionProviderContactDetailsTest, MapsEveryHostPresenceValueToItsAvailabilityNumber)
{
    const std::pair<long, LONG> expected[] = {{1, 3500}, {2, 15500}, {3, 9500}, {4, 15500},
                                              {5, 18500}, {0, 0},    {6, 0},    {-1, 0}};
    for (const auto& value : expected) {
        host().setPresence(kAlice, value.first, L"");
        EXPECT_EQ(details->getPresenceState(), value.second) << "host presence " << value.first;
    }
    EXPECT_EQ(host().callCount(HostMethod::RequestPresenceState), std::size(expected)) << "nothing is cached";
}

TEST_F(ExtensionProviderContactDetailsTest, AnswersNoAvailabilityWhenThePresenceCannotBeRead)
{
    host().failMethod(HostMethod::RequestPresenceState, E_FAIL, 1);
    EXPECT_EQ(details->getPresenceState(), 0);
    host().answerEmpty(HostMethod::RequestPresenceState, 1);
    EXPECT_EQ(details->getPresenceState(), 0);
    host().answerWrongObject(HostMethod::RequestPresenceState, 1);
    EXPECT_EQ(details->getPresenceState(), 0);
    host().failMethod(HostMethod::GetPresenceState, E_FAIL, 1);
    EXPECT_EQ(details->getPresenceState(), 0);

    EXPECT_EQ(onlyRecordOf(L"Unable to request Presence State").hostLevel, 1);
    EXPECT_EQ(onlyRecordOf(L"Unable to QueryInterface IDispatch for IPresenceState").function,
              L"ExtensionProviderContactDetails::getPresenceStateFromExtensionProviderContact");
    EXPECT_EQ(onlyRecordOf(L"Unable to get Presence from PresenceState").hostLevel, 1);
}

TEST_F(ExtensionProviderContactDetailsTest, ReadsThePresenceStringFreshOrFailsWithTheHostsCode)
{
    Bstr text;
    host().setPresence(kAlice, 3, L"Do not disturb");
    ASSERT_EQ(details->getPresenceString(text.out()), S_OK);
    EXPECT_EQ(text.str(), L"Do not disturb");

    host().answerEmpty(HostMethod::RequestPresenceState, 1);
    EXPECT_EQ(details->getPresenceString(text.out()), E_FAIL);
    host().failMethod(HostMethod::GetPresenceString, E_ACCESSDENIED, 1);
    EXPECT_EQ(details->getPresenceString(text.out()), E_ACCESSDENIED);
    EXPECT_FALSE(text);
    EXPECT_EQ(onlyRecordOf(L"Unable to get PresenceString from PresenceState").hostLevel, 1);
}

TEST_F(ExtensionProviderContactDetailsTest, PassesTheHostContactsValuesAndFailuresThrough)
{
    using Getter = HRESULT (ContactDetails::*)(BSTR*);
    const std::tuple<Getter, HostMethod, std::wstring> getters[] = {
        {&ContactDetails::getUri, HostMethod::GetSigninName, kAlice},
        {&ContactDetails::getDisplayName, HostMethod::GetFriendlyName, L"Alice Liddell"},
        {&ContactDetails::getWorkNumber, HostMethod::GetWorkNumber, L"+44 1"},
        {&ContactDetails::getHomeNumber, HostMethod::GetHomeNumber, L"+44 2"},
        {&ContactDetails::getMobileNumber, HostMethod::GetMobileNumber, L"+44 3"},
        {&ContactDetails::getOtherNumber, HostMethod::GetOtherNumber, L"+44 4"},
    };
    HRESULT failure = static_cast<HRESULT>(0x80040200);
    for (const auto& [getter, method, expected] : getters) {
        Bstr value;
        ASSERT_EQ(((*details).*getter)(value.out()), S_OK);
        EXPECT_EQ(value.str(), expected);
        host().failMethod(method, ++failure, 1);
        EXPECT_EQ(((*details).*getter)(value.out()), failure);
        EXPECT_EQ(((*details).*getter)(nullptr), E_POINTER);
    }
    VARIANT_BOOL tagged = VARIANT_FALSE;
    ASSERT_EQ(details->getTagged(&tagged), S_OK);
    EXPECT_EQ(tagged, VARIANT_TRUE);
    EXPECT_EQ(details->getTagged(nullptr), E_POINTER);
    EXPECT_EQ(details->getPresenceString(nullptr), E_POINTER);
    EXPECT_EQ(host().callCount(HostMethod::GetSigninName), 2u) << "a null out pointer never reaches the host";
}

TEST_F(ExtensionProviderContactDetailsTest, TheReadTransactionLastsWhileAnyHolderKeepsTheLock)
{
    std::shared_ptr<TransactionLock> lock = details->getReadTransactionLock();
    std::shared_ptr<TransactionLock> sharedHolder = lock;
    lock.reset();
    EXPECT_EQ(host().openReadTransactions(), 1u);
    sharedHolder.reset();
    EXPECT_EQ(host().openReadTransactions(), 0u);

    host().failMethod(HostMethod::BeginReadTransaction, E_FAIL, 1);
    EXPECT_TRUE(details->getReadTransactionLock()) << "a lock holding nothing, as the host gave nothing";
}

TEST_F(ExtensionProviderContactDetailsTest, LogsItsConstructionAndDestruction)
{
    const void* object = details.get();
    details.reset();
    expectLifeLogged(object, L"ExtensionProviderContactDetails");
}

} // namespace
