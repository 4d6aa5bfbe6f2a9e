#include "RawRegistry.h"
#include "SavedRegistryKey.h"

#include "extensionsutils/LogSink.h"
#include "extensionsutils/RegKeyFactoryImpl.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using extensionsutils::RegKeyFactoryImpl;
using extensionsutils::RegKeyPtr;
using namespace registrytest;

namespace {

const wchar_t* const userTestKey = L"Software\\TavoMessengerTests\\RegKeyFactory";
// Below HKEY_LOCAL_MACHINE\SOFTWARE, which a 32-bit process sees through a view of its own.
const wchar_t* const machineTestKey = L"SOFTWARE\\TavoMessengerTests\\RegKeyFactory";

struct LogRecord
{
    int level;
    std::string file;
    std::string function;
    std::string message;
};

class RecordingLogSink : public extensionsutils::LogSink
{
public:
    void write(int level, const char* file, int line, const char* function, const std::string& message) override
    {
        records.push_back({level, file, function, message});
    }
    std::vector<LogRecord> records;
};

// A root key as the log line shows it: its handle in hexadecimal.
std::string hiveText(HKEY hive)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(hive)));
    return text;
}

class RegKeyFactoryImplTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        savedUserKey_.clear();
        saved64_.clear();
        saved32_.clear();
    }

    RegKeyFactoryImpl factory_;
    std::shared_ptr<RecordingLogSink> sink_ = std::make_shared<RecordingLogSink>();
    SavedRegistryKey savedUserKey_{HKEY_CURRENT_USER, userTestKey};
    SavedRegistryKey saved64_{HKEY_LOCAL_MACHINE, machineTestKey, KEY_WOW64_64KEY};
    SavedRegistryKey saved32_{HKEY_LOCAL_MACHINE, machineTestKey, KEY_WOW64_32KEY};
};

TEST_F(RegKeyFactoryImplTest, CreatedKeyTakesValuesAndOpenedKeyHasTheAccessAskedFor)
{
    RegKeyPtr created = factory_.CreateRegistryKey(sink_, HKEY_CURRENT_USER, userTestKey, false);
    ASSERT_TRUE(created);
    ASSERT_EQ(ERROR_SUCCESS, created->writeDword(L"UpAndRunning", 2));
    RawValue value;
    ASSERT_TRUE(readRawValue(HKEY_CURRENT_USER, userTestKey, L"UpAndRunning", value));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type);

    ASSERT_TRUE(factory_.CreateRegistryKey(sink_, HKEY_CURRENT_USER, userTestKey, false));
    RegKeyPtr readOnly = factory_.OpenRegistryKey(sink_, HKEY_CURRENT_USER, userTestKey, false, KEY_READ);
    ASSERT_TRUE(readOnly);
    EXPECT_EQ(ERROR_ACCESS_DENIED, readOnly->writeDword(L"UpAndRunning", 0));
    EXPECT_TRUE(sink_->records.empty());
}

TEST_F(RegKeyFactoryImplTest, FailuresAnswerNothingAndLogOneLineWhenGivenASink)
{
    EXPECT_FALSE(factory_.OpenRegistryKey(nullptr, HKEY_CURRENT_USER, userTestKey, false, KEY_READ));
    EXPECT_TRUE(sink_->records.empty());

    EXPECT_FALSE(factory_.OpenRegistryKey(sink_, HKEY_CURRENT_USER, userTestKey, true, KEY_READ));
    EXPECT_FALSE(factory_.CreateRegistryKey(sink_, nullptr, userTestKey, false));

    ASSERT_EQ(2u, sink_->records.size());
    const LogRecord& open = sink_->records[0];
    EXPECT_EQ(1, open.level);
    EXPECT_EQ("extensions/extensionsutils/src/extensionsutils/RegKeyFactoryImpl", open.file);
    EXPECT_EQ("extensionsutils::RegKeyFactoryImpl::OpenRegistryKey", open.function);
    EXPECT_EQ("Failed to open Software\\TavoMessengerTests\\RegKeyFactory in " + hiveText(HKEY_CURRENT_USER) +
                  " use64BitRegistry: 1 Registry Error 2",
              open.message);
    const LogRecord& create = sink_->records[1];
    EXPECT_EQ(1, create.level);
    EXPECT_EQ("extensionsutils::RegKeyFactoryImpl::CreateRegistryKey", create.function);
    EXPECT_EQ("Failed to create Software\\TavoMessengerTests\\RegKeyFactory in 0x0 use64BitRegistry: 0 "
              "Registry Error 6",
              create.message);
}

TEST_F(RegKeyFactoryImplTest, The64BitFlagReachesTheNativeViewWhateverTheProcess)
{
    RegKeyPtr created = factory_.CreateRegistryKey(sink_, HKEY_LOCAL_MACHINE, machineTestKey, true);
    ASSERT_TRUE(created);
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, machineTestKey, KEY_WOW64_64KEY));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, machineTestKey, KEY_WOW64_32KEY));

    EXPECT_TRUE(factory_.OpenRegistryKey(sink_, HKEY_LOCAL_MACHINE, machineTestKey, true, KEY_READ));
    // Without the flag the process's own view: the native one only for a 64-bit process.
    EXPECT_EQ(sizeof(void*) == 8,
              static_cast<bool>(factory_.OpenRegistryKey(nullptr, HKEY_LOCAL_MACHINE, machineTestKey, false, KEY_READ)));
}

TEST_F(RegKeyFactoryImplTest, UserHiveIsTheCurrentUserOrTheNamedUsersHiveReadOnly)
{
    RegKeyPtr current = factory_.OpenUserHiveKey(sink_, false, L"ignored");
    ASSERT_TRUE(current);
    EXPECT_EQ(HKEY_CURRENT_USER, current->handle());
    current.reset();
    // Dropping the holder leaves HKEY_CURRENT_USER usable.
    EXPECT_TRUE(createKey(HKEY_CURRENT_USER, userTestKey));

    RegKeyPtr defaultUser = factory_.OpenUserHiveKey(sink_, true, L".DEFAULT");
    ASSERT_TRUE(defaultUser);
    EXPECT_EQ(ERROR_ACCESS_DENIED, defaultUser->writeDword(L"TavoMessengerTests", 1));

    EXPECT_FALSE(factory_.OpenUserHiveKey(sink_, true, L"NoSuchUser"));
    ASSERT_EQ(1u, sink_->records.size());
    EXPECT_EQ("Failed to open NoSuchUser in " + hiveText(HKEY_USERS) + " use64BitRegistry: 0 Registry Error 2",
              sink_->records[0].message);
}

} // namespace
