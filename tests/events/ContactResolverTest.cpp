#include "ExtensionProvider/ContactResolver.h"

#include "EventsFixture.h"
#include "support/ResolutionForwarder.h"

#include "Watchdog.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComObject.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <vector>

using extensionsutils::Bstr;

namespace {

struct Answer
{
    std::wstring callback; // which request's callback ran
    std::wstring email;
    std::wstring imAddress;
    DWORD threadId;
};

class Answers
{
public:
    ContactResolver::Callback callbackNamed(const std::wstring& name)
    {
        return [this, name](const Bstr& email, const Bstr& imAddress) {
            std::lock_guard<std::mutex> lock(mutex_);
            answers_.push_back(Answer{name, email.str(), imAddress.str(), GetCurrentThreadId()});
        };
    }

    std::vector<Answer> all() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return answers_;
    }

    std::vector<std::wstring> callbacks() const
    {
        std::vector<std::wstring> names;
        for (const Answer& answer : all()) names.push_back(answer.callback);
        return names;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Answer> answers_;
};

class ContactResolverTest : public EventsFixture
{
protected:
    void SetUp() override
    {
        EventsFixture::SetUp();
        resolver = std::make_shared<ContactResolver>(worker);
        listener = ResolutionForwarder::registerWithHost(resolver);
        ASSERT_TRUE(listener);
    }

    void releaseModuleObjects() override
    {
        if (listener) listener->unregisterFromHost();
        listener.reset();
        resolver.reset();
    }

    HRESULT resolve(const wchar_t* email, const std::wstring& callbackName)
    {
        Bstr address(email);
        return resolver->resolveContact(address.get(), answers.callbackNamed(callbackName));
    }

    // The host answers on its own thread; the callback then runs on the worker thread.
    void hostAnswers(const std::wstring& email, const std::wstring& imAddress)
    {
        host().answerResolution(email, imAddress);
        drainWorker();
    }

    Answers answers;
    std::shared_ptr<ContactResolver> resolver;
    extensionsutils::MICComPtr<ResolutionForwarder> listener;
};

TEST_F(ContactResolverTest, AnswersMatchRequestsFirstInFirstOutPerAddress)
{
    EXPECT_EQ(resolve(L"ann@example.com", L"A1"), E_PENDING);
    EXPECT_EQ(resolve(L"bob@example.com", L"B1"), E_PENDING);
    EXPECT_EQ(resolve(L"ann@example.com", L"A2"), E_PENDING);
    EXPECT_EQ(host().resolveRequests(),
              (std::vector<std::wstring>{L"ann@example.com", L"bob@example.com", L"ann@example.com"}));

    hostAnswers(L"ann@example.com", L"sip:ann-1");
    hostAnswers(L"bob@example.com", L"sip:bob");
    hostAnswers(L"ann@example.com", L"sip:ann-2");

    const std::vector<Answer> received = answers.all();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[0].callback, L"A1");
    EXPECT_EQ(received[0].imAddress, L"sip:ann-1");
    EXPECT_EQ(received[1].callback, L"B1");
    EXPECT_EQ(received[2].callback, L"A2");
    EXPECT_EQ(received[2].email, L"ann@example.com");
    EXPECT_EQ(received[2].imAddress, L"sip:ann-2");
    for (const Answer& answer : received) EXPECT_EQ(answer.threadId, workerThreadId);

    // Both requests for the address are answered: a third answer finds nobody waiting.
    hostAnswers(L"ann@example.com", L"sip:late");
    EXPECT_EQ(answers.all().size(), 3u);
    const std::vector<fakehost::LogRecord> unmatched =
        host().recordsOf(L"Unable to find a corresponding first callback, returning a dummy");
    ASSERT_EQ(unmatched.size(), 1u);
    EXPECT_EQ(unmatched[0].hostLevel, 1); // module level 4
    EXPECT_EQ(unmatched[0].function, L"ContactResolver::getFirstCallback");
    EXPECT_EQ(unmatched[0].file, L"extensions/tavomessenger/ExtensionProvider/ContactResolver");
    const std::vector<fakehost::LogRecord> dummy = host().recordsOf(L"Dummy callback executed");
    ASSERT_EQ(dummy.size(), 1u);
    EXPECT_EQ(dummy[0].function, L"doNothing");
    EXPECT_EQ(dummy[0].hostLevel, 3); // module level 2
    EXPECT_EQ(dummy[0].threadId, workerThreadId);
}

TEST_F(ContactResolverTest, EmptyAnswerStillRunsTheCallbackWithTheEmptyAddress)
{
    ASSERT_EQ(resolve(L"nobody@example.com", L"N"), E_PENDING);

    hostAnswers(L"nobody@example.com", L"");

    const std::vector<Answer> received = answers.all();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].email, L"nobody@example.com");
    EXPECT_EQ(received[0].imAddress, L"");
}

TEST_F(ContactResolverTest, UnreachableHostFailsButALaterAnswerStillRunsTheCallback)
{
    host().failMethod(fakehost::HostMethod::CreateIMAndPresence);

    EXPECT_EQ(resolve(L"ann@example.com", L"A1"), E_FAIL);
    EXPECT_EQ(logCount(L"Unable to get IIMAndPresence instance"), 1u);
    EXPECT_TRUE(host().resolveRequests().empty());

    hostAnswers(L"ann@example.com", L"sip:ann");
    EXPECT_EQ(answers.callbacks(), std::vector<std::wstring>{L"A1"});
}

TEST_F(ContactResolverTest, RefusedRequestIsStillPendingAndLogged)
{
    host().failMethod(fakehost::HostMethod::ResolveContactByEmail, E_ACCESSDENIED, 1);

    EXPECT_EQ(resolve(L"ann@example.com", L"A1"), E_PENDING);
    const std::vector<fakehost::LogRecord> records = host().recordsOf(L"contact resolution failed");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].hostLevel, 2); // module level 3

    hostAnswers(L"ann@example.com", L"sip:ann");
    EXPECT_EQ(answers.callbacks(), std::vector<std::wstring>{L"A1"});
}

TEST_F(ContactResolverTest, EmptyCallbackIsRefusedWithoutAskingTheHost)
{
    Bstr address(L"ann@example.com");
    EXPECT_EQ(resolver->resolveContact(address.get(), ContactResolver::Callback()), E_INVALIDARG);
    EXPECT_TRUE(host().resolveRequests().empty());
}

TEST_F(ContactResolverTest, AnswerAfterTheWorkerStoppedFailsAndConsumesTheCallback)
{
    ASSERT_EQ(resolve(L"ann@example.com", L"A1"), E_PENDING);
    enterStopWindow();

    Bstr email(L"ann@example.com");
    Bstr imAddress(L"sip:ann");
    EXPECT_EQ(resolver->onContactResolved(email.get(), imAddress.get()), E_FAIL);
    EXPECT_EQ(logCount(L"Failed to get reference to worker thread to enqueue contact resolution"), 1u);

    // The request was taken out of the table: a second answer finds nobody waiting.
    EXPECT_EQ(resolver->onContactResolved(email.get(), imAddress.get()), E_FAIL);
    EXPECT_EQ(logCount(L"Unable to find a corresponding first callback, returning a dummy"), 1u);
    EXPECT_TRUE(answers.all().empty());
}

TEST_F(ContactResolverTest, DestroyedResolverNeverRunsItsPendingCallbacks)
{
    auto token = std::make_shared<int>(0);
    Bstr address(L"ann@example.com");
    ASSERT_EQ(resolver->resolveContact(address.get(), [token](const Bstr&, const Bstr&) { ++*token; }), E_PENDING);
    EXPECT_EQ(token.use_count(), 2);

    resolver.reset(); // the host's listener holds it weakly

    EXPECT_EQ(token.use_count(), 1) << "the pending callback was not released with the resolver";
    hostAnswers(L"ann@example.com", L"sip:ann");
    EXPECT_EQ(*token, 0);
}

TEST_F(ContactResolverTest, HostAnsweringWhileTheRequestIsMadeDoesNotDeadlock)
{
    // The host answers on its own thread before ResolveContactByEmail returns: the answer needs the table
    // while the request is still inside the host.
    host().setResolutionMode(fakehost::FakeHost::ResolutionMode::WhileRequesting);
    host().setResolutionAnswer(L"ann@example.com", L"sip:ann");
    Watchdog watchdog(20000, "resolving while the host answers at once");

    EXPECT_EQ(resolve(L"ann@example.com", L"A1"), E_PENDING);
    drainWorker();

    const std::vector<Answer> received = answers.all();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].imAddress, L"sip:ann");
}

TEST_F(ContactResolverTest, LoggingAnUnmatchedAnswerDoesNotHoldTheTable)
{
    // While the module writes that line, another request must get through.
    std::future<HRESULT> concurrent;
    std::future_status status = std::future_status::ready;
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message != L"Unable to find a corresponding first callback, returning a dummy") return;
        concurrent = std::async(std::launch::async, [this] { return resolve(L"bob@example.com", L"B1"); });
        status = concurrent.wait_for(std::chrono::seconds(10));
    });

    hostAnswers(L"ann@example.com", L"sip:ann");
    host().clearLogHooks();

    EXPECT_EQ(status, std::future_status::ready) << "a request waited for the log line";
    ASSERT_TRUE(concurrent.valid());
    EXPECT_EQ(concurrent.get(), E_PENDING);
}

} // namespace
