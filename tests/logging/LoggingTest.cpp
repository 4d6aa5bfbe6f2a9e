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
struct CountedInsertion {
    static std::atomic<int> insertions;
};
std::atomic<int> CountedInsertion::insertions{0};

std::ostream& operator<<(std::ostream& stream, const CountedInsertion&)
{
    ++CountedInsertion::insertions;
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
        CountedInsertion::insertions = 0;
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
        return records.empty() ? LogRecord() : records.front();
    }

    fakehost::FakeHostEnvironment environment;
};

TEST_F(Logging, LevelsReachTheHostOnItsReversedScale)
{
    for (int level : {0, 1, 2, 3, 4, 5, 7, -1}) logging::Write(level, "file", 1, "function", "text");

    std::vector<long> hostLevels;
    for (const LogRecord& record : host().logRecords()) hostLevels.push_back(record.hostLevel);
    EXPECT_EQ(hostLevels, (std::vector<long>{5, 4, 3, 2, 1, 0, 4, 4}));
}

TEST_F(Logging, TheEnabledCheckAsksForTheMappedLevel)
{
    host().setEnabledHostLevels({4});
    EXPECT_TRUE(logging::IsEnabled(1));
    EXPECT_TRUE(logging::IsEnabled(7));
    EXPECT_FALSE(logging::IsEnabled(0));
    EXPECT_FALSE(logging::IsEnabled(5));

    host().setEnabledHostLevels({0, 5});
    EXPECT_TRUE(logging::IsEnabled(5));
    EXPECT_TRUE(logging::IsEnabled(0));
    EXPECT_FALSE(logging::IsEnabled(1));
}

TEST_F(Logging, ADisabledLevelBuildsNoText)
{
    host().setEnabledHostLevels({0, 1, 2, 4, 5}); // all but module level 2

    TAVO_LOG(2, "value: " << CountedInsertion());
    EXPECT_EQ(CountedInsertion::insertions, 0);
    EXPECT_TRUE(host().logRecords().empty());

    host().setEnabledHostLevels({3});
    TAVO_LOG(2, "value: " << CountedInsertion());
    EXPECT_EQ(CountedInsertion::insertions, 1);
    EXPECT_EQ(onlyRecord().message, L"value: counted");
}

TEST_F(Logging, AFailingOrUnansweredEnabledCheckBuildsNoText)
{
    host().failMethod(HostMethod::IsLevelEnabled, E_UNEXPECTED);
    EXPECT_FALSE(logging::IsEnabled(2));
    TAVO_LOG(2, CountedInsertion());

    host().answerEmpty(HostMethod::IsLevelEnabled);
    EXPECT_FALSE(logging::IsEnabled(2));
    TAVO_LOG(2, CountedInsertion());

    EXPECT_EQ(CountedInsertion::insertions, 0);
    EXPECT_TRUE(host().logRecords().empty());
}

TEST_F(Logging, Utf8TextReachesTheHostAsUtf16)
{
    TAVO_LOG(3, "caf\xC3\xA9");
    const std::wstring message = onlyRecord().message;
    EXPECT_EQ(message, L"caf\u00E9");
    EXPECT_EQ(message.size(), 4u);

    host().clearLog();
    logging::Write(3, "dir/\xC3\xA9t\xC3\xA9", 9, "Caf\xC3\xA9::open", "\xE2\x82\xAC 5");
    const LogRecord record = onlyRecord();
    EXPECT_EQ(record.file, L"dir/\u00E9t\u00E9");
    EXPECT_EQ(record.function, L"Caf\u00E9::open");
    EXPECT_EQ(record.message, L"\u20AC 5");
    EXPECT_EQ(record.line, 9);
}

TEST_F(Logging, ARecordNamesItsSourceFileLineAndQualifiedFunction)
{
    Reporter reporter;
    const int line = reporter.report();

    const LogRecord record = onlyRecord();
    EXPECT_EQ(record.file, L"tests/logging/LoggingTest");
    EXPECT_EQ(record.line, line);
    EXPECT_EQ(record.function, L"Reporter::report");
    EXPECT_EQ(record.hostLevel, 3);
}

TEST_F(Logging, AClassTemplatesRecordSpellsItsArgument)
{
    EventProxy<OfficeStandIn>().fire();
    EXPECT_EQ(onlyRecord().function, L"EventProxy<class OfficeStandIn>::fire");
}

TEST_F(Logging, EachLineUsesLoggersOfItsOwn)
{
    TAVO_LOG(2, "enabled line");
    EXPECT_EQ(host().callCount(HostMethod::CreateLogger), 2u) << "one for the check, one for the write";

    host().resetCallCounts();
    host().setEnabledHostLevels({});
    TAVO_LOG(2, "disabled line");
    EXPECT_EQ(host().callCount(HostMethod::CreateLogger), 1u);
    EXPECT_EQ(host().callCount(HostMethod::WriteRecord), 0u);
}

TEST_F(Logging, NothingIsWrittenWithoutTheHostClassObject)
{
    hostaccess::releaseHostClassObject();

    EXPECT_FALSE(logging::IsEnabled(4));
    logging::Write(4, "file", 1, "function", "after stop");
    TAVO_LOG(4, "after stop " << CountedInsertion());

    EXPECT_EQ(CountedInsertion::insertions, 0);
    EXPECT_EQ(host().callCount(HostMethod::CreateLogger), 0u);
    EXPECT_TRUE(host().logRecords().empty());
}

TEST_F(Logging, HostFailuresEndSilently)
{
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

    for (const LogRecord& record : host().logRecords()) {
        EXPECT_EQ(record.message.rfind(L"writer ", 0), 0u);
        EXPECT_EQ(record.function, L"Logging_ThreadsLogWhileTheHostClassObjectComesAndGoes_Test::TestBody");
    }
}

} // namespace
