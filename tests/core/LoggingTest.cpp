#include "utils/LogCallSite.h"
#include "utils/Logging.h"

#include "ExtensionProvider/HostClassObject.h"

#include "support/FakeHostEnvironment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

using fakehost::HostMethod;
using fakehost::LogRecord;

namespace {

// Counts how often it is written into a stream, to prove when log text is built.
std::atomic<int> insertions{0};
struct CountedInsertion {
};
std::ostream& operator<<(std::ostream& stream, const CountedInsertion&)
{
    ++insertions;
    return stream << "counted";
}

class Reporter {
public:
    int report()
    {
        TAVO_LOG(2, "reporting");
        return __LINE__ - 1;
    }
};

class OfficeStandIn {};

template <class T>
class EventProxy {
public:
    void fire() { TAVO_LOG(2, "firing"); }
};

class Logging : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(environment.registration(), S_OK);
        ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
        insertions = 0;
    }
    void TearDown() override
    {
        hostaccess::releaseHostClassObject();
        EXPECT_EQ(host().liveObjectCount(), 0);
    }

    fakehost::FakeHost& host() { return environment.host(); }

    LogRecord onlyRecord()
    {
        const std::vector<LogRecord> records = host().logRecords();
        EXPECT_EQ(records.size(), 1u);
        host().clearLog();
        return records.empty() ? LogRecord() : records.front();
    }

    fakehost::FakeHostEnvironment environment;
};

} // namespace

TEST_F(Logging, LevelsMapToTheHostsReversedScaleBothForWritingAndForTheEnabledCheck)
{
    for (int level : {0, 1, 2, 3, 4, 5, 7, -1}) logging::Write(level, "file", 1, "function", "text");
    std::vector<long> hostLevels;
    for (const LogRecord& record : host().logRecords()) hostLevels.push_back(record.hostLevel);
    EXPECT_EQ(hostLevels, (std::vector<long>{5, 4, 3, 2, 1, 0, 4, 4}));

    host().setEnabledHostLevels({4});
    EXPECT_TRUE(logging::IsEnabled(1));
    EXPECT_TRUE(logging::IsEnabled(7));
    EXPECT_FALSE(logging::IsEnabled(0));
    host().setEnabledHostLevels({0, 5});
    EXPECT_TRUE(logging::IsEnabled(5));
    EXPECT_TRUE(logging::IsEnabled(0));
    EXPECT_FALSE(logging::IsEnabled(1));
}

TEST_F(Logging, TextIsBuiltOnlyWhenTheHostSaysItsLevelIsEnabled)
{
    host().setEnabledHostLevels({3});
    TAVO_LOG(2, "value: " << CountedInsertion());
    EXPECT_EQ(insertions, 1);
    EXPECT_EQ(onlyRecord().message, L"value: counted");

    host().setEnabledHostLevels({0, 1, 2, 4, 5}); // all but module level 2
    TAVO_LOG(2, "value: " << CountedInsertion());
    host().setEnabledHostLevels({0, 1, 2, 3, 4, 5});
    host().failMethod(HostMethod::IsLevelEnabled, E_UNEXPECTED);
    TAVO_LOG(2, CountedInsertion());
    host().answerEmpty(HostMethod::IsLevelEnabled);
    TAVO_LOG(2, CountedInsertion());
    EXPECT_FALSE(logging::IsEnabled(2));
    EXPECT_EQ(insertions, 1);
    EXPECT_TRUE(host().logRecords().empty());
}

TEST_F(Logging, ARecordCarriesUtf16TextItsSourcePathLineAndQualifiedFunction)
{
    logging::Write(3, "dir/\xC3\xA9t\xC3\xA9", 9, "Caf\xC3\xA9::open", "\xE2\x82\xAC 5");
    const LogRecord written = onlyRecord();
    EXPECT_EQ(written.file, L"dir/\u00E9t\u00E9");
    EXPECT_EQ(written.function, L"Caf\u00E9::open");
    EXPECT_EQ(written.message, L"\u20AC 5");
    EXPECT_EQ(written.line, 9);

    const int line = Reporter().report();
    const LogRecord reported = onlyRecord();
    EXPECT_EQ(reported.file, L"tests/core/LoggingTest");
    EXPECT_EQ(reported.line, line);
    EXPECT_EQ(reported.function, L"Reporter::report");

    EventProxy<OfficeStandIn>().fire();
    EXPECT_EQ(onlyRecord().function, L"EventProxy<class OfficeStandIn>::fire");
}

TEST_F(Logging, NothingIsWrittenWithoutTheHostClassObjectOrWhenTheHostFails)
{
    hostaccess::releaseHostClassObject();
    EXPECT_FALSE(logging::IsEnabled(4));
    logging::Write(4, "file", 1, "function", "after stop");
    TAVO_LOG(4, "after stop " << CountedInsertion());
    EXPECT_EQ(insertions, 0);
    EXPECT_EQ(host().callCount(HostMethod::CreateLogger), 0u);
    ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);

    host().failMethod(HostMethod::WriteRecord, E_OUTOFMEMORY);
    TAVO_LOG(4, "write fails");
    EXPECT_EQ(host().callCount(HostMethod::WriteRecord), 1u);
    host().failMethod(HostMethod::CreateLogger, E_OUTOFMEMORY);
    EXPECT_FALSE(logging::IsEnabled(4));
    logging::Write(4, "file", 1, "function", "no logger");
    EXPECT_TRUE(host().logRecords().empty());
}

TEST_F(Logging, ThreadsLogWhileTheHostClassObjectComesAndGoes)
{
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int i = 0; i < 3; ++i) {
        writers.emplace_back([&stop, i] {
            for (int n = 0; !stop && n < 300; ++n) TAVO_LOG(2, "writer " << i << " line " << n);
        });
    }
    for (int round = 0; round < 50; ++round) {
        hostaccess::releaseHostClassObject();
        hostaccess::fetchHostClassObject();
    }
    stop = true;
    for (std::thread& writer : writers) writer.join();
    for (const LogRecord& record : host().logRecords()) EXPECT_EQ(record.message.rfind(L"writer ", 0), 0u);
}

TEST(LogCallSite, SourcePathsAreRelativeToTheProjectWithoutTheirExtension)
{
    using logging::detail::projectRootFromKnownFile;
    using logging::detail::sourcePathFromCompilerFile;
    EXPECT_EQ(sourcePathFromCompilerFile("/src/proj/extensions/tavomessenger/LocalServer.cpp", "/src/proj/"),
              "extensions/tavomessenger/LocalServer");
    EXPECT_EQ(sourcePathFromCompilerFile("extensions/tavomessenger/LocalServer.cpp", ""),
              "extensions/tavomessenger/LocalServer");
    EXPECT_EQ(sourcePathFromCompilerFile("C:\\Src\\extensions\\tavomessenger\\IMessenger\\DMessengerEvents_CP.h",
                                         "c:\\src\\"),
              "extensions/tavomessenger/IMessenger/DMessengerEvents_CP");
    EXPECT_EQ(sourcePathFromCompilerFile("/elsewhere/v1.2/Thing", "/src/proj/"), "/elsewhere/v1.2/Thing");

    EXPECT_EQ(projectRootFromKnownFile("/src/proj/extensions/x/Logging.cpp", "extensions/x/Logging.cpp"), "/src/proj/");
    EXPECT_EQ(projectRootFromKnownFile("extensions/x/Logging.cpp", "extensions/x/Logging.cpp"), "");
    EXPECT_EQ(projectRootFromKnownFile("D:\\p\\extensions\\x\\Logging.cpp", "extensions/x/Logging.cpp"), "D:/p/");
    EXPECT_EQ(projectRootFromKnownFile("/moved/Logging.cpp", "extensions/x/Logging.cpp"), "");
}

TEST(LogCallSite, FunctionNamesAreClassAndMethodWithClassTemplateArgumentsSpelledAsDeclared)
{
    const struct {
        const char* signature;
        const char* name;
    } rows[] = {
        {"void LocalServer::start()", "LocalServer::start"},
        {"virtual long int UCCContact::get_Uri(wchar_t**)", "UCCContact::get_Uri"},
        {"LocalServer::LocalServer(unsigned int)", "LocalServer::LocalServer"},
        {"virtual TavoExtensionEventManager::~TavoExtensionEventManager()",
         "TavoExtensionEventManager::~TavoExtensionEventManager"},
        {"static void TavoMessengerStateWorkers::revokeMessenger(std::shared_ptr<A>)",
         "TavoMessengerStateWorkers::revokeMessenger"},
        {"int Thing::value() const", "Thing::value"},
        {"std::pair<int, int> Thing::range(std::map<int, int>&)", "Thing::range"},
        {"void {anonymous}::doNothing(BSTR&, BSTR&)", "doNothing"},
        {"void (anonymous namespace)::doNothing(BSTR&, BSTR&)", "doNothing"},
        {"LocalServer::start()::<lambda()>", "LocalServer::start"},
        {"void Worker::operator()()", "Worker::operator()"},
        {"HRESULT CProxyDMessengerEvents<T>::Fire_OnAppShutdown() [with T = OfficeIntegrationImpl]",
         "CProxyDMessengerEvents<class OfficeIntegrationImpl>::Fire_OnAppShutdown"},
        {"void Pair<A, B>::run(B) [with A = Alpha; B = int; HRESULT = long int]", "Pair<class Alpha, int>::run"},
        {"void Listener<I>::fire() [with I = ns::Events<int, long int>]",
         "Listener<class ns::Events<int, long int>>::fire"},
        {"void Thing::apply(T) [with T = Alpha]", "Thing::apply"}, // a member template's own parameters are not named
        {"CProxyDMessengerEvents<class OfficeIntegrationImpl>::Fire_OnAppShutdown",
         "CProxyDMessengerEvents<class OfficeIntegrationImpl>::Fire_OnAppShutdown"},
        {"doNothing", "doNothing"},
        {"", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.signature);
        EXPECT_EQ(logging::detail::functionNameFromSignature(row.signature), row.name);
    }
}
