// The version resource of the module and of each program, read back as installers and the file's
// properties read it.
#include "ToolTestSupport.h"

#include "common/FileVersion.h"

#include "TavoBuildId.h"

#include <gtest/gtest.h>

namespace {

const std::wstring projectVersion = L"" TAVO_TEST_PROJECT_VERSION;

std::wstring wide(const char* text)
{
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

TEST(FileVersion, TheModuleAndEachProgramCarryTheProjectVersionAndTheBuild)
{
    for (const wchar_t* file : {L"TavoMessenger.dll", L"hostsim.exe", L"officesim.exe", L"providerdoctor.exe"}) {
        SCOPED_TRACE(file);
        const std::optional<tools::FileVersion> version = tools::readFileVersion(tooltest::besideTestProgram(file));
        ASSERT_TRUE(version);
        EXPECT_EQ(projectVersion + L".0", version->fileVersion);
        EXPECT_EQ(projectVersion + L".0", version->productVersion);
        EXPECT_EQ(projectVersion + L"+" + wide(TAVO_BUILD_ID), version->productVersionText);
        EXPECT_EQ(wide(TAVO_BUILD_ID), version->buildId);
        EXPECT_EQ(L"TavoMessenger", version->productName);
        EXPECT_EQ(file, version->originalFilename);
        EXPECT_NE(L"", version->description);
        EXPECT_EQ(file == std::wstring(L"TavoMessenger.dll") ? VFT_DLL : VFT_APP, version->fileType);
    }
}

TEST(FileVersion, AFileWithoutAVersionResourceHasNone)
{
    const tooltest::TempFile text(L"no-version.dll", "MZ and nothing else");
    for (const std::wstring& file : {text.path(), text.path() + L".missing"}) EXPECT_FALSE(tools::readFileVersion(file));
}

} // namespace
