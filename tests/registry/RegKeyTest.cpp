#include "RawRegistry.h"
#include "SavedRegistryKey.h"

#include "extensionsutils/RegKey.h"

#include <gtest/gtest.h>

#include <memory>

using extensionsutils::RegKey;
using namespace registrytest;

namespace {

const wchar_t* const testKeyPath = L"Software\\TavoMessengerTests\\RegKey";

class RegKeyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        saved_.clear();
        HKEY raw = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, testKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &raw, nullptr));
        key_ = std::make_unique<RegKey>(raw);
    }

    void writeRaw(const wchar_t* name, DWORD type, const std::vector<BYTE>& bytes)
    {
        ASSERT_TRUE(writeRawValue(HKEY_CURRENT_USER, testKeyPath, name, type, bytes.data(),
                                  static_cast<DWORD>(bytes.size())));
    }

    SavedRegistryKey saved_{HKEY_CURRENT_USER, testKeyPath};
    std::unique_ptr<RegKey> key_;
};

TEST_F(RegKeyTest, StringsWrittenWithTheirTerminatorReadBackWithTheirLength)
{
    ASSERT_EQ(ERROR_SUCCESS, key_->writeString(L"", L"{31F0215E-C543-4EE3-B6F0-03AC36815648}"));
    ASSERT_EQ(ERROR_SUCCESS, key_->writeString(L"Empty", L""));
    writeRaw(L"Expandable", REG_EXPAND_SZ, bytesOf(L"%TEMP%", true));

    RawValue raw;
    ASSERT_TRUE(readRawValue(HKEY_CURRENT_USER, testKeyPath, nullptr, raw));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), raw.type);
    EXPECT_EQ(78u, raw.data.size());

    // 39 characters fill the buffer exactly, terminator included.
    wchar_t buffer[39];
    DWORD length = 99;
    ASSERT_EQ(ERROR_SUCCESS, key_->readString(nullptr, buffer, 39, length));
    EXPECT_EQ(38u, length);
    EXPECT_STREQ(L"{31F0215E-C543-4EE3-B6F0-03AC36815648}", buffer);

    ASSERT_EQ(ERROR_SUCCESS, key_->readString(L"Empty", buffer, 39, length));
    EXPECT_EQ(0u, length);
    ASSERT_EQ(ERROR_SUCCESS, key_->readString(L"Expandable", buffer, 39, length));
    EXPECT_STREQ(L"%TEMP%", buffer);
}

TEST_F(RegKeyTest, StringReadRefusesDataThatIsNoTerminatedString)
{
    std::vector<BYTE> oddLength = bytesOf(L"abc", true);
    oddLength.push_back('x');
    writeRaw(L"Unterminated", REG_SZ, bytesOf(L"abc", false));
    writeRaw(L"OddLength", REG_SZ, oddLength);
    writeRaw(L"NoBytes", REG_SZ, {});
    writeRaw(L"Binary", REG_BINARY, bytesOf(L"abc", true));
    writeRaw(L"Number", REG_DWORD, {1, 0, 0, 0});

    for (const wchar_t* name : {L"Unterminated", L"OddLength", L"NoBytes", L"Binary", L"Number"}) {
        SCOPED_TRACE(testing::Message() << "value " << name);
        wchar_t buffer[16] = L"?";
        DWORD length = 99;
        EXPECT_EQ(ERROR_INVALID_DATA, key_->readString(name, buffer, 16, length));
        EXPECT_EQ(L'\0', buffer[0]);
        EXPECT_EQ(99u, length);
    }
}

TEST_F(RegKeyTest, StringReadThatCannotFitFailsWithAnEmptyBuffer)
{
    writeRaw(L"Long", REG_SZ, bytesOf(L"0123456789", true));
    wchar_t buffer[4] = {L'?', L'?', L'?', L'?'};
    DWORD length = 99;
    EXPECT_EQ(ERROR_MORE_DATA, key_->readString(L"Long", buffer, 4, length));
    EXPECT_EQ(L'\0', buffer[0]);
    EXPECT_EQ(99u, length);

    EXPECT_EQ(ERROR_INVALID_PARAMETER, key_->readString(L"Long", nullptr, 4, length));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, key_->readString(L"Long", buffer, 0, length));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key_->readString(L"Missing", buffer, 4, length));
}

} // namespace
