// hostsim.exe run as people and scripts run it, with the real module: each run is its own process, so the
// module's load, start, stop and unload all happen inside it while this test keeps the registry saved.
// Starting, stopping and starting again in one process are run by the cross-process suite; the demo script
// is run only here.
#include "SavedModuleRegistration.h"
#include "ToolTestSupport.h"

#include "common/ImProviderRegistry.h"
#include "common/ProgramFolder.h"
#include "common/RegistryValue.h"

#include <gtest/gtest.h>

namespace {

tooltest::ProgramRun runHostSim(const std::wstring& script, const wchar_t* options = L"")
{
    return tooltest::runProgram(L"hostsim.exe", L"--script \"" + script + L"\"" + options);
}

struct HostSimProgram : ::testing::Test {
    const std::wstring modulePath_ = tools::besideThisProgram(L"TavoMessenger.dll");
    registrytest::SavedHostInstallation registry_{modulePath_, registrytest::SavedModuleRegistration::Start::Unregistered};
};

TEST_F(HostSimProgram, TheDemoScriptRunsEndToEnd)
{
    const tooltest::ProgramRun run = runHostSim(tools::besideThisProgram(L"demo-script.txt"));
    ASSERT_TRUE(run.finished && run.exitCode == 0) << run.output;
    const std::vector<std::size_t> counts{run.countLines(L"hostsim: ready (UpAndRunning 2)"), run.countLines(L"hostsim: onStopped called"),
                                          run.countLines(L"error")};
    EXPECT_EQ(counts, (std::vector<std::size_t>{2, 2, 0})) << run.output;
    EXPECT_EQ(std::optional<DWORD>(0), tools::readUpAndRunning());
}

// DefaultIMApp and the interfaces' TypeLib entries are what every cross-process scenario's Office finds
// through; the library's locale-0 registration, which Wine does without, is not.
TEST_F(HostSimProgram, InstallRegistersTheTypeLibraryForItsLocaleAndForLocaleZero)
{
    const tooltest::TempFile quit(L"hostsim-script.txt", "quit\n");
    const tooltest::ProgramRun run = runHostSim(quit.path, L" --install --no-start");
    ASSERT_TRUE(run.finished && run.exitCode == 0) << run.output;
    const std::wstring library = L"TypeLib\\{31F0215E-C543-4EE3-B6F0-03AC36815648}\\1.0\\";
    const std::wstring platform = sizeof(void*) == 8 ? L"\\win64" : L"\\win32";
    for (const wchar_t* locale : {L"409", L"0"})
        EXPECT_TRUE(tools::readRegistryValue(HKEY_CLASSES_ROOT, library + locale + platform, nullptr).asString()) << locale;
}

} // namespace
