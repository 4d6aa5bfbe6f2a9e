#include "providerdoctor/InterfaceRegistrationChecks.h"

#include "extensionsutils/GuidText.h"

#include "common/ContractIds.h"
#include "common/RegistryValue.h"

#include <cwchar>
#include <map>

namespace doctor {

using extensionsutils::guidText;

namespace {

const std::wstring registerFix =
    L"register the module as its installer does: regsvr32 TavoMessenger.dll as administrator (or hostsim --install)";

const std::wstring messengerRepairFix =
    L"start the host client once with the rights to write HKEY_LOCAL_MACHINE (the module points these "
    L"entries at its library at every start), or register the module again: regsvr32 TavoMessenger.dll";

const std::pair<tools::RegistryView, const wchar_t*> registryViews[] = {
    {tools::RegistryView::Wow64_32, L"32-bit"},
    {tools::RegistryView::Wow64_64, L"64-bit"},
};

// The TypeLib value of the interface in each registry view that has one: library -> views.
std::map<std::wstring, std::vector<std::wstring>> typeLibrariesByView(const std::wstring& interfaceKey)
{
    std::map<std::wstring, std::vector<std::wstring>> libraries;
    for (const auto& view : registryViews) {
        const std::optional<std::wstring> library =
            tools::readRegistryValue(HKEY_CLASSES_ROOT, interfaceKey + L"\\TypeLib", nullptr, view.first).asString();
        if (library) libraries[*library].push_back(view.second);
    }
    return libraries;
}

bool hasProxy(const std::wstring& interfaceKey)
{
    for (const auto& view : registryViews) {
        const std::optional<std::wstring> proxy =
            tools::readRegistryValue(HKEY_CLASSES_ROOT, interfaceKey + L"\\ProxyStubClsid32", nullptr, view.first)
                .asString();
        if (proxy && !proxy->empty()) return true;
    }
    return false;
}

std::wstring viewsText(const std::vector<std::wstring>& views)
{
    return views.size() == 1 ? L" (" + views[0] + L" view)" : std::wstring();
}

bool isTypeLibraryRegistered(const std::wstring& libraryId)
{
    return tools::registryKeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + libraryId);
}

} // namespace

const std::vector<CheckedInterface>& checkedInterfaces()
{
    using F = InterfaceFamily;
    static const std::vector<CheckedInterface> interfaces = {
        {L"IMessenger", contractid::IMessenger, F::Messenger},
        {L"IMessenger2", contractid::IMessenger2, F::Messenger},
        {L"IMessenger3", contractid::IMessenger3, F::Messenger},
        {L"IMessengerAdvanced", contractid::IMessengerAdvanced, F::Messenger},
        {L"IMessengerContactResolution", contractid::IMessengerContactResolution, F::Messenger},
        {L"IMessengerContact", contractid::IMessengerContact, F::Messenger},
        {L"IMessengerContactAdvanced", contractid::IMessengerContactAdvanced, F::Messenger},
        {L"IMessengerContacts", contractid::IMessengerContacts, F::Messenger},
        {L"IMessengerServices", contractid::IMessengerServices, F::Messenger},
        {L"IMessengerService", contractid::IMessengerService, F::Messenger},
        {L"DMessengerEvents", contractid::DMessengerEvents, F::Messenger},
        {L"IUCOfficeIntegration", contractid::IUCOfficeIntegration, F::UnifiedCommunications},
        {L"_IUCOfficeIntegrationEvents", contractid::IUCOfficeIntegrationEvents, F::UnifiedCommunications},
        {L"IUCCClient", contractid::IUCCClient, F::UnifiedCommunications},
        {L"IUCCLyncClient", contractid::IUCCLyncClient, F::UnifiedCommunications},
        {L"_IUCCLyncClientEvents", contractid::IUCCLyncClientEvents, F::UnifiedCommunications},
        {L"IUCCClientStateChangedEventData", contractid::IUCCClientStateChangedEventData, F::UnifiedCommunications},
        {L"IUCCSelf", contractid::IUCCSelf, F::UnifiedCommunications},
        {L"IUCCContactManager", contractid::IUCCContactManager, F::UnifiedCommunications},
        {L"IUCCContact", contractid::IUCCContact, F::UnifiedCommunications},
        {L"_IUCCContactEvents", contractid::IUCCContactEvents, F::UnifiedCommunications},
        {L"IUCCContactSubscription", contractid::IUCCContactSubscription, F::UnifiedCommunications},
        {L"IUCCContactEndpoint", contractid::IUCCContactEndpoint, F::UnifiedCommunications},
        {L"IUCCContactInformationDictionary", contractid::IUCCContactInformationDictionary, F::UnifiedCommunications},
        {L"IUCCContactInformationChangedEventData", contractid::IUCCContactInformationChangedEventData,
         F::UnifiedCommunications},
        {L"IUCCAsynchronousOperation", contractid::IUCCAsynchronousOperation, F::UnifiedCommunications},
        {L"IUCCAutomation", contractid::IUCCAutomation, F::UnifiedCommunications},
    };
    return interfaces;
}

InterfaceCheck checkInterfaceRegistration(const CheckedInterface& checked)
{
    InterfaceCheck check;
    const std::wstring interfaceKey = L"Interface\\" + guidText(checked.iid);
    const std::wstring where = L"HKCR\\" + interfaceKey + L"\\TypeLib";
    const std::wstring moduleLibrary = guidText(contractid::TavoMessengerLib);
    const auto libraries = typeLibrariesByView(interfaceKey);
    if (libraries.empty()) {
        check.registered = false;
        return check;
    }
    for (const auto& library : libraries) {
        if (_wcsicmp(library.first.c_str(), moduleLibrary.c_str()) == 0) continue;
        const std::wstring detail = where + viewsText(library.second) + L" = " + library.first +
                                    L", not the module's library " + moduleLibrary;
        if (checked.family == InterfaceFamily::Messenger) {
            check.findings.push_back(Finding::problem(
                checked.name, detail + L": Office marshals " + checked.name + L" with another library",
                messengerRepairFix));
        } else if (!isTypeLibraryRegistered(library.first)) {
            check.findings.push_back(
                Finding::problem(checked.name, detail + L", which is not registered", registerFix));
        } else {
            check.findings.push_back(Finding::note(
                checked.name, detail + L" (registered; it serves if its declarations match the module's)"));
        }
    }
    if (!hasProxy(interfaceKey)) {
        const std::wstring proxyKey = L"HKCR\\" + interfaceKey + L"\\ProxyStubClsid32";
        check.findings.push_back(Finding::problem(
            checked.name, proxyKey + L" is missing: COM has no proxy for " + checked.name, registerFix));
    }
    return check;
}

std::vector<Finding> checkInterfaceRegistrations()
{
    std::vector<Finding> findings;
    for (InterfaceFamily family : {InterfaceFamily::Messenger, InterfaceFamily::UnifiedCommunications}) {
        const std::wstring familyName =
            family == InterfaceFamily::Messenger ? L"Messenger API interfaces" : L"UC interfaces";
        std::size_t fine = 0;
        std::vector<std::wstring> unregistered;
        for (const CheckedInterface& checked : checkedInterfaces()) {
            if (checked.family != family) continue;
            const InterfaceCheck check = checkInterfaceRegistration(checked);
            if (!check.registered) unregistered.push_back(checked.name);
            else if (check.findings.empty()) ++fine;
            findings.insert(findings.end(), check.findings.begin(), check.findings.end());
        }
        if (!unregistered.empty()) {
            std::wstring names;
            for (const std::wstring& name : unregistered) names += (names.empty() ? L"" : L", ") + name;
            findings.push_back(Finding::problem(familyName,
                                                std::to_wstring(unregistered.size()) +
                                                    L" have no HKCR\\Interface\\{IID}\\TypeLib entry, so COM cannot "
                                                    L"marshal them between Office and the host client: " + names,
                                                registerFix));
        }
        if (fine) {
            findings.push_back(Finding::ok(familyName, std::to_wstring(fine) + L" name the module's library " +
                                                           guidText(contractid::TavoMessengerLib) + L" and a proxy"));
        }
    }
    return findings;
}

} // namespace doctor
