// The UC entry that Office 2013/2016 asks the Messenger object for: features, authentication, the entry
// objects, and the shutdown event.

#include "MessengerFixture.h"

#include "support/LateBoundCall.h"

#include "Workers.h"

#include "extensionsutils/Bstr.h"

#include <algorithm>
#include <servprov.h>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;
using fakeoffice::OfficeEventJournal;

namespace {

const wchar_t* const UcSourceFile = L"extensions/tavomessenger/IUCOfficeIntegration/UCOfficeIntegrationImpl";

class UCOfficeIntegrationTest : public MessengerTest {
protected:
    ComPtr<IUCOfficeIntegration> entry(const extensionsutils::MICComPtr<OfficeIntegrationImpl>& object) const
    {
        return object.as<IUCOfficeIntegration>();
    }

    std::wstring authenticationInfo(IUCOfficeIntegration& integration, BSTR version)
    {
        BSTR info = nullptr;
        EXPECT_EQ(S_OK, integration.GetAuthenticationInfo(version, &info));
        EXPECT_NE(nullptr, info) << "an empty answer must still be a string";
        const std::wstring text(info ? info : L"", SysStringLen(info));
        SysFreeString(info);
        return text;
    }
};

TEST_F(UCOfficeIntegrationTest, SupportedFeaturesAreTheFourAnnouncedForAnyVersion)
{
    ComPtr<IUCOfficeIntegration> integration = entry(messenger);
    for (const wchar_t* version : {L"15.0.0.0", L"", L"anything"}) {
        OIFeature features = static_cast<OIFeature>(0);
        EXPECT_EQ(S_OK, integration->GetSupportedFeatures(Bstr(version).get(), &features));
        EXPECT_EQ(204, features);
    }
    OIFeature features = static_cast<OIFeature>(0);
    EXPECT_EQ(S_OK, integration->GetSupportedFeatures(nullptr, &features));
    EXPECT_EQ(oiFeatureNonBuddyPresence | oiFeatureContactTagging | oiFeatureQuickContacts | oiFeatureResolveContact,
              features);
    EXPECT_EQ(E_POINTER, integration->GetSupportedFeatures(nullptr, nullptr));

    const std::vector<fakehost::LogRecord> records = host().recordsOf(L"Supported features requested");
    ASSERT_EQ(4u, records.size());
    EXPECT_EQ(4, records[0].hostLevel); // module level 1
    EXPECT_EQ(L"UCOfficeIntegrationImpl::GetSupportedFeatures", records[0].function);
    EXPECT_EQ(UcSourceFile, records[0].file);
}

TEST_F(UCOfficeIntegrationTest, OnlyTheThreeKnownOfficeVersionsAreToldToAuthenticate)
{
    ComPtr<IUCOfficeIntegration> integration = entry(messenger);
    const struct {
        const wchar_t* version;
        const wchar_t* answer;
    } cases[] = {{L"14.0.0.0", L"<authenticationinfo>"}, {L"15.0.0.0", L"<authenticationinfo>"},
                 {L"16.0.0.0", L"<authenticationinfo>"}, {L"15.0", L""},
                 {L"12.0.0.0", L""},                     {L"16.0.0.0 ", L""},
                 {L"16.0.0.00", L""},                    {L"", L""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.version, c.version + wcslen(c.version)));
        EXPECT_EQ(c.answer, authenticationInfo(*integration, Bstr(c.version).get()));
    }
    EXPECT_EQ(L"", authenticationInfo(*integration, nullptr));
    // A version with an embedded NUL is not the version it starts with.
    EXPECT_EQ(L"", authenticationInfo(*integration, Bstr(L"15.0.0.0\0x", 10).get()));
    EXPECT_EQ(E_POINTER, integration->GetAuthenticationInfo(Bstr(L"15.0.0.0").get(), nullptr));

    const std::vector<fakehost::LogRecord> lines =
        host().recordsOf(L"Office version 15.0.0.0 authenticated against ZERadivuvarided");
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(3, lines[0].hostLevel); // module level 2
    EXPECT_EQ(L"UCOfficeIntegrationImpl::GetAuthenticationInfo", lines[0].function);
    EXPECT_TRUE(host().logged(L"Office version 12.0.0.0 authenticated against ZERadivuvarided"))
        << "every call is logged, matched or not";
}

TEST_F(UCOfficeIntegrationTest, FlagValueOneEmptiesTheAuthenticationAnswerAndPhoneModeDoesNot)
{
    const struct {
        std::uint32_t flags;
        const wchar_t* answer;
    } cases[] = {{0, L"<authenticationinfo>"}, {1, L""}, {2, L"<authenticationinfo>"}, {3, L""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "flags " << c.flags);
        ComPtr<IUCOfficeIntegration> integration = entry(createMessenger(c.flags));
        EXPECT_EQ(c.answer, authenticationInfo(*integration, Bstr(L"16.0.0.0").get()));
    }
}

TEST_F(UCOfficeIntegrationTest, HandsOutTheOneClientAndAutomationObjectAndNothingElse)
{
    ComPtr<IUCOfficeIntegration> integration = entry(messenger);
    ComPtr<IDispatch> client;
    ComPtr<IDispatch> again;
    ComPtr<IDispatch> automation;
    ASSERT_EQ(S_OK, integration->GetInterface(Bstr(L"15.0.0.0").get(), oiInterfaceIUCCLyncClient, client.out()));
    ASSERT_EQ(S_OK, integration->GetInterface(Bstr(L"16.0.0.0").get(), oiInterfaceIUCCLyncClient, again.out()));
    ASSERT_EQ(S_OK, integration->GetInterface(Bstr(L"15.0.0.0").get(), oiInterfaceIUCCAutomation, automation.out()));
    EXPECT_TRUE(extensionsutils::sameComObject(client.get(), again.get()));
    EXPECT_TRUE(client.as<IUCCLyncClient>());
    EXPECT_TRUE(automation.as<IUCCAutomation>());
    EXPECT_EQ(E_POINTER, integration->GetInterface(Bstr(L"15.0.0.0").get(), oiInterfaceIUCCLyncClient, nullptr));

    IDispatch* const unwritten = reinterpret_cast<IDispatch*>(static_cast<std::uintptr_t>(0x5EE0));
    for (long requested : {3L, 256L, 257L, 0L, -1L}) {
        SCOPED_TRACE(testing::Message() << "interface " << requested);
        IDispatch* value = unwritten;
        EXPECT_EQ(E_NOTIMPL, integration->GetInterface(Bstr(L"16.0.0.0").get(), static_cast<OIInterface>(requested), &value));
        EXPECT_EQ(unwritten, value);
    }
    EXPECT_EQ(L"UCOfficeIntegrationImpl::getLyncClientDispatch",
              host().recordsOf(L"ILyncClient instance requested")[0].function);
    EXPECT_EQ(L"UCOfficeIntegrationImpl::getAutomationDispatch",
              host().recordsOf(L"IAutomation instance requested")[0].function);
}

TEST_F(UCOfficeIntegrationTest, LateBoundCallersReachTheUcEntryThroughItsOwnDescription)
{
    ComPtr<IDispatch> integration(entry(messenger).get());
    EXPECT_EQ(0x60020000, dispatchIdOf(integration.get(), L"GetSupportedFeatures"));
    const LateBoundResult features =
        callByName(integration.get(), L"GetSupportedFeatures", DISPATCH_METHOD, {Variant::fromString(L"16.0.0.0")});
    EXPECT_EQ(S_OK, features.member);
    EXPECT_EQ(204, features.value.get()->lVal);
    const LateBoundResult info =
        callByName(integration.get(), L"GetAuthenticationInfo", DISPATCH_METHOD, {Variant::fromString(L"14.0.0.0")});
    EXPECT_EQ(S_OK, info.member);
    EXPECT_EQ(L"<authenticationinfo>", std::wstring(info.value.get()->bstrVal));
    EXPECT_EQ(E_NOTIMPL, callByName(integration.get(), L"GetInterface", DISPATCH_METHOD,
                                    {Variant::fromString(L"16.0.0.0"), Variant::fromInt32(3)})
                             .member);
    ComPtr<ITypeInfo> typeInfo;
    EXPECT_EQ(DISP_E_BADINDEX, integration->GetTypeInfo(1, 0, typeInfo.out()));
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
