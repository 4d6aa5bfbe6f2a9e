#pragma once

// Saves every classes key that registering the module writes (its AppID keys, its type library's key and
// the keys of the library's interfaces), in HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER and in both registry
// views, and puts them back when the object goes. COM's own interfaces that the library also declares
// (IClassFactory) are left alone: registering the module never writes them, and without their keys no
// local server of the prefix can be reached any more.

#include "SavedRegistryKey.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/GuidText.h"

#include <oleauto.h>

#include <memory>
#include <string>
#include <vector>

namespace registrytest {

class SavedModuleRegistration {
public:
    enum class Start { AsFound, Unregistered };

    // modulePath: the module whose embedded type library names the interfaces. Unregistered: the keys are
    // emptied once saved, so the test starts from a module that was never registered.
    SavedModuleRegistration(const std::wstring& modulePath, Start start)
    {
        save(L"AppID\\{FB58AD7A-01D6-4B79-9296-33E6595C4ABA}");
        save(L"AppID\\TavoMessenger.DLL");
        for (const std::wstring& path : typeLibraryPaths(modulePath)) save(path);
        if (start == Start::AsFound) return;
        // Emptied only once all are saved: where both views are one key, each must have saved the original.
        for (const auto& key : keys_) key->clear();
    }

private:
    void save(const std::wstring& path)
    {
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
                keys_.push_back(std::make_unique<SavedRegistryKey>(hive, L"Software\\Classes\\" + path, view));
    }

    // COM's own interfaces share this ending ({00000001-0000-0000-C000-000000000046} and the like).
    static bool isComOwnInterface(const std::wstring& iid)
    {
        const std::wstring comSuffix = L"-0000-0000-C000-000000000046}";
        return iid.size() > comSuffix.size() && iid.compare(iid.size() - comSuffix.size(), comSuffix.size(), comSuffix) == 0;
    }

    // The library's id and its interfaces' and dispinterfaces' ids: what registering it writes.
    static std::vector<std::wstring> typeLibraryPaths(const std::wstring& modulePath)
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

    std::vector<std::unique_ptr<SavedRegistryKey>> keys_;
};

// Everything in the registry that a host client's installation and the module it runs write, saved for one
// test and put back exactly when the test ends: HKEY_CURRENT_USER "Software\IM Providers" and the
// DisableResolveContact key (emptied, so the test starts without a provider) and the module's classes keys
// (as found, or emptied when the test must start from an unregistered module).
class SavedHostInstallation {
public:
    SavedHostInstallation(const std::wstring& modulePath, SavedModuleRegistration::Start classes) : classes_(modulePath, classes)
    {
        for (const wchar_t* path : {L"Software\\IM Providers", L"Software\\Norvane Works\\Unified Communications\\Mivra"}) {
            keys_.push_back(std::make_unique<SavedRegistryKey>(HKEY_CURRENT_USER, path));
            keys_.back()->clear();
        }
    }

private:
    std::vector<std::unique_ptr<SavedRegistryKey>> keys_;
    SavedModuleRegistration classes_;
};

} // namespace registrytest
