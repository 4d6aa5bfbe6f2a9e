#include "FakeOfficeInstallation.h"
#include "HostLogCapture.h"
#include "support/RawRegistry.h"
#include "support/SavedRegistryKey.h"

#include "utils/RegistryUtils.h"

#include "extensionsutils/ImProviderNames.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

using namespace registrytest;
using ::testing::ElementsAre;

namespace {

const wchar_t* const hostProviderKey = extensionsutils::improvider::ProviderKey;
const wchar_t* const office2007ProviderKey = extensionsutils::improvider::Office2007ProviderKey;
const wchar_t* const settingsKey = L"Software\\Norvane Works\\Unified Communications\\Mivra";

// The UpAndRunning DWORD under a provider key; nothing when the key or the value is missing.
std::optional<DWORD> upAndRunningUnder(const wchar_t* providerKey)
{
    RawValue value;
    if (!readRawValue(HKEY_CURRENT_USER, providerKey, L"UpAndRunning", value)) return std::nullopt;
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type);
    if (value.data.size() != sizeof(DWORD)) return std::nullopt;
    DWORD number = 0;
    std::memcpy(&number, value.data.data(), sizeof number);
    return number;
}

class ProviderValuesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        providers_.clear();
        settings_.clear();
    }

    SavedRegistryKey providers_{HKEY_CURRENT_USER, L"Software\\IM Providers"};
    SavedRegistryKey settings_{HKEY_CURRENT_USER, L"Software\\Norvane Works"};
    FakeOfficeInstallation office_;
    HostLogCapture log_;
};

} // namespace

TEST_F(ProviderValuesTest, UpAndRunningGoesUnderTheHostClientsKeyAndUnderTheCommunicatorKeyOnlyForOffice2007)
{
    RegistryUtils::SetUpAndRunning(1);
    EXPECT_EQ(std::optional<DWORD>(1), upAndRunningUnder(hostProviderKey));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, office2007ProviderKey));
    EXPECT_THAT(log_.messages(), ElementsAre(L"Setting up and running to: 1", L"Setting key for Office 2010, 2013 or 2016"));

    ASSERT_TRUE(office_.setOutlookCurVer(L"Outlook.Application.12"));
    log_.host().clearLog();
    RegistryUtils::SetUpAndRunning(2);
    EXPECT_EQ(std::optional<DWORD>(2), upAndRunningUnder(hostProviderKey));
    EXPECT_EQ(std::optional<DWORD>(2), upAndRunningUnder(office2007ProviderKey));
    EXPECT_THAT(log_.messages(), ElementsAre(L"Setting up and running to: 2", L"Setting key for Office 2010, 2013 or 2016",
                                             L"Setting key for Office 2007"));

    // A later Office leaves the Communicator key alone.
    ASSERT_TRUE(office_.setOutlookCurVer(L"Outlook.Application.14"));
    office_.registerComponentIn(L"OFFICE16");
    RegistryUtils::SetUpAndRunning(0);
    EXPECT_EQ(std::optional<DWORD>(0), upAndRunningUnder(hostProviderKey));
    EXPECT_EQ(std::optional<DWORD>(2), upAndRunningUnder(office2007ProviderKey));
}

TEST_F(ProviderValuesTest, Office2007FromTheComponentFolderAloneIsDetectedAfreshOnEveryCall)
{
    office_.registerComponentIn(L"Office12");
    RegistryUtils::SetUpAndRunning(2);
    EXPECT_EQ(std::optional<DWORD>(2), upAndRunningUnder(office2007ProviderKey));
    office_.uninstall();
    RegistryUtils::SetUpAndRunning(0);
    EXPECT_EQ(std::optional<DWORD>(0), upAndRunningUnder(hostProviderKey));
    EXPECT_EQ(std::optional<DWORD>(2), upAndRunningUnder(office2007ProviderKey));
}

TEST_F(ProviderValuesTest, OnlyAStoredNumberOneDisablesContactResolution)
{
    EXPECT_TRUE(RegistryUtils::isResolveContactEnabled()) << "no key";
    ASSERT_TRUE(createKey(HKEY_CURRENT_USER, settingsKey));
    EXPECT_TRUE(RegistryUtils::isResolveContactEnabled()) << "no value";
    const struct {
        const char* what;
        DWORD type;
        std::vector<BYTE> bytes;
        bool enabled;
    } rows[] = {
        {"1", REG_DWORD, {1, 0, 0, 0}, false},
        {"0", REG_DWORD, {0, 0, 0, 0}, true},
        {"2", REG_DWORD, {2, 0, 0, 0}, true},
        {"0x101", REG_DWORD, {1, 1, 0, 0}, true},
        {"0xFFFFFFFF", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, true},
        {"the text 1", REG_SZ, bytesOf(L"1", true), true},
        {"a 64-bit 1", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, true},
        {"four bytes 1", REG_BINARY, {1, 0, 0, 0}, false},
        {"one byte 1", REG_BINARY, {1}, false},
        {"no bytes", REG_BINARY, {}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(writeRawValue(HKEY_CURRENT_USER, settingsKey, L"DisableResolveContact", row.type, row.bytes.data(),
                                  static_cast<DWORD>(row.bytes.size())));
        EXPECT_EQ(row.enabled, RegistryUtils::isResolveContactEnabled());
    }
}
