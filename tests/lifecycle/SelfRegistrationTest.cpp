#include "HostedModuleFixture.h"
#include "SavedModuleRegistration.h"

#include "RawRegistry.h"

#include "TavoMessengerLib.h"

#include <oleauto.h>

#include <memory>
#include <optional>
#include <string>

using registrytest::keyExists;

namespace {

const wchar_t* const appIdKey = L"Software\\Classes\\AppID\\{FB58AD7A-01D6-4B79-9296-33E6595C4ABA}";
const wchar_t* const moduleAppIdKey = L"Software\\Classes\\AppID\\TavoMessenger.DLL";
const wchar_t* const appId = L"{FB58AD7A-01D6-4B79-9296-33E6595C4ABA}";
const wchar_t* const libraryId = L"{31F0215E-C543-4EE3-B6F0-03AC36815648}";
const wchar_t* const imessengerTypeLibKey = L"Interface\\{D50C3186-0F89-48F8-B204-3604629DEE10}\\TypeLib";
const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);

std::optional<std::wstring> stringValue(HKEY hive, const std::wstring& path, const wchar_t* name)
{
    registrytest::RawValue value;
    if (!registrytest::readRawValue(hive, path, name, value) || value.type != REG_SZ) return std::nullopt;
    std::wstring text(reinterpret_cast<const wchar_t*>(value.data.data()), value.data.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

class SelfRegistrationTest : public HostedModuleTest {
protected:
    void SetUp() override
    {
        HostedModuleTest::SetUp();
        if (HasFatalFailure()) return;
        classes_ = std::make_unique<registrytest::SavedModuleRegistration>(
            module().path(), registrytest::SavedModuleRegistration::Start::Unregistered);
        // Registration runs under the system's default locale and must give the caller's back.
        previousLocale_ = GetThreadLocale();
        ASSERT_TRUE(SetThreadLocale(german));
    }

    void TearDown() override
    {
        SetThreadLocale(previousLocale_);
        HostedModuleTest::TearDown();
    }

    // Both AppID keys with their values, in one hive's classes.
    void expectAppIdIn(HKEY hive) const
    {
        EXPECT_EQ(std::optional<std::wstring>(L"TavoMessenger"), stringValue(hive, appIdKey, nullptr));
        EXPECT_EQ(std::optional<std::wstring>(appId), stringValue(hive, moduleAppIdKey, L"AppID"));
    }

    void expectNoAppIdIn(HKEY hive) const
    {
        EXPECT_FALSE(keyExists(hive, appIdKey));
        EXPECT_FALSE(keyExists(hive, moduleAppIdKey));
    }

    // Where the registry says the module's type library (1.0, its locale 0x409) lives.
    std::optional<std::wstring> registeredLibraryPath() const
    {
        BSTR path = nullptr;
        if (FAILED(QueryPathOfRegTypeLib(LIBID_TavoMessengerLib, 1, 0, 0x409, &path))) return std::nullopt;
        std::wstring text(path, SysStringLen(path));
        SysFreeString(path);
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        return text;
    }

    void expectLibraryRegistered() const
    {
        const std::optional<std::wstring> path = registeredLibraryPath();
        ASSERT_TRUE(path.has_value()) << "the type library is not registered";
        EXPECT_EQ(CSTR_EQUAL, CompareStringOrdinal(path->c_str(), -1, module().path().c_str(), -1, TRUE))
            << std::string(path->begin(), path->end());
        EXPECT_EQ(std::optional<std::wstring>(libraryId), stringValue(HKEY_CLASSES_ROOT, imessengerTypeLibKey, nullptr))
            << "IMessenger is not marshaled with the module's library";
    }

    void expectLibraryNotRegistered() const
    {
        EXPECT_FALSE(registeredLibraryPath().has_value());
        EXPECT_FALSE(stringValue(HKEY_CLASSES_ROOT, imessengerTypeLibKey, nullptr).has_value());
    }

    void expectLocaleKept() const { EXPECT_EQ(german, GetThreadLocale()) << "the caller's thread locale was not restored"; }

private:
    std::unique_ptr<registrytest::SavedModuleRegistration> classes_;
    LCID previousLocale_ = 0;
};

TEST_F(SelfRegistrationTest, PerUserInstallWritesTheAppIdForTheUserAndUninstallTakesItAwayButLeavesAppId)
{
    ASSERT_EQ(S_OK, module().install(TRUE, L"USER"));
    expectLocaleKept();
    expectAppIdIn(HKEY_CURRENT_USER);
    expectNoAppIdIn(HKEY_LOCAL_MACHINE);
    expectLibraryRegistered();

    ASSERT_EQ(S_OK, module().install(FALSE, L"user"));
    expectLocaleKept();
    expectNoAppIdIn(HKEY_CURRENT_USER);
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, L"Software\\Classes\\AppID")) << "\"AppID\" itself was removed";
    expectLibraryNotRegistered();
}

TEST_F(SelfRegistrationTest, EveryOtherCommandLineInstallsAndUninstallsMachineWide)
{
    for (const wchar_t* commandLine : {L"users", L"", L"user ", static_cast<const wchar_t*>(nullptr)}) {
        SCOPED_TRACE(commandLine ? std::string("command line '") + std::string(commandLine, commandLine + wcslen(commandLine)) + "'"
                                 : std::string("no command line"));
        ASSERT_EQ(S_OK, module().install(TRUE, commandLine));
        expectLocaleKept();
        expectAppIdIn(HKEY_LOCAL_MACHINE);
        expectNoAppIdIn(HKEY_CURRENT_USER);
        expectLibraryRegistered();

        ASSERT_EQ(S_OK, module().install(FALSE, commandLine));
        expectLocaleKept();
        expectNoAppIdIn(HKEY_LOCAL_MACHINE);
        EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\AppID"));
        expectLibraryNotRegistered();
    }
}

TEST_F(SelfRegistrationTest, RegisterServerWorksMachineWideAndUnregisteringWhatIsGoneIsNoFailure)
{
    ASSERT_EQ(S_OK, module().registerServer());
    expectLocaleKept();
    expectAppIdIn(HKEY_LOCAL_MACHINE);
    expectLibraryRegistered();

    EXPECT_EQ(S_OK, module().unregisterServer());
    expectLocaleKept();
    expectNoAppIdIn(HKEY_LOCAL_MACHINE);
    expectLibraryNotRegistered();

    EXPECT_EQ(S_OK, module().unregisterServer());
    EXPECT_EQ(S_OK, module().install(FALSE, L"user"));
    expectLocaleKept();
}

} // namespace
