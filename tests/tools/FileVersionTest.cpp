// The version resource of the module and of each program, read back as installers and the file's
// properties read it.
#include "ToolTestSupport.h"

#include "common/FileVersion.h"
#include "common/ProgramFolder.h"
#include "extensionsutils/Utf8.h"

#include "TavoBuildId.h"

#include <gtest/gtest.h>

TEST(FileVersion, OnlyTheModuleAndProgramsCarryTheProjectVersion)
{
    const std::wstring project = L"" TAVO_TEST_PROJECT_VERSION, build = extensionsutils::toUtf16(TAVO_BUILD_ID);
    for (const wchar_t* file : {L"TavoMessenger.dll", L"hostsim.exe", L"officesim.exe", L"providerdoctor.exe"}) {
        SCOPED_TRACE(file);
        const std::optional<tools::FileVersion> version = tools::readFileVersion(tools::besideThisProgram(file));
        ASSERT_TRUE(version);
        EXPECT_EQ(std::make_tuple(version->fileVersion, version->productVersion, version->productVersionText, version->buildId,
                                  version->productName, version->originalFilename, version->fileType),
                  std::make_tuple(project + L".0", project + L".0", project + L"+" + build, build, std::wstring(L"TavoMessenger"),
                                  std::wstring(file), static_cast<DWORD>(file == std::wstring(L"TavoMessenger.dll") ? VFT_DLL : VFT_APP)));
        EXPECT_NE(L"", version->description);
    }
    const tooltest::TempFile text(L"no-version.dll", "MZ and nothing else");
    for (const std::wstring& file : {text.path, text.path + L".missing"}) EXPECT_FALSE(tools::readFileVersion(file));
}
