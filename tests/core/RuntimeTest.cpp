// The module's runtime over the host: logging through the host's logger, and the worker thread.
#include "support/ModuleFixture.h"
#include "logging/LogCallSite.h"
#include "logging/Logging.h"
#include "logging/Results.h"
#include "utils/Tr1FunctionWorker.h"
#include "utils/WorkerThreadImpl.h"
#include "vorn/Event.h"
#include "vorn/Mutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <tuple>
#include <string>
#include <vector>

using fakehost::HostMethod;
using fakehost::LogRecord;
using Order = std::vector<std::string>;

namespace {

// Counts how often it is written into a stream, to prove when log text is built.
std::atomic<int> insertions{0};
struct CountedInsertion {};
std::ostream& operator<<(std::ostream& stream, const CountedInsertion&)
{
    ++insertions;
    return stream << "counted";
}

std::shared_ptr<WorkObject> work(std::function<void()> f) { return std::make_shared<Tr1FunctionWorker>(std::move(f)); }

// What ran, in order, on which thread and in which apartment.
struct Journal {
    struct Entry { std::string what; DWORD thread; std::string apartment; };
    vorn::Mutex mutex;
    std::vector<Entry> entries;
    void add(const std::string& what)
    {
        vorn::MutexGuard guard(mutex);
        entries.push_back({what, GetCurrentThreadId(), fakeoffice::currentApartment()});
    }
    std::shared_ptr<WorkObject> adding(const std::string& what) { return work([this, what] { add(what); }); }
    Order order()
    {
        vorn::MutexGuard guard(mutex);
        Order whats;
        for (const Entry& entry : entries) whats.push_back(entry.what);
        return whats;
    }
};

struct Reporter { int report() { TAVO_LOG(2, "reporting"); return __LINE__; } };

// Members that fail the ways the module's members do.
struct Member {
    bool refuse() { return TAVO_FAIL(3, "refused " << 7, false); }
    HRESULT pass(HRESULT hr)
    {
        TAVO_RETURN_IF_FAILED(hr, 4, "failed");
        return S_FALSE;
    }
    HRESULT nested() { return [&] { return TAVO_FAIL(4, "nested", E_FAIL); }(); }
    HRESULT raise(bool outOfMemory)
    try {
        if (outOfMemory) throw std::bad_alloc();
        throw 1;
    }
    TAVO_CATCH_RETURN
};

// The module fixture's fake host, whose logger the module's log lines reach. The tests make their own
// workers: the fixture's goes at once, and each test starts from an empty log and no host calls.
struct Logging : ModuleFixture {
    void SetUp() override
    {
        ModuleFixture::SetUp();
        stopWorker();
        host().clearLog();
        host().resetCallCounts();
        insertions = 0;
    }

    // Stops the worker with a completion that joins the ran.
    void stop(WorkerThreadImpl& worker)
    {
        worker.stop([this] {
            ran.add("completion");
            completed.set();
        }, false);
    }
    // Lets the stopped worker go (then calls `released`), waits for the completion and until it is gone; answers what ran.
    Order finish(std::shared_ptr<WorkerThreadImpl>& worker, std::function<void(std::weak_ptr<WorkerThreadImpl>&)> released = nullptr)
    {
        std::weak_ptr<WorkerThreadImpl> watcher = worker;
        worker.reset();
        if (released) released(watcher);
        EXPECT_EQ(0, completed.wait(20000));
        waitUntil([&] { return watcher.expired(); }, INFINITE);
        return ran.order();
    }
    Order stopAndFinish(std::shared_ptr<WorkerThreadImpl>& worker)
    {
        stop(*worker);
        return finish(worker);
    }
    LogRecord onlyRecord() const
    {
        const std::vector<LogRecord> records = host().logRecords();
        EXPECT_EQ(records.size(), 1u);
        host().clearLog();
        return records.empty() ? LogRecord() : records.front();
    }

    Journal ran;
    vorn::Event completed{false};
};
using WorkerThreadTest = Logging;

} // namespace

TEST_F(Logging, LevelsMapToTheHostsReversedScale)
{
    for (int level : {0, 1, 2, 3, 4, 5, 7, -1}) logging::Write(level, "file", 1, "function", "text");
    std::vector<long> hostLevels;
    for (const LogRecord& record : host().logRecords()) hostLevels.push_back(record.hostLevel);
    EXPECT_EQ(hostLevels, (std::vector<long>{5, 4, 3, 2, 1, 0, 4, 4}));
    host().setEnabledHostLevels({4});
    EXPECT_TRUE(logging::IsEnabled(1) && logging::IsEnabled(7) && !logging::IsEnabled(0));
    host().setEnabledHostLevels({0, 5});
    EXPECT_TRUE(logging::IsEnabled(5) && logging::IsEnabled(0) && !logging::IsEnabled(1));
}

TEST_F(Logging, TextIsBuiltOnlyWhenItsLevelIsEnabled)
{
    host().setEnabledHostLevels({3});
    TAVO_LOG(2, "value: " << CountedInsertion());
    EXPECT_EQ(insertions, 1);
    EXPECT_EQ(onlyRecord().message, L"value: counted");
    host().setEnabledHostLevels({0, 1, 2, 4, 5}); // all but module level 2
    TAVO_LOG(2, "value: " << CountedInsertion());
    EXPECT_EQ(insertions, 1);
    EXPECT_TRUE(host().logRecords().empty());
}

// A host that cannot say whether a level is enabled, or cannot give a logger at all, gets no line, and the
// line's text is never built.
TEST_F(Logging, AHostThatCannotAnswerLeavesEveryLevelDisabled)
{
    const std::function<void()> rows[] = {
        [this] { host().failMethod(HostMethod::IsLevelEnabled, E_UNEXPECTED); },
        [this] { host().answerEmpty(HostMethod::IsLevelEnabled); },
        [this] { host().failMethod(HostMethod::CreateLogger, E_OUTOFMEMORY); },
        [] { hostaccess::releaseHostClassObject(); },
    };
    for (const std::function<void()>& cannotAnswer : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &cannotAnswer - rows);
        cannotAnswer();
        EXPECT_FALSE(logging::IsEnabled(4));
        TAVO_LOG(4, CountedInsertion());
        EXPECT_EQ(insertions, 0);
        EXPECT_TRUE(host().logRecords().empty());
        host().clearFailures();
        ASSERT_TRUE(SUCCEEDED(hostaccess::fetchHostClassObject()));
    }
}

TEST_F(Logging, ARecordCarriesUtf16TextWithItsCallSite)
{
    logging::Write(3, "dir/\xC3\xA9t\xC3\xA9", 9, "Caf\xC3\xA9::open", "\xE2\x82\xAC 5");
    const LogRecord written = onlyRecord();
    EXPECT_EQ(std::make_tuple(written.file, written.function, written.message, written.line),
              std::make_tuple(std::wstring(L"dir/\u00E9t\u00E9"), std::wstring(L"Caf\u00E9::open"), std::wstring(L"\u20AC 5"), 9L));
    const int line = Reporter().report();
    const LogRecord reported = onlyRecord();
    EXPECT_EQ(std::make_tuple(reported.file, reported.function, reported.line),
              std::make_tuple(std::wstring(L"tests/core/RuntimeTest"), std::wstring(L"Reporter::report"), long(line)));
}

TEST_F(Logging, FailuresAnswerTheirResultLoggedUnderTheMembersName)
{
    Member member;
    EXPECT_FALSE(member.refuse());
    EXPECT_EQ(member.pass(S_OK), S_FALSE);
    EXPECT_EQ(member.pass(E_ACCESSDENIED), E_ACCESSDENIED);
    EXPECT_EQ(member.nested(), E_FAIL);
    EXPECT_EQ(member.raise(true), E_OUTOFMEMORY);
    EXPECT_EQ(member.raise(false), E_FAIL);
    std::vector<std::tuple<long, std::wstring, std::wstring>> written;
    for (const LogRecord& r : host().logRecords()) written.emplace_back(r.hostLevel, r.function, r.message);
    EXPECT_EQ(written, (std::vector<std::tuple<long, std::wstring, std::wstring>>{
                           {2, L"Member::refuse", L"refused 7"}, {1, L"Member::pass", L"failed"},
                           {1, L"Member::nested", L"nested"}, {1, L"Member::raise", L"Out of memory"},
                           {1, L"Member::raise", L"Unexpected exception"}}));
}

// The root is found from where the compiler put the logging code; a path outside it stays as it is.
TEST(LogCallSite, SourcePathsAreRelativeToTheProjectRoot)
{
    const struct { const char *logging, *source, *path; } rows[] = { // compiler files of the logging code and a caller
        {"/src/p/extensions/x/Logging.cpp", "/src/p/extensions/tavomessenger/LocalServer.cpp", "extensions/tavomessenger/LocalServer"},
        {"extensions/x/Logging.cpp", "extensions/tavomessenger/LocalServer.cpp", "extensions/tavomessenger/LocalServer"},
        {"D:\\P\\extensions\\x\\Logging.cpp", "d:\\p\\extensions\\x\\Events_CP.h", "extensions/x/Events_CP"},
        {"/moved/Logging.cpp", "/elsewhere/v1.2/Thing", "/elsewhere/v1.2/Thing"}};
    for (const auto& row : rows) {
        const std::string root = logging::detail::projectRootFromKnownFile(row.logging, "extensions/x/Logging.cpp");
        EXPECT_EQ(logging::detail::sourcePathFromCompilerFile(row.source, root), row.path) << row.logging;
    }
}

TEST(LogCallSite, FunctionNamesAreQualifiedAsDeclared)
{
    const std::pair<const char*, const char*> rows[] = { // signature, name
        {"void LocalServer::start()", "LocalServer::start"}, {"virtual long int UCCContact::get_Uri(wchar_t**)", "UCCContact::get_Uri"},
        {"LocalServer::LocalServer(unsigned int)", "LocalServer::LocalServer"}, {"int Thing::value() const", "Thing::value"},
        {"virtual EventManager::~EventManager()", "EventManager::~EventManager"}, {"void Worker::operator()()", "Worker::operator()"},
        {"static void StateWorkers::revokeMessenger(std::shared_ptr<A>)", "StateWorkers::revokeMessenger"},
        {"std::pair<int, int> Thing::range(std::map<int, int>&)", "Thing::range"},
        {"void {anonymous}::doNothing(BSTR&, BSTR&)", "doNothing"}, {"void (anonymous namespace)::doNothing(BSTR&, BSTR&)", "doNothing"},
        {"LocalServer::start()::<lambda()>", "LocalServer::start"}, {"doNothing", "doNothing"}, {"", ""},
        {"HRESULT CProxyEvents<T>::Fire_OnAppShutdown() [with T = Office]", "CProxyEvents<class Office>::Fire_OnAppShutdown"},
        {"void Pair<A, B>::run(B) [with A = Alpha; B = int; HRESULT = long int]", "Pair<class Alpha, int>::run"},
        {"void Listener<I>::fire() [with I = ns::Events<int, long int>]", "Listener<class ns::Events<int, long int>>::fire"},
        {"void Thing::apply(T) [with T = Alpha]", "Thing::apply"}, // a member template's own parameters are not named
        {"CProxyEvents<class Office>::Fire_OnAppShutdown", "CProxyEvents<class Office>::Fire_OnAppShutdown"}};
    for (const auto& [signature, name] : rows)
        EXPECT_EQ(logging::detail::functionNameFromSignature(signature), name) << signature;
}

TEST_F(WorkerThreadTest, RunsWorkInAddOrderOnOneThreadWithComInitialised)
{
    vorn::Event allQueued(false), dQueued(false);
    auto worker = std::make_shared<WorkerThreadImpl>();
    // Added at once, before the thread can have started: it must still find COM initialised.
    worker->AddWork(work([&] {
        ran.add("A");
        allQueued.wait();
    }));
    worker->AddWork(ran.adding("B"));
    std::weak_ptr<WorkerThread> weakWorker = worker;
    worker->AddWork(work([&, weakWorker] {
        ran.add("C");
        if (auto self = weakWorker.lock()) self->AddWork(ran.adding("D, added by C"));
        dQueued.set();
    }));
    worker->AddWork(ran.adding("E"));
    allQueued.set();
    ASSERT_EQ(0, dQueued.wait(20000));
    ASSERT_EQ(stopAndFinish(worker), (Order{"A", "B", "C", "E", "D, added by C", "completion"}));
    const std::vector<Journal::Entry>& entries = ran.entries;
    for (const Journal::Entry& entry : entries) {
        EXPECT_EQ(entry.thread, entries.front().thread) << entry.what;
        EXPECT_NE(entry.thread, GetCurrentThreadId()) << entry.what;
        EXPECT_EQ(entry.apartment == "MTA", &entry != &entries.back()) << entry.what << ": COM not (or still) initialised";
    }
}

// A second stop's completion is dropped too: the host would be told twice that the module stopped.
TEST_F(WorkerThreadTest, EmptyWorkOrAnythingAfterAStopIsRefused)
{
    auto worker = std::make_shared<WorkerThreadImpl>();
    EXPECT_TRUE(worker->AddWork(ran.adding("before stop")));
    EXPECT_FALSE(worker->AddWork(nullptr));
    stop(*worker);
    EXPECT_FALSE(worker->AddWork(ran.adding("after stop")));
    EXPECT_EQ(stopAndFinish(worker), (Order{"before stop", "completion"}));
    for (const wchar_t* warning : {L"Empty item added to work thread, ignoring", L"Item added to work thread after shutdown, ignoring"})
        expectLogged(warning, 2); // module level 3
}

// The server lets go at once; the queued stop keeps the worker alive until the work before it ran.
TEST_F(WorkerThreadTest, AStopRunsTheWorkQueuedBeforeIt)
{
    Gate gate;
    auto worker = std::make_shared<WorkerThreadImpl>();
    worker->AddWork(work([&] {
        gate.arriveAndWait();
        ran.add("gate");
    }));
    gate.waitUntilReached();
    for (int i = 1; i <= 3; ++i) worker->AddWork(ran.adding("queued " + std::to_string(i)));
    stop(*worker);
    const auto openTheGate = [&](std::weak_ptr<WorkerThreadImpl>& watcher) {
        EXPECT_FALSE(watcher.expired());
        gate.open();
    };
    EXPECT_EQ(finish(worker, openTheGate), (Order{"gate", "queued 1", "queued 2", "queued 3", "completion"}));
}

TEST_F(WorkerThreadTest, DestroyingAWorkerThatWasNeverStoppedWaitsForItsQueuedWork)
{
    auto worker = std::make_shared<WorkerThreadImpl>();
    worker->AddWork(work([&] {
        Sleep(200);
        ran.add("slow");
    }));
    worker->AddWork(ran.adding("last"));
    worker.reset();
    EXPECT_EQ(ran.order(), (Order{"slow", "last"}));
}

TEST_F(WorkerThreadTest, WorkThatThrowsIsLoggedAsAnErrorWithoutEndingTheWorker)
{
    auto worker = std::make_shared<WorkerThreadImpl>();
    worker->AddWork(work(nullptr));
    worker->AddWork(work([] { throw std::runtime_error("host went away"); }));
    worker->AddWork(ran.adding("after the failures"));
    EXPECT_EQ(stopAndFinish(worker), (Order{"after the failures", "completion"}));
    std::vector<LogRecord> errors;
    for (const LogRecord& record : host().logRecords())
        if (record.message.rfind(L"Work item threw", 0) == 0) errors.push_back(record);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].hostLevel, 1); // module level 4
    EXPECT_NE(errors[1].message.find(L"host went away"), std::wstring::npos);
}

TEST_F(WorkerThreadTest, ALastReleaseInsideItsOwnWorkDoesNotHang)
{
    auto worker = std::make_shared<WorkerThreadImpl>();
    std::weak_ptr<WorkerThreadImpl> watcher = worker;
    std::atomic<bool> laterRan{false};
    Gate gate;
    // The item carries the only other reference; once the test lets go, the worker dies with the item,
    // on its own thread, without ever having been stopped.
    worker->AddWork(work([keep = worker, &gate] { gate.arriveAndWait(); }));
    worker->AddWork(work([&] { laterRan = true; }));
    worker.reset();
    gate.open();
    waitUntil([&] { return watcher.expired(); }, INFINITE);
    EXPECT_FALSE(laterRan) << "work behind the last reference is dropped with the worker";
}
