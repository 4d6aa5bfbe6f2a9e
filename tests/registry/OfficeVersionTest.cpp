#include "FakeOfficeInstallation.h"
#include "RawRegistry.h"

#include "utils/RegistryUtils.h"

#include <gtest/gtest.h>

using namespace registrytest;

namespace {

class OfficeVersionTest : public ::testing::Test
{
protected:
    FakeOfficeInstallation office_;
};

TEST_F(OfficeVersionTest, NoOfficeAnswersZeroFromBothSources)
{
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer());
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromInprocServer());
}

TEST_F(OfficeVersionTest, CurVerAnswersTheKnownMajorVersionAfterTheLastFullStop)
{
    const struct
    {
        const wchar_t* progId;
        unsigned version;
    } cases[] = {
        {L"Outlook.Application.11", 11}, {L"Outlook.Application.12", 12}, {L"Outlook.Application.14", 14},
        {L"Outlook.Application.15", 15}, {L"Outlook.Application.16", 16}, {L"Outlook.Application.13", 0},
        {L"Outlook.Application.016", 0}, {L"Outlook.Application.16 ", 0}, {L"Outlook.Application", 0},
        {L"16", 0},                      {L"x.12.3", 0},                  {L"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "CurVer \"" << c.progId << "\"");
        ASSERT_TRUE(office_.setOutlookCurVer(c.progId));
        EXPECT_EQ(c.version, RegistryUtils::officeVersionFromCurVer());
    }
}

TEST_F(OfficeVersionTest, CurVerThatIsMissingOrNoStringAnswersZero)
{
    ASSERT_TRUE(createKey(HKEY_CLASSES_ROOT, outlookApplicationKey));
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer());

    const std::wstring curVer = std::wstring(outlookApplicationKey) + L"\\CurVer";
    ASSERT_TRUE(createKey(HKEY_CLASSES_ROOT, curVer));
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer());

    ASSERT_TRUE(writeDwordValue(HKEY_CLASSES_ROOT, curVer, nullptr, 12));
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer());

    const std::vector<BYTE> unterminated = bytesOf(L"Outlook.Application.12", false);
    ASSERT_TRUE(writeRawValue(HKEY_CLASSES_ROOT, curVer, nullptr, REG_SZ, unterminated.data(),
                              static_cast<DWORD>(unterminated.size())));
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer());

    // Longer than the 512 characters read.
    ASSERT_TRUE(office_.setOutlookCurVer(std::wstring(600, L'x') + L".12"));
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromCurVer());
}

TEST_F(OfficeVersionTest, ComponentInAnOffice12FolderIsOffice2007)
{
    for (const wchar_t* folder : {L"Office12", L"OFFICE12", L"office12"}) {
        SCOPED_TRACE(testing::Message() << "folder " << folder);
        office_.registerComponentIn(folder);
        EXPECT_EQ(12u, RegistryUtils::officeVersionFromInprocServer());
    }
}

TEST_F(OfficeVersionTest, ComponentInALaterOfficeFolderAnswers14)
{
    for (const wchar_t* folder : {L"Office14", L"OFFICE15", L"OFFICE16", L"office16"}) {
        SCOPED_TRACE(testing::Message() << "folder " << folder);
        office_.registerComponentIn(folder);
        EXPECT_EQ(14u, RegistryUtils::officeVersionFromInprocServer());
    }
}

TEST_F(OfficeVersionTest, ComponentElsewhereOrWithoutItsFileAnswersZero)
{
    // Only a whole folder name counts: "Office" and "Office1" are not Office 2007's folder.
    for (const wchar_t* folder : {L"Office11", L"Office", L"Office1", L"Office120", L"root"}) {
        SCOPED_TRACE(testing::Message() << "folder " << folder);
        office_.registerComponentIn(folder);
        EXPECT_EQ(0u, RegistryUtils::officeVersionFromInprocServer());
    }
    office_.registerComponentIn(L"Office12", 0, false);
    EXPECT_EQ(0u, RegistryUtils::officeVersionFromInprocServer());
}

TEST_F(OfficeVersionTest, ComponentRegisteredOnlyInThe64BitViewIsFound)
{
    office_.registerComponentIn(L"Office12", KEY_WOW64_64KEY);
    ASSERT_TRUE(keyExists(HKEY_CLASSES_ROOT, officeComponentClassKey, KEY_WOW64_64KEY));
    EXPECT_EQ(12u, RegistryUtils::officeVersionFromInprocServer());
}

} // namespace
