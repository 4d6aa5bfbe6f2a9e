#include "ExtensionProvider/ContactResolver.h"

#include "support/ModuleFixture.h"
#include "support/ResolutionForwarder.h"

#include <chrono>
#include <future>
#include <mutex>

using extensionsutils::Bstr;

namespace {

class ContactResolverTest : public ModuleFixture {
protected:
    void SetUp() override
    {
        ModuleFixture::SetUp();
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

    HRESULT resolve(const wchar_t* email, const std::wstring& name)
    {
        return resolver->resolveContact(Bstr(email).get(), [this, name](const Bstr& email, const Bstr& imAddress) {
            EXPECT_EQ(GetCurrentThreadId(), workerThreadId) << "a callback runs on the worker thread";
            std::lock_guard<std::mutex> lock(mutex);
            answers.push_back(name + L" " + email.str() + L" " + imAddress.str());
        });
    }
    // "callback email imAddress" of every answer.
    std::vector<std::wstring> received()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return answers;
    }
    // The host answers on its own thread; the callback then runs on the worker thread.
    void hostAnswers(const std::wstring& email, const std::wstring& imAddress)
    {
        host().answerResolution(email, imAddress);
        drainWorker();
    }

    std::shared_ptr<ContactResolver> resolver;
    extensionsutils::MICComPtr<ResolutionForwarder> listener;
    std::mutex mutex;
    std::vector<std::wstring> answers; // guarded by mutex
};

TEST_F(ContactResolverTest, AFailedRequestStaysPendingForALaterAnswer)
{
    EXPECT_EQ(resolver->resolveContact(Bstr(L"ann@example.com").get(), ContactResolver::Callback()), E_INVALIDARG);
    EXPECT_TRUE(host().resolveRequests().empty());

    host().failMethod(fakehost::HostMethod::CreateIMAndPresence, E_FAIL, 1);
    EXPECT_EQ(resolve(L"ann@example.com", L"A1"), E_FAIL);
    EXPECT_EQ(logCount(L"Unable to get IIMAndPresence instance"), 1u);
    host().failMethod(fakehost::HostMethod::ResolveContactByEmail, E_ACCESSDENIED, 1);
    EXPECT_EQ(resolve(L"bob@example.com", L"B1"), E_PENDING);
    expectLogged(L"contact resolution failed", 2); // module level 3
    EXPECT_EQ(host().resolveRequests(), std::vector<std::wstring>{});

    hostAnswers(L"ann@example.com", L"sip:ann");
    hostAnswers(L"bob@example.com", L"sip:bob");
    EXPECT_EQ(received(), (std::vector<std::wstring>{L"A1 ann@example.com sip:ann", L"B1 bob@example.com sip:bob"}));

    // An answer nobody waits for is logged without holding the table: a request meanwhile goes through.
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

TEST_F(ContactResolverTest, AnAnswerAfterTheWorkerStoppedConsumesTheCallback)
{
    ASSERT_EQ(resolve(L"ann@example.com", L"A1"), E_PENDING);
    enterStopWindow();
    Bstr email(L"ann@example.com"), imAddress(L"sip:ann");
    EXPECT_EQ(resolver->onContactResolved(email.get(), imAddress.get()), E_FAIL);
    EXPECT_EQ(logCount(L"Failed to get reference to worker thread to enqueue contact resolution"), 1u);
    // Taken out of the table: a second answer finds nobody waiting.
    EXPECT_EQ(resolver->onContactResolved(email.get(), imAddress.get()), E_FAIL);
    EXPECT_EQ(logCount(L"Unable to find a corresponding first callback, returning a dummy"), 1u);
    EXPECT_TRUE(received().empty());
}

TEST_F(ContactResolverTest, DestroyedResolverNeverRunsItsPendingCallbacks)
{
    auto token = std::make_shared<int>(0);
    ASSERT_EQ(resolver->resolveContact(Bstr(L"ann@example.com").get(), [token](const Bstr&, const Bstr&) { ++*token; }), E_PENDING);
    resolver.reset(); // the host's listener holds it weakly
    EXPECT_EQ(token.use_count(), 1) << "the pending callback was not released with the resolver";
    hostAnswers(L"ann@example.com", L"sip:ann");
    EXPECT_EQ(*token, 0);
}

} // namespace
