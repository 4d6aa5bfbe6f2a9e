#include "FakeOfficeInstallation.h"
#include "HostLogCapture.h"
#include "RawRegistry.h"
#include "SavedRegistryKey.h"

#include "utils/RegistryUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

using namespace registrytest;
using ::testing::ElementsAre;

namespace {

const wchar_t* const hostProviderKey = L"Software\\IM Providers\\Norvane Quillon";
const wchar_t* const office2007ProviderKey = L"Software\\IM Providers\\Communicator";

// The UpAndRunning DWORD under a provider key; nothing when the key or the value is missing.
std::optional<DWORD> upAndRunningUnder(const wchar_t* providerKey)
{
    RawValue value;
    if (!readRawValue(HKEY_CURRENT_USER, providerKey, L"UpAndRunning", value)) return std::nullopt;
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type);
    if (value.data.size() != sizeof(DWORD)) {
        ADD_FAILURE() << "UpAndRunning holds " << value.data.size() << " bytes";
        return std::nullopt;
    }
    DWORD number = 0;
    std::memcpy(&number, value.data.data(), sizeof number);
    return number;
}

class UpAndRunningTest : public ::testing::Test
{
protected:
    void SetUp() override { providers_.clear(); }

    SavedRegistryKey providers_{HKEY_CURRENT_USER, L"Software\\IM Providers"};
    FakeOfficeInstallation office_;
    HostLogCapture log_;
};

TEST_F(UpAndRunningTest, WithoutOffice2007OnlyTheHostClientsKeyIsWritten)
{
    RegistryUtils::SetUpAndRunning(1);
    EXPECT_EQ(std::optional<DWORD>(1), upAndRunningUnder(hostProviderKey));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, office2007ProviderKey));
    EXPECT_THAT(log_.messages(),
                ElementsAre(L"Setting up and running to: 1", L"Setting key for Office 2010, 2013 or 2016"));
    const auto records = log_.host().logRecords();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(L"RegistryUtils::SetUpAndRunning", records[0].function);
    EXPECT_EQ(L"extensions/tavomessenger/utils/RegistryUtils", records[0].file);
    EXPECT_EQ(4, records[0].hostLevel);

    RegistryUtils::SetUpAndRunning(2);
    EXPECT_EQ(std::optional<DWORD>(2), upAndRunningUnder(hostProviderKey));
    RegistryUtils::SetUpAndRunning(0);
    EXPECT_EQ(std::optional<DWORD>(0), upAndRunningUnder(hostProviderKey));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, office2007ProviderKey));
}

TEST_F(UpAndRunningTest, Office2007FromCurVerAlsoWritesTheCommunicatorKey)
{
    ASSERT_TRUE(office_.setOutlookCurVer(L"Outlook.Application.12"));
    RegistryUtils::SetUpAndRunning(2);
    EXPECT_EQ(std::optional<DWORD>(2), upAndRunningUnder(hostProviderKey));
    EXPECT_EQ(std::optional<DWORD>(2), upAndRunningUnder(office2007ProviderKey));
    EXPECT_THAT(log_.messages(), ElementsAre(L"Setting up and running to: 2",
                                             L"Setting key for Office 2010, 2013 or 2016",
                                             L"Setting key for Office 2007"));

    RegistryUtils::SetUpAndRunning(0);
    EXPECT_EQ(std::optional<DWORD>(0), upAndRunningUnder(hostProviderKey));
    EXPECT_EQ(std::optional<DWORD>(0), upAndRunningUnder(office2007ProviderKey));
}

TEST_F(UpAndRunningTest, LaterOfficeLeavesTheCommunicatorKeyAlone)
{
    ASSERT_TRUE(writeDwordValue(HKEY_CURRENT_USER, office2007ProviderKey, L"UpAndRunning", 1));
    ASSERT_TRUE(office_.setOutlookCurVer(L"Outlook.Application.14"));
    office_.registerComponentIn(L"OFFICE16");
    RegistryUtils::SetUpAndRunning(2);
    EXPECT_EQ(std::optional<DWORD>(2), upAndRunningUnder(hostProviderKey));
    EXPECT_EQ(std::optional<DWORD>(1), upAndRunningUnder(office2007ProviderKey));
}

TEST_F(UpAndRunningTest, Office2007FromTheComponentFolderAloneIsDetectedAfreshOnEveryCall)
{
    office_.registerComponentIn(L"Office12");
    RegistryUtils::SetUpAndRunning(2);
    EXPECT_EQ(std::optional<DWORD>(2), upAndRunningUnder(office2007ProviderKey));

    office_.uninstall();
    RegistryUtils::SetUpAndRunning(0);
    EXPECT_EQ(std::optional<DWORD>(0), upAndRunningUnder(hostProviderKey));
    EXPECT_EQ(std::optional<DWORD>(2), upAndRunningUnder(office2007ProviderKey));
}

} // namespace
