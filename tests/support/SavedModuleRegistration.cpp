#include "SavedModuleRegistration.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/GuidText.h"

#include <oleauto.h>

namespace registrytest {

namespace {

// COM's own interfaces share this ending ({00000001-0000-0000-C000-000000000046} and the like).
bool isComOwnInterface(const std::wstring& iid)
{
    const std::wstring comSuffix = L"-0000-0000-C000-000000000046}";
    return iid.size() > comSuffix.size() && iid.compare(iid.size() - comSuffix.size(), comSuffix.size(), comSuffix) == 0;
}

// The library's id and its interfaces' and dispinterfaces' ids: what registering it writes.
std::vector<std::wstring> typeLibraryPaths(const std::wstring& modulePath)
{
    std::vector<std::wstring> paths;
    extensionsutils::ComPtr<ITypeLib> library;
    TLIBATTR* libraryAttributes = nullptr;
    if (FAILED(LoadTypeLib(modulePath.c_str(), library.out())) || FAILED(library->GetLibAttr(&libraryAttributes))) return paths;
    paths.push_back(L"TypeLib\\" + extensionsutils::guidText(libraryAttributes->guid));
    library->ReleaseTLibAttr(libraryAttributes);
    for (UINT index = 0; index < library->GetTypeInfoCount(); ++index) {
        extensionsutils::ComPtr<ITypeInfo> info;
        TYPEATTR* attributes = nullptr;
        if (FAILED(library->GetTypeInfo(index, info.out())) || FAILED(info->GetTypeAttr(&attributes))) continue;
        const std::wstring iid = extensionsutils::guidText(attributes->guid);
        const bool isInterface = attributes->typekind == TKIND_INTERFACE || attributes->typekind == TKIND_DISPATCH;
        info->ReleaseTypeAttr(attributes);
        if (isInterface && !isComOwnInterface(iid)) paths.push_back(L"Interface\\" + iid);
    }
    return paths;
}

} // namespace

SavedModuleRegistration::SavedModuleRegistration(const std::wstring& modulePath, Start start)
{
    save(L"AppID\\{FB58AD7A-01D6-4B79-9296-33E6595C4ABA}");
    save(L"AppID\\TavoMessenger.DLL");
    for (const std::wstring& path : typeLibraryPaths(modulePath)) save(path);
    if (start == Start::AsFound) return;
    // Emptied only once all are saved: where both views are one key, each must have saved the original.
    for (const auto& key : keys_) key->clear();
}

void SavedModuleRegistration::save(const std::wstring& path)
{
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
            keys_.push_back(std::make_unique<SavedRegistryKey>(hive, L"Software\\Classes\\" + path, view));
}

SavedHostInstallation::SavedHostInstallation(const std::wstring& modulePath, SavedModuleRegistration::Start classes)
    : classes_(modulePath, classes)
{
    for (const wchar_t* path : {L"Software\\IM Providers", L"Software\\Norvane Works\\Unified Communications\\Mivra"}) {
        keys_.push_back(std::make_unique<SavedRegistryKey>(HKEY_CURRENT_USER, path));
        keys_.back()->clear();
    }
}

} // namespace registrytest
