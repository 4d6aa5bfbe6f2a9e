// The doctor over a registry set up as an installed, running provider, then broken one way at a time.
#include "providerdoctor/PeMachine.h"
#include "providerdoctor/ProviderDoctor.h"

#include "SavedModuleRegistration.h"
#include "ToolTestSupport.h"
#include "hostsim/TavoModule.h"

#include "common/ImProviderRegistry.h"
#include "common/ModuleTypeLibrary.h"
#include "common/ProgramFolder.h"
#include "common/RegistryValue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using doctor::Finding;
using doctor::Verdict;
using registrytest::SavedHostInstallation;
using registrytest::SavedModuleRegistration;

namespace {

const std::wstring libraryKey = L"Software\\Classes\\TypeLib\\{31F0215E-C543-4EE3-B6F0-03AC36815648}\\1.0\\0\\";
const std::wstring ownPlatform = sizeof(void*) == 8 ? L"win64" : L"win32";
const std::wstring otherPlatform = sizeof(void*) == 8 ? L"win32" : L"win64";
const std::wstring imessengerTypeLib = L"Software\\Classes\\Interface\\{D50C3186-0F89-48F8-B204-3604629DEE10}\\TypeLib";
const std::wstring ucEntryTypeLib = L"Software\\Classes\\Interface\\{6A222195-F65E-467F-8F77-EB180BD85288}\\TypeLib";
const std::wstring stdoleLibrary = L"{00020430-0000-0000-C000-000000000046}"; // registered in every prefix
const std::wstring settingsKey = L"Software\\Norvane Works\\Unified Communications\\Mivra";

void setImApp(const wchar_t* name) { tools::writeRegistryString(HKEY_CURRENT_USER, tools::ImProvidersKey, L"DefaultIMApp", name); }
void setUpAndRunning(DWORD value) { tools::writeRegistryDword(HKEY_CURRENT_USER, tools::ProviderKey, L"UpAndRunning", value); }
void setMachine(const std::wstring& key, const std::wstring& value) { tools::writeRegistryString(HKEY_LOCAL_MACHINE, key, nullptr, value); }
void setResolution(DWORD value) { tools::writeRegistryDword(HKEY_CURRENT_USER, settingsKey, L"DisableResolveContact", value); }

std::wstring reportOf(const std::vector<Finding>& findings)
{
    std::wstring text;
    for (const std::wstring& line : doctor::formatReport(findings)) text += line + L"\n";
    return text;
}

struct ProviderDoctorTest : ::testing::Test {
    // Installed as the host's installer does, the module registered in this process (loaded only for
    // that; it never starts), and running.
    void installAndRun(bool registered = true, bool withLocaleZeroEntry = true)
    {
        ASSERT_EQ(ERROR_SUCCESS, tools::writeDefaultImApp());
        if (registered) {
            hostsim::TavoModule module(modulePath_);
            ASSERT_TRUE(module.registerServer && SUCCEEDED(module.registerServer()));
            module.unload();
            if (withLocaleZeroEntry) { ASSERT_HRESULT_SUCCEEDED(tools::registerTypeLibraryLocaleZero(modulePath_)); }
        }
        ASSERT_EQ(ERROR_SUCCESS, tools::writeRegistryDword(HKEY_CURRENT_USER, tools::ProviderKey, L"UpAndRunning", 2));
    }
    std::vector<Finding> problems(bool underWine = true) const
    {
        std::vector<Finding> found;
        for (const Finding& finding : doctor::diagnose(underWine)) if (finding.verdict == Verdict::Problem) found.push_back(finding);
        return found;
    }
    // A problem about `subject` whose detail holds `text` and which says how to fix it.
    ::testing::AssertionResult namesProblem(const std::wstring& subject, const std::wstring& text) const
    {
        const auto named = [&](const Finding& finding) {
            return finding.subject == subject && finding.detail.find(text) != std::wstring::npos && !finding.fix.empty();
        };
        const std::vector<Finding> found = problems();
        if (std::any_of(found.begin(), found.end(), named)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no problem " << subject << ": ..." << text << "... in:\n" << reportOf(found);
    }

    const std::wstring modulePath_ = tools::besideThisProgram(L"TavoMessenger.dll");
    SavedHostInstallation registry_{modulePath_, SavedModuleRegistration::Start::Unregistered};
};

} // namespace

// Each row breaks a running installation one way; the doctor names the problem with a fix, or finds none.
TEST_F(ProviderDoctorTest, NamesEachWayAnInstallationIsBroken)
{
    const std::wstring notRegistered = L"{11111111-2222-3333-4444-555555555555}";
    using Named = std::vector<std::pair<std::wstring, std::wstring>>; // subject, text of its detail
    const struct {
        std::function<void()> breakIt;
        Named named;
        int problems = -1; // how many problems in all, where it matters
        bool registered = true, localeZeroEntry = true;
    } rows[] = {
        {[] { RegDeleteKeyValueW(HKEY_CURRENT_USER, tools::ImProvidersKey, L"DefaultIMApp"); },
         {{L"DefaultIMApp", L"is missing: Office has no default IM provider"}}},
        {[] { setImApp(L"Communicator"); }, {{L"DefaultIMApp", L"= \"Communicator\": Office asks another IM provider"}}},
        {[] { setImApp(L"norvane quillon"); }, {}, 0}, // the name of a key is not case-sensitive
        {[] { setUpAndRunning(0); }, {{L"UpAndRunning", L"UpAndRunning = 0: the module is not running"}}},
        {[] { setUpAndRunning(1); }, {{L"UpAndRunning", L"UpAndRunning = 1: the module started but has not published"}}},
        {[] { tools::writeRegistryString(HKEY_CURRENT_USER, tools::ProviderKey, L"UpAndRunning", L"2"); },
         {{L"UpAndRunning", L"is not a DWORD"}}},
        {[] { RegDeleteKeyW(HKEY_CURRENT_USER, tools::ProviderKey); },
         {{L"UpAndRunning", L"Norvane Quillon is missing: the module has never run"}}},
        {[] { setMachine(imessengerTypeLib, stdoleLibrary); }, {{L"IMessenger", L"= " + stdoleLibrary + L", not the module's library"}}, 1},
        {[] { setMachine(ucEntryTypeLib, stdoleLibrary); }, {}, 0}, // a UC interface may name another registered library
        {[&] { setMachine(ucEntryTypeLib, notRegistered); }, {{L"IUCOfficeIntegration", L"which is not registered"}}},
        {[] {},
         {{L"Type library", L"is missing: the module's type library is not registered"},
          {L"Messenger API interfaces", L"11 have no HKCR\\Interface\\{IID}\\TypeLib entry"},
          {L"UC interfaces", L"IUCOfficeIntegration, _IUCOfficeIntegrationEvents"}},
         3, false}, // one problem for the library, one per interface family
        {[] {}, {{L"Type library", L"no locale-0 entry"}}, -1, true, false},
        {[&] { setMachine(libraryKey + ownPlatform, modulePath_ + L".gone"); }, {{L"Type library", L".gone, which does not exist"}}},
        {[&] { setMachine(libraryKey + otherPlatform, modulePath_); }, {{L"Type library", L"file under " + otherPlatform}}},
        {[] { setResolution(1); }, {{L"DisableResolveContact", L"= 1: contact resolution is off"}}},
        {[] { setResolution(2); }, {}, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &row - rows);
        SavedHostInstallation fresh{modulePath_, SavedModuleRegistration::Start::Unregistered};
        installAndRun(row.registered, row.localeZeroEntry);
        row.breakIt();
        for (const auto& [subject, text] : row.named) EXPECT_TRUE(namesProblem(subject, text));
        if (row.problems >= 0) { EXPECT_EQ(static_cast<std::size_t>(row.problems), problems().size()) << reportOf(problems()); }
        if (!row.localeZeroEntry) { EXPECT_TRUE(problems(false).empty()) << "Windows falls back to the registered locale"; }
    }
}

TEST_F(ProviderDoctorTest, ExitsWithOneExactlyWhenItFindsAProblem)
{
    installAndRun();
    const auto expectRun = [](DWORD exitCode, const std::vector<std::wstring>& lines) {
        const tooltest::ProgramRun run = tooltest::runProgram(L"providerdoctor.exe", L"");
        ASSERT_TRUE(run.finished && run.exitCode == exitCode) << run.output;
        for (const std::wstring& line : lines) EXPECT_TRUE(run.contains(line)) << run.output;
    };
    expectRun(0, {L"ok       DefaultIMApp:", L"ok       UpAndRunning:", L"ok       Messenger API interfaces: 11 name",
                  L"ok       UC interfaces:", L"\\1.0\\0\\win", L"no problem found",
                  L"ok       Module: " + modulePath_ + L": TavoMessenger version " TAVO_TEST_PROJECT_VERSION ".0, build "});
    RegDeleteKeyValueW(HKEY_CURRENT_USER, tools::ImProvidersKey, L"DefaultIMApp");
    expectRun(1, {L"PROBLEM  DefaultIMApp:", L"         fix: make it the default IM provider", L"1 problem found"});
}

// The machine of the real module is read by every row above: a wrong one would be a problem of a sound
// installation, and the other platform's row would find none.
TEST(PeMachine, RefusesFilesThatAreNoModules)
{
    const tooltest::TempFile text(L"not-a-module.dll", "MZ but nothing else"), empty(L"empty.dll", "");
    for (const std::wstring& file : {text.path, empty.path, text.path + L".missing"}) EXPECT_FALSE(doctor::readPeMachine(file));
}
