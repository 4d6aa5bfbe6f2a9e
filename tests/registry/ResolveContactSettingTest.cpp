#include "RawRegistry.h"
#include "SavedRegistryKey.h"

#include "utils/RegistryUtils.h"

#include <gtest/gtest.h>

#include <vector>

using namespace registrytest;

namespace {

const wchar_t* const settingsKey = L"Software\\Norvane Works\\Unified Communications\\Mivra";

class ResolveContactSettingTest : public ::testing::Test
{
protected:
    void SetUp() override { saved_.clear(); }

    void setSetting(DWORD type, const std::vector<BYTE>& bytes)
    {
        ASSERT_TRUE(writeRawValue(HKEY_CURRENT_USER, settingsKey, L"DisableResolveContact", type, bytes.data(),
                                  static_cast<DWORD>(bytes.size())));
    }

    SavedRegistryKey saved_{HKEY_CURRENT_USER, L"Software\\Norvane Works"};
};

TEST_F(ResolveContactSettingTest, MissingKeyOrValueEnablesResolution)
{
    EXPECT_TRUE(RegistryUtils::isResolveContactEnabled());
    ASSERT_TRUE(createKey(HKEY_CURRENT_USER, settingsKey));
    EXPECT_TRUE(RegistryUtils::isResolveContactEnabled());
}

TEST_F(ResolveContactSettingTest, OnlyTheNumberOneDisablesResolution)
{
    const struct
    {
        DWORD number;
        bool enabled;
    } cases[] = {{1, false}, {0, true}, {2, true}, {0x101, true}, {0xFFFFFFFF, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "DisableResolveContact " << c.number);
        ASSERT_TRUE(writeDwordValue(HKEY_CURRENT_USER, settingsKey, L"DisableResolveContact", c.number));
        EXPECT_EQ(c.enabled, RegistryUtils::isResolveContactEnabled());
    }
}

TEST_F(ResolveContactSettingTest, OtherTypesCountByTheirFirstBytesAndLongerOnesAreUnreadable)
{
    const struct
    {
        const char* what;
        DWORD type;
        std::vector<BYTE> bytes;
        bool enabled;
    } cases[] = {
        {"the text 1", REG_SZ, bytesOf(L"1", true), true},
        {"a 64-bit 1", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, true},
        {"four bytes 1", REG_BINARY, {1, 0, 0, 0}, false},
        {"one byte 1", REG_BINARY, {1}, false},
        {"no bytes", REG_BINARY, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        setSetting(c.type, c.bytes);
        EXPECT_EQ(c.enabled, RegistryUtils::isResolveContactEnabled());
    }
}

} // namespace
