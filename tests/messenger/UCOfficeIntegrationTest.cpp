// The UC entry that Office 2013/2016 asks the Messenger object for: features, authentication, the entry
// objects, and the shutdown event.

#include "MessengerFixture.h"

#include "support/LateBoundCall.h"

#include "Workers.h"

#include "extensionsutils/Bstr.h"

#include <algorithm>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;
using fakeoffice::OfficeEventJournal;

namespace {

class UCOfficeIntegrationTest : public MessengerTest {
protected:
    // The UC entry's own IDispatch (IDispatch asked of the object is the Messenger API's).
    ComPtr<IDispatch> entry() const { return ComPtr<IDispatch>(messenger.as<IUCOfficeIntegration>().get()); }

    LateBoundResult authenticationInfo(IDispatch* integration, const Variant& version)
    {
        return callByName(integration, L"GetAuthenticationInfo", DISPATCH_METHOD, {version});
    }
};

TEST_F(UCOfficeIntegrationTest, SupportedFeaturesAreTheFourAnnouncedForAnyVersion)
{
    for (const Variant& version : {Variant::fromString(L"15.0.0.0"), Variant::fromString(L""), Variant()}) {
        const LateBoundResult features = callByName(entry().get(), L"GetSupportedFeatures", DISPATCH_METHOD, {version});
        EXPECT_EQ(oiFeatureNonBuddyPresence | oiFeatureContactTagging | oiFeatureQuickContacts | oiFeatureResolveContact,
                  int32Of(features.value));
    }
    EXPECT_EQ(E_POINTER, messenger.as<IUCOfficeIntegration>()->GetSupportedFeatures(nullptr, nullptr));
    EXPECT_TRUE(logged(L"Supported features requested", 1, L"UCOfficeIntegrationImpl::GetSupportedFeatures"));
}

TEST_F(UCOfficeIntegrationTest, OnlyTheThreeKnownOfficeVersionsAreToldToAuthenticate)
{
    const std::pair<Variant, const wchar_t*> cases[] = {
        {Variant::fromString(L"14.0.0.0"), L"<authenticationinfo>"},
        {Variant::fromString(L"15.0.0.0"), L"<authenticationinfo>"},
        {Variant::fromString(L"16.0.0.0"), L"<authenticationinfo>"},
        {Variant::fromString(L"15.0"), L""},
        {Variant::fromString(L"12.0.0.0"), L""},
        {Variant::fromString(L"16.0.0.0 "), L""},
        {Variant::fromString(L"16.0.0.00"), L""},
        {Variant::fromString(L""), L""},
        {Variant::fromString(std::wstring(L"15.0.0.0\0x", 10)), L""}, // not the version it starts with
    };
    for (const auto& [version, answer] : cases) {
        const LateBoundResult info = authenticationInfo(entry().get(), version);
        EXPECT_EQ(S_OK, info.member);
        EXPECT_EQ(answer, stringOf(info.value)) << "an empty answer must still be a string";
    }
    ComPtr<IUCOfficeIntegration> integration = messenger.as<IUCOfficeIntegration>();
    BSTR info = nullptr;
    EXPECT_EQ(S_OK, integration->GetAuthenticationInfo(nullptr, &info));
    EXPECT_NE(nullptr, info);
    SysFreeString(info);
    EXPECT_EQ(E_POINTER, integration->GetAuthenticationInfo(Bstr(L"15.0.0.0").get(), nullptr));
    EXPECT_TRUE(logged(L"Office version 15.0.0.0 authenticated against ZERadivuvarided", 2,
                       L"UCOfficeIntegrationImpl::GetAuthenticationInfo"));
    EXPECT_TRUE(host().logged(L"Office version 12.0.0.0 authenticated against ZERadivuvarided"))
        << "every call is logged, matched or not";
}

TEST_F(UCOfficeIntegrationTest, FlagValueOneEmptiesTheAuthenticationAnswerAndPhoneModeDoesNot)
{
    const std::pair<std::uint32_t, const wchar_t*> cases[] = {
        {0, L"<authenticationinfo>"}, {1, L""}, {2, L"<authenticationinfo>"}, {3, L""}};
    for (const auto& [flags, answer] : cases) {
        ComPtr<IDispatch> integration(createMessenger(flags).as<IUCOfficeIntegration>().get());
        EXPECT_EQ(answer, stringOf(authenticationInfo(integration.get(), Variant::fromString(L"16.0.0.0")).value))
            << flags;
    }
}

TEST_F(UCOfficeIntegrationTest, HandsOutTheOneClientAndAutomationObjectAndNothingElse)
{
    ComPtr<IUCOfficeIntegration> integration = messenger.as<IUCOfficeIntegration>();
    ComPtr<IDispatch> client, again, automation;
    ASSERT_EQ(S_OK, integration->GetInterface(Bstr(L"15.0.0.0").get(), oiInterfaceIUCCLyncClient, client.out()));
    ASSERT_EQ(S_OK, integration->GetInterface(Bstr(L"16.0.0.0").get(), oiInterfaceIUCCLyncClient, again.out()));
    ASSERT_EQ(S_OK, integration->GetInterface(Bstr(L"15.0.0.0").get(), oiInterfaceIUCCAutomation, automation.out()));
    EXPECT_TRUE(extensionsutils::sameComObject(client.get(), again.get()));
    EXPECT_TRUE(client.as<IUCCLyncClient>());
    EXPECT_TRUE(automation.as<IUCCAutomation>());
    EXPECT_EQ(E_POINTER, integration->GetInterface(Bstr(L"15.0.0.0").get(), oiInterfaceIUCCLyncClient, nullptr));
    for (long requested : {3L, 256L, 257L, 0L, -1L}) {
        IDispatch* value = kUnwrittenDispatch;
        EXPECT_EQ(E_NOTIMPL, integration->GetInterface(Bstr(L"16.0.0.0").get(), static_cast<OIInterface>(requested), &value));
        EXPECT_EQ(kUnwrittenDispatch, value) << requested;
    }
    EXPECT_TRUE(logged(L"ILyncClient instance requested", 1, L"UCOfficeIntegrationImpl::getLyncClientDispatch"));
    EXPECT_TRUE(logged(L"IAutomation instance requested", 1, L"UCOfficeIntegrationImpl::getAutomationDispatch"));
}

TEST_F(UCOfficeIntegrationTest, ShutdownTellsBothApisInOrderOnTheirOwnConnectionPoints)
{
    auto journal = std::make_shared<OfficeEventJournal>();
    ComPtr<FakeOfficeSink> messengerSink = FakeOfficeSink::create(DIID_DMessengerEvents, journal);
    ComPtr<FakeOfficeSink> ucSink = FakeOfficeSink::create(DIID__IUCOfficeIntegrationEvents, journal);
    ASSERT_EQ(S_OK, messengerSink->advise(messenger.identity()));
    ASSERT_EQ(S_OK, ucSink->advise(messenger.identity()));
    TavoMessengerStateWorkers::applicationShutdown(messenger);
    // Each sink gets its events in order; the order across sinks is open.
    std::vector<OfficeEvent> events = journal->events();
    std::stable_partition(events.begin(), events.end(),
                          [](const OfficeEvent& event) { return IsEqualIID(DIID_DMessengerEvents, event.eventInterface); });
    ASSERT_EQ(3u, events.size());
    EXPECT_EQ(0x407, events[0].id);
    EXPECT_EQ(0x408, events[1].id);
    EXPECT_EQ(50, events[2].id);
    EXPECT_TRUE(IsEqualIID(DIID__IUCOfficeIntegrationEvents, events[2].eventInterface));
    EXPECT_TRUE(events[2].arguments.empty());
    EXPECT_EQ(S_OK, messengerSink->unadvise());
    EXPECT_EQ(S_OK, ucSink->unadvise());
    EXPECT_EQ(S_OK, messenger->Fire_OnShuttingDown()) << "nobody connected";
}

TEST_F(UCOfficeIntegrationTest, ASinkThatFailsShuttingDownDoesNotStopTheOthers)
{
    auto journal = std::make_shared<OfficeEventJournal>();
    ComPtr<FakeOfficeSink> failing = FakeOfficeSink::create(DIID__IUCOfficeIntegrationEvents, journal);
    ComPtr<FakeOfficeSink> healthy = FakeOfficeSink::create(DIID__IUCOfficeIntegrationEvents, journal);
    failing->setResult(E_UNEXPECTED);
    ASSERT_EQ(S_OK, failing->advise(messenger.identity()));
    ASSERT_EQ(S_OK, healthy->advise(messenger.identity()));
    messenger->Fire_OnShuttingDown();
    EXPECT_EQ(2u, journal->count());
    EXPECT_EQ(S_OK, failing->unadvise());
    EXPECT_EQ(S_OK, healthy->unadvise());
}

} // namespace
