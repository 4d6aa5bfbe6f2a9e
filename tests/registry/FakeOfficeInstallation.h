#pragma once

// Stands in for an installed Office as the module detects it: the "Outlook.Application\CurVer" key and the
// in-process server entry of an Office component, whose file is real and sits in a folder named like an
// Office version. Tests start with neither present; everything is removed again afterwards.

#include "support/RawRegistry.h"
#include "support/SavedRegistryKey.h"

#include <windows.h>

#include <string>
#include <vector>

namespace registrytest {

// Below HKEY_CLASSES_ROOT.
const wchar_t* const officeComponentClassKey = L"CLSID\\{E18FEC31-2EA1-49A2-A7A6-902DC0D1FF05}";
const wchar_t* const outlookApplicationKey = L"Outlook.Application";

class FakeOfficeInstallation {
public:
    FakeOfficeInstallation() { uninstall(); }
    ~FakeOfficeInstallation()
    {
        for (auto path = made_.rbegin(); path != made_.rend(); ++path) {
            if (!DeleteFileW(path->c_str())) RemoveDirectoryW(path->c_str());
        }
    }
    FakeOfficeInstallation(const FakeOfficeInstallation&) = delete;
    FakeOfficeInstallation& operator=(const FakeOfficeInstallation&) = delete;

    bool setOutlookCurVer(const std::wstring& progId)
    {
        return writeStringValue(HKEY_CLASSES_ROOT, std::wstring(outlookApplicationKey) + L"\\CurVer", nullptr, progId);
    }

    // Registers <scratch>\<folder>\OUTLCTL.DLL as the component's in-process server in the given registry
    // view (0: the process's own), making the file unless createFile is false.
    void registerComponentIn(const std::wstring& folder, REGSAM view = 0, bool createFile = true)
    {
        const std::wstring folderPath = scratch_ + L"\\" + folder;
        const std::wstring path = folderPath + L"\\OUTLCTL.DLL";
        if (createFile && CreateDirectoryW(folderPath.c_str(), nullptr)) made_.push_back(folderPath);
        const HANDLE file = createFile ? CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)
                                       : INVALID_HANDLE_VALUE;
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            made_.push_back(path);
        }
        writeStringValue(HKEY_CLASSES_ROOT, std::wstring(officeComponentClassKey) + L"\\InprocServer32", nullptr, path, view);
    }

    void uninstall() const
    {
        for (const SavedRegistryKey* key : {&outlook32_, &outlook64_, &component32_, &component64_}) key->clear();
    }

private:
    static std::wstring makeScratchFolder()
    {
        wchar_t temp[MAX_PATH + 1];
        const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
        const std::wstring folder = std::wstring(temp, length) + L"TavoMessengerTests-Office-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder.c_str(), nullptr);
        return folder;
    }

    std::wstring scratch_ = makeScratchFolder();
    std::vector<std::wstring> made_{scratch_}; // files and folders, removed in reverse
    SavedRegistryKey outlook32_{HKEY_CLASSES_ROOT, outlookApplicationKey, KEY_WOW64_32KEY};
    SavedRegistryKey outlook64_{HKEY_CLASSES_ROOT, outlookApplicationKey, KEY_WOW64_64KEY};
    SavedRegistryKey component32_{HKEY_CLASSES_ROOT, officeComponentClassKey, KEY_WOW64_32KEY};
    SavedRegistryKey component64_{HKEY_CLASSES_ROOT, officeComponentClassKey, KEY_WOW64_64KEY};
};

} // namespace registrytest
