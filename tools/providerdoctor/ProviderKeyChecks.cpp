#include "providerdoctor/ProviderKeyChecks.h"

#include "common/ImProviderRegistry.h"
#include "common/RegistryValue.h"

#include <cwctype>

namespace doctor {

namespace {

const std::wstring defaultImAppFix = L"make it the default IM provider: reg add \"HKCU\\Software\\IM Providers\" /v "
                                     L"DefaultIMApp /t REG_SZ /d \"Norvane Quillon\" /f (the host client's "
                                     L"installer writes it; hostsim --install does the same)";

bool equalIgnoringCase(const std::wstring& left, const std::wstring& right)
{
    if (left.size() != right.size()) return false;
    for (std::size_t i = 0; i < left.size(); ++i)
        if (std::towlower(left[i]) != std::towlower(right[i])) return false;
    return true;
}

Finding checkUpAndRunningUnder(const std::wstring& keyPath, const std::wstring& subject)
{
    const tools::RegistryValue value = tools::readRegistryValue(HKEY_CURRENT_USER, keyPath, tools::UpAndRunningValue);
    const std::wstring where = L"HKCU\\" + keyPath + L" UpAndRunning";
    if (!value.keyFound) {
        return Finding::problem(subject, L"HKCU\\" + keyPath + L" is missing: the module has never run for this user",
                                L"start the host client (the module writes the key when it starts)");
    }
    if (!value.valueFound) {
        return Finding::problem(subject, where + L" is missing: the module has never run for this user",
                                L"start the host client (the module writes the value when it starts)");
    }
    const std::optional<DWORD> number = value.asDword();
    if (!number) {
        return Finding::problem(subject, where + L" is not a DWORD (type " + std::to_wstring(value.type) +
                                             L"): Office cannot read it",
                                L"delete the value and start the host client, which writes it again");
    }
    switch (*number) {
    case 2:
        return Finding::ok(subject, where + L" = 2: the module runs and has published its class objects");
    case 1:
        return Finding::problem(subject, where + L" = 1: the module started but has not published its class "
                                                 L"objects, or the host client ended while starting",
                                L"restart the host client; if it stays at 1, the host client's log says why");
    case 0:
        return Finding::problem(subject, where + L" = 0: the module is not running (the host client is not "
                                                 L"running, has stopped the module, or publishing failed)",
                                L"start the host client; if it runs, look in its log for \"Could not register\"");
    default:
        return Finding::problem(subject, where + L" = " + std::to_wstring(*number) + L": not a value the module "
                                                 L"writes (0, 1 or 2)",
                                L"restart the host client, which writes it again");
    }
}

} // namespace

Finding checkDefaultImApp()
{
    const std::wstring subject = L"DefaultIMApp";
    const tools::RegistryValue value =
        tools::readRegistryValue(HKEY_CURRENT_USER, tools::ImProvidersKey, tools::DefaultImAppValue);
    const std::wstring where = L"HKCU\\" + std::wstring(tools::ImProvidersKey) + L" DefaultIMApp";
    if (!value.valueFound) {
        return Finding::problem(subject, where + L" is missing: Office has no default IM provider", defaultImAppFix);
    }
    const std::optional<std::wstring> name = value.asString();
    if (!name) {
        return Finding::problem(subject, where + L" is not a string (type " + std::to_wstring(value.type) + L")",
                                defaultImAppFix);
    }
    if (!equalIgnoringCase(*name, tools::ProviderName)) {
        return Finding::problem(subject, where + L" = \"" + *name + L"\": Office asks another IM provider",
                                defaultImAppFix);
    }
    return Finding::ok(subject, where + L" = \"" + *name + L"\"");
}

Finding checkUpAndRunning()
{
    return checkUpAndRunningUnder(tools::ProviderKey, L"UpAndRunning");
}

Finding checkOffice2007UpAndRunning(bool office2007Installed)
{
    const std::wstring subject = L"UpAndRunning (Office 2007)";
    if (!office2007Installed) {
        return Finding::note(subject, L"Office 2007 not detected: HKCU\\" + std::wstring(tools::Office2007ProviderKey) +
                                          L" is neither written nor read");
    }
    return checkUpAndRunningUnder(tools::Office2007ProviderKey, subject);
}

} // namespace doctor
