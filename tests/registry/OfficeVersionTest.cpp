#include "FakeOfficeInstallation.h"
#include "support/RawRegistry.h"

#include "utils/RegistryUtils.h"

#include <gtest/gtest.h>

using namespace registrytest;

namespace {

class OfficeVersionTest : public ::testing::Test
{
protected:
    FakeOfficeInstallation office_;
};

} // namespace

TEST_F(OfficeVersionTest, CurVerAnswersAKnownMajorVersionAfterTheLastFullStopAndZeroForAnythingElse)
{
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer()) << "no Office";
    const std::wstring curVer = std::wstring(outlookApplicationKey) + L"\\CurVer";
    ASSERT_TRUE(createKey(HKEY_CLASSES_ROOT, curVer));
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer()) << "no value";
    ASSERT_TRUE(writeDwordValue(HKEY_CLASSES_ROOT, curVer, nullptr, 12));
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer()) << "a number";
    const std::vector<BYTE> unterminated = bytesOf(L"Outlook.Application.12", false);
    ASSERT_TRUE(writeRawValue(HKEY_CLASSES_ROOT, curVer, nullptr, REG_SZ, unterminated.data(),
                              static_cast<DWORD>(unterminated.size())));
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer()) << "no terminator";

    const struct {
        std::wstring progId;
        unsigned version;
    } rows[] = {
        {L"Outlook.Application.11", 11}, {L"Outlook.Application.12", 12}, {L"Outlook.Application.14", 14},
        {L"Outlook.Application.15", 15}, {L"Outlook.Application.16", 16}, {L"Outlook.Application.13", 0},
        {L"Outlook.Application.016", 0}, {L"Outlook.Application.16 ", 0}, {L"Outlook.Application", 0},
        {L"16", 0},                      {L"x.12.3", 0},                  {L"", 0},
        {std::wstring(600, L'x') + L".12", 0}, // longer than the 512 characters read
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "CurVer \"" << std::string(row.progId.begin(), row.progId.end()) << "\"");
        ASSERT_TRUE(office_.setOutlookCurVer(row.progId));
        EXPECT_EQ(row.version, RegistryUtils::officeVersionFromCurVer());
    }
}

TEST_F(OfficeVersionTest, ComponentFolderNamedWhollyLikeOffice12Is2007AndLaterOfficesAnswer14)
{
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromInprocServer()) << "no Office";
    const struct {
        const wchar_t* folder;
        unsigned version;
    } rows[] = {
        {L"Office12", 12}, {L"OFFICE12", 12},  {L"office12", 12}, {L"Office14", 14}, {L"OFFICE15", 14},
        {L"OFFICE16", 14}, {L"office16", 14},  {L"Office11", 0},  {L"Office", 0},    {L"Office1", 0},
        {L"Office120", 0}, {L"root", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "folder " << std::wstring(row.folder).c_str());
        office_.registerComponentIn(row.folder);
        EXPECT_EQ(row.version, RegistryUtils::officeVersionFromInprocServer());
    }
    office_.registerComponentIn(L"gone\\Office12", 0, false);
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromInprocServer()) << "registered without its file";
}

TEST_F(OfficeVersionTest, ComponentRegisteredOnlyInThe64BitViewIsFound)
{
    office_.registerComponentIn(L"Office12", KEY_WOW64_64KEY);
    ASSERT_TRUE(keyExists(HKEY_CLASSES_ROOT, officeComponentClassKey, KEY_WOW64_64KEY));
    EXPECT_EQ(12u, RegistryUtils::officeVersionFromInprocServer());
}
