#include "HostedModuleFixture.h"
#include "common/ContractIds.h"
#include "common/RegistryValue.h"
#include "support/RawRegistry.h"
#include "support/SavedModuleRegistration.h"

#include "extensionsutils/Bstr.h"

using registrytest::keyExists;

namespace {

const wchar_t* const appIdKey = L"Software\\Classes\\AppID\\{FB58AD7A-01D6-4B79-9296-33E6595C4ABA}";
const wchar_t* const moduleAppIdKey = L"Software\\Classes\\AppID\\TavoMessenger.DLL";
const wchar_t* const appId = L"{FB58AD7A-01D6-4B79-9296-33E6595C4ABA}";
const wchar_t* const libraryId = L"{31F0215E-C543-4EE3-B6F0-03AC36815648}";
const wchar_t* const imessengerTypeLibKey = L"Interface\\{D50C3186-0F89-48F8-B204-3604629DEE10}\\TypeLib";
const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);

std::wstring withoutTerminators(std::wstring text) { return text.erase(text.find_last_not_of(L'\0') + 1); }

std::optional<std::wstring> stringValue(HKEY hive, const std::wstring& path, const wchar_t* name)
{ return tools::readRegistryValue(hive, path, name).asString(); }

class SelfRegistrationTest : public HostedModuleTest {
protected:
    void SetUp() override
    {
        HostedModuleTest::SetUp();
        if (HasFatalFailure()) return;
        classes_ = std::make_unique<registrytest::SavedModuleRegistration>(module().path,
                                                                           registrytest::SavedModuleRegistration::Start::Unregistered);
        // Registration runs under the system's default locale and must give the caller's back.
        previousLocale_ = GetThreadLocale();
        ASSERT_TRUE(SetThreadLocale(german));
    }

    void TearDown() override
    {
        SetThreadLocale(previousLocale_);
        HostedModuleTest::TearDown();
    }

    // Installed in one hive (the other without the AppID keys), or in neither; the caller's locale kept.
    void expectInstalledIn(std::optional<HKEY> hive)
    {
        EXPECT_EQ(german, GetThreadLocale()) << "the caller's thread locale was not restored";
        for (HKEY each : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            const bool here = hive == each;
            EXPECT_EQ(here ? std::optional<std::wstring>(L"TavoMessenger") : std::nullopt, stringValue(each, appIdKey, nullptr));
            EXPECT_EQ(here ? std::optional<std::wstring>(appId) : std::nullopt, stringValue(each, moduleAppIdKey, L"AppID"));
            EXPECT_EQ(here, keyExists(each, appIdKey) || keyExists(each, moduleAppIdKey));
        }
        const std::optional<std::wstring> path = registeredLibraryPath();
        EXPECT_TRUE(hive ? path && CompareStringOrdinal(path->c_str(), -1, module().path.c_str(), -1, TRUE) == CSTR_EQUAL : !path)
            << "the type library's registration: " << std::string(path.value_or(L"none").begin(), path.value_or(L"none").end());
        EXPECT_EQ(hive ? std::optional<std::wstring>(libraryId) : std::nullopt,
                  stringValue(HKEY_CLASSES_ROOT, imessengerTypeLibKey, nullptr))
            << "IMessenger is marshaled with the module's library while it is installed";
    }

    // Where the registry says the module's type library (1.0, its locale 0x409) lives.
    static std::optional<std::wstring> registeredLibraryPath()
    {
        extensionsutils::Bstr path;
        if (FAILED(QueryPathOfRegTypeLib(contractid::TavoMessengerLib, 1, 0, 0x409, path.out()))) return std::nullopt;
        return withoutTerminators(path.str());
    }

private:
    std::unique_ptr<registrytest::SavedModuleRegistration> classes_;
    LCID previousLocale_ = 0;
};

TEST_F(SelfRegistrationTest, APerUserInstallGoesUnderTheUsersClasses)
{
    ASSERT_EQ(S_OK, module().install(TRUE, L"USER"));
    expectInstalledIn(HKEY_CURRENT_USER);
    ASSERT_EQ(S_OK, module().install(FALSE, L"user"));
    expectInstalledIn(std::nullopt);
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, L"Software\\Classes\\AppID")) << "\"AppID\" itself was removed";
}

TEST_F(SelfRegistrationTest, EveryOtherCommandLineInstallsMachineWide)
{
    for (const wchar_t* commandLine : {L"users", L"", L"user ", static_cast<const wchar_t*>(nullptr)}) {
        SCOPED_TRACE(commandLine ? "'" + std::string(commandLine, commandLine + wcslen(commandLine)) + "'" : "no command line");
        ASSERT_EQ(S_OK, module().install(TRUE, commandLine));
        expectInstalledIn(HKEY_LOCAL_MACHINE);
        ASSERT_EQ(S_OK, module().install(FALSE, commandLine));
        expectInstalledIn(std::nullopt);
        EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\AppID"));
    }
    ASSERT_EQ(S_OK, module().registerServer());
    expectInstalledIn(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(S_OK, module().unregisterServer());
    expectInstalledIn(std::nullopt);
    EXPECT_EQ(S_OK, module().unregisterServer());
    EXPECT_EQ(S_OK, module().install(FALSE, L"user"));
    expectInstalledIn(std::nullopt);
}

} // namespace
