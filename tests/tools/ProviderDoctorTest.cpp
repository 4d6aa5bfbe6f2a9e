// The doctor over a registry set up as an installed, running provider, then broken one way at a time.
#include "providerdoctor/PeMachine.h"
#include "providerdoctor/ProviderDoctor.h"

#include "SavedHostInstallation.h"
#include "ToolTestSupport.h"

#include "common/ImProviderRegistry.h"
#include "common/RegistryValue.h"

#include <gtest/gtest.h>

#include <windows.h>

using doctor::Finding;
using doctor::Verdict;

namespace {

const std::wstring libraryKey = L"Software\\Classes\\TypeLib\\{31F0215E-C543-4EE3-B6F0-03AC36815648}";
const std::wstring imessengerTypeLib = L"Software\\Classes\\Interface\\{D50C3186-0F89-48F8-B204-3604629DEE10}\\TypeLib";
const std::wstring ucEntryTypeLib = L"Software\\Classes\\Interface\\{6A222195-F65E-467F-8F77-EB180BD85288}\\TypeLib";
const std::wstring stdoleLibrary = L"{00020430-0000-0000-C000-000000000046}"; // registered in every prefix

class ProviderDoctorTest : public ::testing::Test {
protected:
    void installAndRun(bool withLocaleZeroEntry = true)
    {
        ASSERT_EQ(ERROR_SUCCESS, tools::writeDefaultImApp());
        ASSERT_HRESULT_SUCCEEDED(tooltest::registerModule(modulePath_, withLocaleZeroEntry));
        ASSERT_EQ(ERROR_SUCCESS, tools::writeRegistryDword(HKEY_CURRENT_USER, tools::ProviderKey, L"UpAndRunning", 2));
    }

    std::vector<Finding> problems(bool underWine = true) const
    {
        std::vector<Finding> found;
        for (const Finding& finding : doctor::diagnose(underWine))
            if (finding.verdict == Verdict::Problem) found.push_back(finding);
        return found;
    }

    // The one problem about `subject` whose detail holds `text`.
    ::testing::AssertionResult namesProblem(const std::wstring& subject, const std::wstring& text) const
    {
        std::wstring all;
        for (const Finding& finding : problems()) {
            if (finding.subject == subject && finding.detail.find(text) != std::wstring::npos && !finding.fix.empty())
                return ::testing::AssertionSuccess();
            all += L"\n  " + finding.subject + L": " + finding.detail;
        }
        return ::testing::AssertionFailure() << "no problem " << subject << ": ..." << text << "... among:" << all;
    }

    const std::wstring modulePath_ = tooltest::besideTestProgram(L"TavoMessenger.dll");
    registrytest::SavedHostInstallation registry_{modulePath_,
                                                  registrytest::SavedModuleRegistration::Start::Unregistered};
};

std::wstring reportOf(const std::vector<Finding>& findings)
{
    std::wstring text;
    for (const std::wstring& line : doctor::formatReport(findings)) text += line + L"\n";
    return text;
}

TEST_F(ProviderDoctorTest, ACorrectRunningInstallationIsFine)
{
    installAndRun();
    const std::vector<Finding> findings = doctor::diagnose(true);
    EXPECT_EQ(0u, doctor::countProblems(findings)) << reportOf(findings);
    const std::wstring report = reportOf(findings);
    EXPECT_NE(std::wstring::npos, report.find(L"ok       DefaultIMApp:")) << report;
    EXPECT_NE(std::wstring::npos, report.find(L"ok       UpAndRunning:")) << report;
    EXPECT_NE(std::wstring::npos, report.find(L"ok       Messenger API interfaces: 11 name")) << report;
    EXPECT_NE(std::wstring::npos, report.find(L"ok       UC interfaces:")) << report;
    EXPECT_NE(std::wstring::npos, report.find(L"\\1.0\\0\\win")) << report;
    const std::wstring module = L"ok       Module: " + modulePath_ + L": TavoMessenger version " TAVO_TEST_PROJECT_VERSION ".0, build ";
    EXPECT_NE(std::wstring::npos, report.find(module)) << report;
    EXPECT_NE(std::wstring::npos, report.find(L"no problem found")) << report;
}

TEST_F(ProviderDoctorTest, NamesAMissingOrForeignDefaultImApp)
{
    installAndRun();
    RegDeleteKeyValueW(HKEY_CURRENT_USER, tools::ImProvidersKey, L"DefaultIMApp");
    EXPECT_TRUE(namesProblem(L"DefaultIMApp", L"is missing: Office has no default IM provider"));

    tools::writeRegistryString(HKEY_CURRENT_USER, tools::ImProvidersKey, L"DefaultIMApp", L"Communicator");
    EXPECT_TRUE(namesProblem(L"DefaultIMApp", L"= \"Communicator\": Office asks another IM provider"));

    tools::writeRegistryString(HKEY_CURRENT_USER, tools::ImProvidersKey, L"DefaultIMApp", L"norvane quillon");
    EXPECT_TRUE(problems().empty()) << "the name of a key is not case-sensitive";
}

TEST_F(ProviderDoctorTest, NamesEveryUpAndRunningOtherThanTwo)
{
    installAndRun();
    tools::writeRegistryDword(HKEY_CURRENT_USER, tools::ProviderKey, L"UpAndRunning", 0);
    EXPECT_TRUE(namesProblem(L"UpAndRunning", L"UpAndRunning = 0: the module is not running"));
    tools::writeRegistryDword(HKEY_CURRENT_USER, tools::ProviderKey, L"UpAndRunning", 1);
    EXPECT_TRUE(namesProblem(L"UpAndRunning", L"UpAndRunning = 1: the module started but has not published"));
    tools::writeRegistryString(HKEY_CURRENT_USER, tools::ProviderKey, L"UpAndRunning", L"2");
    EXPECT_TRUE(namesProblem(L"UpAndRunning", L"is not a DWORD"));
    RegDeleteKeyW(HKEY_CURRENT_USER, tools::ProviderKey);
    EXPECT_TRUE(namesProblem(L"UpAndRunning", L"Norvane Quillon is missing: the module has never run"));
}

TEST_F(ProviderDoctorTest, NamesAMessengerInterfaceMarshaledWithAnotherLibrary)
{
    installAndRun();
    tools::writeRegistryString(HKEY_LOCAL_MACHINE, imessengerTypeLib, nullptr, stdoleLibrary);
    EXPECT_TRUE(namesProblem(L"IMessenger", L"= " + stdoleLibrary + L", not the module's library"));
    EXPECT_EQ(1u, problems().size());
}

TEST_F(ProviderDoctorTest, AUcInterfaceMayNameAnotherRegisteredLibraryButNotAnUnregisteredOne)
{
    installAndRun();
    tools::writeRegistryString(HKEY_LOCAL_MACHINE, ucEntryTypeLib, nullptr, stdoleLibrary);
    EXPECT_TRUE(problems().empty()) << reportOf(doctor::diagnose(true));

    tools::writeRegistryString(HKEY_LOCAL_MACHINE, ucEntryTypeLib, nullptr, L"{11111111-2222-3333-4444-555555555555}");
    EXPECT_TRUE(namesProblem(L"IUCOfficeIntegration", L"which is not registered"));
}

TEST_F(ProviderDoctorTest, NamesALibraryThatIsNotRegistered)
{
    ASSERT_EQ(ERROR_SUCCESS, tools::writeDefaultImApp());
    ASSERT_EQ(ERROR_SUCCESS, tools::writeRegistryDword(HKEY_CURRENT_USER, tools::ProviderKey, L"UpAndRunning", 2));
    EXPECT_TRUE(namesProblem(L"Type library", L"is missing: the module's type library is not registered"));
    EXPECT_TRUE(namesProblem(L"Messenger API interfaces", L"11 have no HKCR\\Interface\\{IID}\\TypeLib entry"));
    EXPECT_TRUE(namesProblem(L"UC interfaces", L"IUCOfficeIntegration, _IUCOfficeIntegrationEvents"));
    EXPECT_EQ(3u, problems().size()) << "one problem for the library, one per interface family";
}

TEST_F(ProviderDoctorTest, UnderWineTheLocaleZeroEntryIsNeeded)
{
    installAndRun(false);
    EXPECT_TRUE(namesProblem(L"Type library", L"no locale-0 entry"));
    EXPECT_TRUE(problems(false).empty()) << "Windows falls back to the registered locale";
}

TEST_F(ProviderDoctorTest, NamesALibraryPathThatIsMissingOrOfTheOtherBitness)
{
    installAndRun();
    const std::wstring ownPlatform = sizeof(void*) == 8 ? L"win64" : L"win32";
    const std::wstring otherPlatform = sizeof(void*) == 8 ? L"win32" : L"win64";
    tools::writeRegistryString(HKEY_LOCAL_MACHINE, libraryKey + L"\\1.0\\0\\" + ownPlatform, nullptr,
                               modulePath_ + L".gone");
    EXPECT_TRUE(namesProblem(L"Type library", L".gone, which does not exist"));

    tools::writeRegistryString(HKEY_LOCAL_MACHINE, libraryKey + L"\\1.0\\0\\" + ownPlatform, nullptr, modulePath_);
    tools::writeRegistryString(HKEY_LOCAL_MACHINE, libraryKey + L"\\1.0\\0\\" + otherPlatform, nullptr, modulePath_);
    EXPECT_TRUE(namesProblem(L"Type library", L"file under " + otherPlatform));
}

TEST_F(ProviderDoctorTest, NamesDisabledContactResolution)
{
    installAndRun();
    const std::wstring key = L"Software\\Norvane Works\\Unified Communications\\Mivra";
    tools::writeRegistryDword(HKEY_CURRENT_USER, key, L"DisableResolveContact", 1);
    EXPECT_TRUE(namesProblem(L"DisableResolveContact", L"= 1: contact resolution is off"));
    tools::writeRegistryDword(HKEY_CURRENT_USER, key, L"DisableResolveContact", 2);
    EXPECT_TRUE(problems().empty());
}

TEST_F(ProviderDoctorTest, TheProgramExitsWithOneExactlyWhenItFindsAProblem)
{
    installAndRun();
    tooltest::ProgramRun run = tooltest::runProgram(L"providerdoctor.exe", L"");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_TRUE(run.contains(L"no problem found")) << run.output;

    RegDeleteKeyValueW(HKEY_CURRENT_USER, tools::ImProvidersKey, L"DefaultIMApp");
    run = tooltest::runProgram(L"providerdoctor.exe", L"");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(1u, run.exitCode) << run.output;
    EXPECT_TRUE(run.contains(L"PROBLEM  DefaultIMApp:")) << run.output;
    EXPECT_TRUE(run.contains(L"         fix: make it the default IM provider")) << run.output;
    EXPECT_TRUE(run.contains(L"1 problem found")) << run.output;
}

TEST(PeMachine, ReadsTheMachineOfModulesAndRefusesOtherFiles)
{
    const std::optional<WORD> own = doctor::readPeMachine(tooltest::besideTestProgram(L"TavoMessenger.dll"));
    ASSERT_TRUE(own);
    EXPECT_EQ(sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386, *own);
    EXPECT_EQ(own, doctor::machineOfPlatform(sizeof(void*) == 8 ? L"win64" : L"win32"));

    tooltest::TempFile text(L"not-a-module.dll", "MZ but nothing else");
    EXPECT_FALSE(doctor::readPeMachine(text.path()));
    tooltest::TempFile empty(L"empty.dll", "");
    EXPECT_FALSE(doctor::readPeMachine(empty.path()));
    EXPECT_FALSE(doctor::readPeMachine(text.path() + L".missing"));
}

} // namespace
