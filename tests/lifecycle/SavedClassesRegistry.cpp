#include "SavedClassesRegistry.h"

#include "extensionsutils/ComPtr.h"

#include <oleauto.h>

namespace {

std::wstring guidText(REFGUID guid)
{
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

// The library's own id and the ids of its interfaces and dispinterfaces (what RegisterTypeLib writes).
std::vector<std::wstring> typeLibraryIds(const std::wstring& modulePath)
{
    std::vector<std::wstring> ids;
    extensionsutils::ComPtr<ITypeLib> library;
    if (FAILED(LoadTypeLib(modulePath.c_str(), library.out()))) return ids;
    TLIBATTR* libraryAttributes = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&libraryAttributes))) {
        ids.push_back(L"TypeLib\\" + guidText(libraryAttributes->guid));
        library->ReleaseTLibAttr(libraryAttributes);
    }
    for (UINT index = 0; index < library->GetTypeInfoCount(); ++index) {
        TYPEKIND kind = TKIND_MAX;
        if (FAILED(library->GetTypeInfoType(index, &kind))) continue;
        if (kind != TKIND_INTERFACE && kind != TKIND_DISPATCH) continue;
        extensionsutils::ComPtr<ITypeInfo> info;
        TYPEATTR* attributes = nullptr;
        if (FAILED(library->GetTypeInfo(index, info.out())) || FAILED(info->GetTypeAttr(&attributes))) continue;
        ids.push_back(L"Interface\\" + guidText(attributes->guid));
        info->ReleaseTypeAttr(attributes);
    }
    return ids;
}

} // namespace

SavedClassesRegistry::SavedClassesRegistry(const std::wstring& modulePath)
{
    save(L"AppID\\{FB58AD7A-01D6-4B79-9296-33E6595C4ABA}");
    save(L"AppID\\TavoMessenger.DLL");
    for (const std::wstring& id : typeLibraryIds(modulePath)) save(id);
    // Emptied only once all are saved: where both views are one key, each must have saved the original.
    for (const auto& key : keys_) key->clear();
}

void SavedClassesRegistry::save(const std::wstring& path)
{
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            keys_.push_back(std::make_unique<registrytest::SavedRegistryKey>(hive, L"Software\\Classes\\" + path, view));
        }
    }
}
