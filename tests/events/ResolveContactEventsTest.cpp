#include "HostedMessenger.h"
#include "RawRegistry.h"

#include "Watchdog.h"

#include "extensionsutils/Bstr.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using fakehost::FakeHost;
using fakeoffice::OfficeEvent;

namespace {

const DISPID OnContactResolvedId = 0x41a;

struct Resolved
{
    std::wstring email;
    std::wstring imAddress;
    bool operator==(const Resolved& other) const { return email == other.email && imAddress == other.imAddress; }
};

std::ostream& operator<<(std::ostream& out, const Resolved& resolved)
{
    return out << "(" << std::string(resolved.email.begin(), resolved.email.end()) << ", "
               << std::string(resolved.imAddress.begin(), resolved.imAddress.end()) << ")";
}

class ResolveContactEventsTest : public HostedMessengerTest
{
protected:
    HRESULT resolveContact(const MICComPtr<OfficeIntegrationImpl>& target, const std::wstring& address)
    {
        ComPtr<IMessengerContactResolution> resolution = target.as<IMessengerContactResolution>();
        if (!resolution) return E_NOINTERFACE;
        Bstr text(address);
        BSTR imAddress = nullptr;
        const HRESULT hr = resolution->ResolveContact(ADDRESS_TYPE_SMTP, CONTACT_RESOLUTION_ANY, text.get(), &imAddress);
        EXPECT_EQ(imAddress, nullptr) << "the IM address reaches Office only as an event";
        SysFreeString(imAddress);
        return hr;
    }
    HRESULT resolveContact(const std::wstring& address) { return resolveContact(messenger, address); }

    void hostAnswers(const std::wstring& email, const std::wstring& imAddress)
    {
        host().answerResolution(email, imAddress);
        drainWorker();
    }

    std::vector<Resolved> resolvedEvents() const
    {
        std::vector<Resolved> resolved;
        for (const OfficeEvent& event : eventsWithId(OnContactResolvedId)) {
            EXPECT_EQ(event.arguments.size(), 4u);
            if (event.arguments.size() != 4) continue;
            EXPECT_EQ(event.arguments[0].get()->lVal, S_OK);
            EXPECT_EQ(event.arguments[1].get()->lVal, ADDRESS_TYPE_SMTP);
            EXPECT_EQ(event.apartment, "MTA");
            resolved.push_back(Resolved{event.arguments[2].get()->bstrVal, event.arguments[3].get()->bstrVal});
        }
        return resolved;
    }
};

TEST_F(ResolveContactEventsTest, AnswersReachOfficeFirstInFirstOutPerAddressAndOnlyWhenSomeoneWasFound)
{
    connectSink();
    EXPECT_EQ(resolveContact(L"ann@example.com"), E_PENDING);
    EXPECT_EQ(resolveContact(L"bob@example.com"), E_PENDING);
    EXPECT_EQ(resolveContact(L"ann@example.com"), E_PENDING);
    EXPECT_EQ(resolveContact(L"nobody@example.com"), E_PENDING);

    hostAnswers(L"ann@example.com", L"sip:ann-1");
    hostAnswers(L"nobody@example.com", L"");
    hostAnswers(L"Bob@Example.com", L"sip:Bob"); // another address: case counts
    hostAnswers(L"bob@example.com", L"sip:bob");
    hostAnswers(L"ann@example.com", L"sip:ann-2");

    EXPECT_EQ(resolvedEvents(), (std::vector<Resolved>{{L"ann@example.com", L"sip:ann-1"},
                                                       {L"bob@example.com", L"sip:bob"},
                                                       {L"ann@example.com", L"sip:ann-2"}}));
    EXPECT_EQ(logCount(L"Resolution failed, not notifying clients"), 1u);
    EXPECT_EQ(logCount(L"Dummy callback executed"), 1u);
}

TEST_F(ResolveContactEventsTest, AnAnswerGivenAtOnceReachesOfficeOnlyAfterResolveContactReturned)
{
    connectSink();
    host().setResolutionMode(FakeHost::ResolutionMode::WhileRequesting);
    host().setResolutionAnswer(L"ann@example.com", L"sip:ann");
    std::size_t firedBeforeReturn = 99;
    host().setAnsweredWhileRequestingHook([&] {
        drainWorker();
        firedBeforeReturn = journal->count();
    });

    EXPECT_EQ(resolveContact(L"ann@example.com"), E_PENDING);
    drainWorker();
    EXPECT_EQ(firedBeforeReturn, 0u);
    EXPECT_EQ(resolvedEvents(), (std::vector<Resolved>{{L"ann@example.com", L"sip:ann"}}));
}

TEST_F(ResolveContactEventsTest, OfficeIsToldTheAddressItAskedForNotTheHostsSpellingOfIt)
{
    connectSink();
    EXPECT_EQ(resolveContact(L"ann@example.com"), E_PENDING);
    // The user's collation ignores the soft hyphen: the answer is matched to the request.
    hostAnswers(L"ann@exam\u00ADple.com", L"sip:ann");
    EXPECT_EQ(resolvedEvents(), (std::vector<Resolved>{{L"ann@example.com", L"sip:ann"}}));
}

TEST_F(ResolveContactEventsTest, DisabledResolutionSendsNothingToTheHostOrToOffice)
{
    ASSERT_TRUE(registrytest::writeDwordValue(HKEY_CURRENT_USER, L"Software\\Norvane Works\\Unified Communications\\Mivra",
                                              L"DisableResolveContact", 1));
    MICComPtr<OfficeIntegrationImpl> disabled = createMessenger();
    connectSink(disabled);

    EXPECT_EQ(resolveContact(disabled, L"ann@example.com"), S_OK);
    hostAnswers(L"ann@example.com", L"sip:ann");

    EXPECT_TRUE(host().resolveRequests().empty());
    EXPECT_TRUE(resolvedEvents().empty());
}

TEST_F(ResolveContactEventsTest, SinkMayResolveAgainFromInsideOnContactResolved)
{
    host().setResolutionMode(FakeHost::ResolutionMode::Automatic);
    host().setResolutionAnswer(L"ann@example.com", L"sip:ann");
    host().setResolutionAnswer(L"bob@example.com", L"sip:bob");
    Watchdog watchdog(30000, "resolving from inside OnContactResolved");
    auto done = std::make_shared<vorn::Event>();
    MICComPtr<OfficeIntegrationImpl> target = messenger;
    connectSink()->setHook([this, target, done](const OfficeEvent& event) {
        if (event.id != OnContactResolvedId) return;
        if (std::wstring(event.arguments[2].get()->bstrVal) == L"ann@example.com") resolveContact(target, L"bob@example.com");
        else done->set();
    });

    EXPECT_EQ(resolveContact(L"ann@example.com"), E_PENDING);

    EXPECT_EQ(done->wait(20000), 0);
    host().waitForHostThread();
    drainWorker();
    EXPECT_EQ(resolvedEvents(), (std::vector<Resolved>{{L"ann@example.com", L"sip:ann"}, {L"bob@example.com", L"sip:bob"}}));
}

TEST_F(ResolveContactEventsTest, ConcurrentRequestsWhileTheHostAnswersAndReportsPresence)
{
    host().setResolutionMode(FakeHost::ResolutionMode::Automatic);
    const int threads = 4;
    const int requestsPerThread = 25;
    for (int t = 0; t < threads; ++t) {
        const std::wstring email = L"user" + std::to_wstring(t) + L"@example.com";
        host().setResolutionAnswer(email, L"sip:" + email);
    }
    connectSink();
    Watchdog watchdog(60000, "concurrent resolution and presence");

    std::vector<std::thread> requesters;
    for (int t = 0; t < threads; ++t) {
        requesters.emplace_back([this, t, requestsPerThread] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            const std::wstring email = L"user" + std::to_wstring(t) + L"@example.com";
            for (int i = 0; i < requestsPerThread; ++i) {
                EXPECT_EQ(resolveContact(email), E_PENDING);
                if (i % 5 == 0) host().postPresenceChanged(t % 2 ? L"bob" : L"carol");
            }
            CoUninitialize();
        });
    }
    for (std::thread& requester : requesters) requester.join();
    host().waitForHostThread();
    drainWorker();

    std::map<std::wstring, int> answered;
    for (const Resolved& resolved : resolvedEvents()) {
        EXPECT_EQ(resolved.imAddress, L"sip:" + resolved.email);
        ++answered[resolved.email];
    }
    ASSERT_EQ(answered.size(), static_cast<std::size_t>(threads));
    for (const auto& entry : answered) EXPECT_EQ(entry.second, requestsPerThread);
    // Presence is state: changes a sink has not been sent yet are replaced by newer ones.
    const std::size_t statusEvents = eventsWithId(0x406).size();
    EXPECT_GE(statusEvents, 1u);
    EXPECT_LE(statusEvents, static_cast<std::size_t>(threads * requestsPerThread / 5));
}

TEST_F(ResolveContactEventsTest, PendingRequestsDoNotKeepTheObjectAliveAfterUninitialise)
{
    connectSink();
    EXPECT_EQ(resolveContact(L"ann@example.com"), E_PENDING);
    EXPECT_EQ(resolveContact(L"bob@example.com"), E_PENDING);

    messenger->uninitialise();
    hostAnswers(L"ann@example.com", L"sip:ann");

    EXPECT_TRUE(resolvedEvents().empty());
    // The fixture checks that nothing of the module is left once Office lets go.
}

} // namespace
