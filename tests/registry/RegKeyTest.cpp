#include "support/RawRegistry.h"
#include "support/SavedRegistryKey.h"

#include "extensionsutils/LogSink.h"
#include "extensionsutils/RegKey.h"
#include "extensionsutils/RegKeyFactoryImpl.h"

#include <gtest/gtest.h>

#include <cstdio>

using extensionsutils::RegKeyFactoryImpl;
using extensionsutils::RegKeyPtr;
using namespace registrytest;

namespace {

const wchar_t* const userTestKey = L"Software\\TavoMessengerTests\\RegKey";
// Below HKEY_LOCAL_MACHINE\SOFTWARE, which a 32-bit process sees through a view of its own.
const wchar_t* const machineTestKey = L"SOFTWARE\\TavoMessengerTests\\RegKey";

struct RecordingLogSink : extensionsutils::LogSink {
    void write(int level, const char*, int, const char* function, const std::string& message) override
    {
        lines.push_back(std::to_string(level) + " " + function + ": " + message);
    }
    std::vector<std::string> lines;
};

// A root key as the log line shows it: its handle in hexadecimal.
std::string hiveText(HKEY hive)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(hive)));
    return text;
}

class RegKeyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const SavedRegistryKey* saved : {&user_, &machine64_, &machine32_}) saved->clear();
    }

    // The factory's calls, in one place: `native` asks for the 64-bit view; a null sink logs nothing.
    RegKeyPtr create(HKEY hive, const std::wstring& path, bool native = false)
    {
        return factory_.CreateRegistryKey(sink_, hive, path, native ? extensionsutils::RegistryView::Wow64_64 : extensionsutils::RegistryView::Default);
    }
    RegKeyPtr open(HKEY hive, const std::wstring& path, bool native, REGSAM access, bool logged = true)
    {
        return factory_.OpenRegistryKey(logged ? sink_ : nullptr, hive, path, native ? extensionsutils::RegistryView::Wow64_64 : extensionsutils::RegistryView::Default, access);
    }
    void writeRaw(const wchar_t* name, DWORD type, const std::vector<BYTE>& bytes)
    {
        ASSERT_TRUE(writeRawValue(HKEY_CURRENT_USER, userTestKey, name, type, bytes));
    }

    RegKeyFactoryImpl factory_;
    std::shared_ptr<RecordingLogSink> sink_ = std::make_shared<RecordingLogSink>();
    SavedRegistryKey user_{HKEY_CURRENT_USER, userTestKey};
    SavedRegistryKey machine64_{HKEY_LOCAL_MACHINE, machineTestKey, KEY_WOW64_64KEY};
    SavedRegistryKey machine32_{HKEY_LOCAL_MACHINE, machineTestKey, KEY_WOW64_32KEY};
};

} // namespace

TEST_F(RegKeyTest, StringsAreWrittenWithTheirTerminatorAndReadBackWithTheirLength)
{
    RegKeyPtr key = create(HKEY_CURRENT_USER, userTestKey);
    ASSERT_TRUE(key);
    ASSERT_EQ(ERROR_SUCCESS, key->writeString(L"", L"{31F0215E-C543-4EE3-B6F0-03AC36815648}"));
    ASSERT_EQ(ERROR_SUCCESS, key->writeString(L"Empty", L""));
    writeRaw(L"Expandable", REG_EXPAND_SZ, bytesOf(L"%TEMP%", true));
    RawValue raw;
    ASSERT_TRUE(readRawValue(HKEY_CURRENT_USER, userTestKey, nullptr, raw));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), raw.type);
    EXPECT_EQ(78u, raw.data.size());

    wchar_t buffer[39]; // 39 characters fill it exactly, terminator included
    DWORD length = 99;
    ASSERT_EQ(ERROR_SUCCESS, key->readString(nullptr, buffer, 39, length));
    EXPECT_EQ(38u, length);
    EXPECT_STREQ(L"{31F0215E-C543-4EE3-B6F0-03AC36815648}", buffer);
    ASSERT_EQ(ERROR_SUCCESS, key->readString(L"Empty", buffer, 39, length));
    EXPECT_EQ(0u, length);
    ASSERT_EQ(ERROR_SUCCESS, key->readString(L"Expandable", buffer, 39, length));
    EXPECT_STREQ(L"%TEMP%", buffer);
}

TEST_F(RegKeyTest, StringReadsOfWhatIsNoFittingTerminatedStringFailWithAnEmptyBuffer)
{
    std::vector<BYTE> oddLength = bytesOf(L"abc", true);
    oddLength.push_back('x');
    const struct {
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> bytes;
        LONG result;
    } rows[] = {
        {L"Unterminated", REG_SZ, bytesOf(L"abc", false), ERROR_INVALID_DATA},
        {L"OddLength", REG_SZ, oddLength, ERROR_INVALID_DATA},
        {L"NoBytes", REG_SZ, {}, ERROR_INVALID_DATA},
        {L"Binary", REG_BINARY, bytesOf(L"abc", true), ERROR_INVALID_DATA},
        {L"Number", REG_DWORD, {1, 0, 0, 0}, ERROR_INVALID_DATA},
        {L"TooLong", REG_SZ, bytesOf(L"0123456789", true), ERROR_MORE_DATA},
    };
    RegKeyPtr key = create(HKEY_CURRENT_USER, userTestKey);
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "value " << row.name);
        writeRaw(row.name, row.type, row.bytes);
        wchar_t buffer[8] = {L'?'};
        DWORD length = 99;
        EXPECT_EQ(row.result, key->readString(row.name, buffer, 8, length));
        EXPECT_EQ(L'\0', buffer[0]);
        EXPECT_EQ(99u, length);
    }
    DWORD length = 0;
    wchar_t buffer[4];
    EXPECT_EQ(ERROR_INVALID_PARAMETER, key->readString(L"TooLong", nullptr, 4, length));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, key->readString(L"TooLong", buffer, 0, length));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key->readString(L"Missing", buffer, 4, length));
}

TEST_F(RegKeyTest, FactoryOpensWithTheAccessAskedForAndLogsOneLineForEachFailureWhenGivenASink)
{
    ASSERT_TRUE(create(HKEY_CURRENT_USER, userTestKey));
    RegKeyPtr readOnly = open(HKEY_CURRENT_USER, userTestKey, false, KEY_READ);
    ASSERT_TRUE(readOnly);
    EXPECT_EQ(ERROR_ACCESS_DENIED, readOnly->writeDword(L"UpAndRunning", 0));
    EXPECT_TRUE(sink_->lines.empty());

    const std::wstring missing = std::wstring(userTestKey) + L"\\Missing";
    EXPECT_FALSE(open(HKEY_CURRENT_USER, missing, false, KEY_READ, false));
    EXPECT_FALSE(open(HKEY_CURRENT_USER, missing, true, KEY_READ));
    EXPECT_FALSE(create(nullptr, userTestKey));
    EXPECT_FALSE(factory_.OpenUserHiveKey(sink_, true, L"NoSuchUser"));
    EXPECT_EQ((std::vector<std::string>{
                  "1 extensionsutils::RegKeyFactoryImpl::OpenRegistryKey: Failed to open "
                  "Software\\TavoMessengerTests\\RegKey\\Missing in " + hiveText(HKEY_CURRENT_USER) +
                      " use64BitRegistry: 1 Registry Error 2",
                  "1 extensionsutils::RegKeyFactoryImpl::CreateRegistryKey: Failed to create "
                  "Software\\TavoMessengerTests\\RegKey in 0x0 use64BitRegistry: 0 Registry Error 6",
                  "1 extensionsutils::RegKeyFactoryImpl::OpenRegistryKey: Failed to open NoSuchUser in " +
                      hiveText(HKEY_USERS) + " use64BitRegistry: 0 Registry Error 2"}),
              sink_->lines);
}

TEST_F(RegKeyTest, The64BitFlagReachesTheNativeViewWhateverTheProcess)
{
    ASSERT_TRUE(create(HKEY_LOCAL_MACHINE, machineTestKey, true));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, machineTestKey, KEY_WOW64_64KEY));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, machineTestKey, KEY_WOW64_32KEY));
    EXPECT_TRUE(open(HKEY_LOCAL_MACHINE, machineTestKey, true, KEY_READ));
    // Without the flag the process's own view: the native one only for a 64-bit process.
    EXPECT_EQ(sizeof(void*) == 8,
              static_cast<bool>(open(HKEY_LOCAL_MACHINE, machineTestKey, false, KEY_READ, false)));
}

TEST_F(RegKeyTest, UserHiveIsTheCurrentUserLeftOpenAfterUseOrTheNamedUsersHiveReadOnly)
{
    RegKeyPtr current = factory_.OpenUserHiveKey(sink_, false, L"ignored");
    ASSERT_TRUE(current);
    EXPECT_EQ(HKEY_CURRENT_USER, current->get());
    current.reset();
    EXPECT_TRUE(createKey(HKEY_CURRENT_USER, userTestKey)) << "dropping the holder closed HKEY_CURRENT_USER";

    RegKeyPtr defaultUser = factory_.OpenUserHiveKey(sink_, true, L".DEFAULT");
    ASSERT_TRUE(defaultUser);
    EXPECT_EQ(ERROR_ACCESS_DENIED, defaultUser->writeDword(L"TavoMessengerTests", 1));
}
