#pragma once

// Stands in for an installed Office as the module detects it: the "Outlook.Application\CurVer" key and the
// in-process server entry of an Office component, whose file is real and sits in a folder named like an
// Office version. Tests start with neither present; everything is removed again afterwards.

#include "support/SavedRegistryKey.h"

#include <windows.h>

#include <string>
#include <vector>

namespace registrytest {

class FakeOfficeInstallation
{
public:
    FakeOfficeInstallation();
    ~FakeOfficeInstallation();

    FakeOfficeInstallation(const FakeOfficeInstallation&) = delete;
    FakeOfficeInstallation& operator=(const FakeOfficeInstallation&) = delete;

    // "Outlook.Application" with a CurVer default value of progId.
    bool setOutlookCurVer(const std::wstring& progId);

    // Registers <scratch>\<folder>\OUTLCTL.DLL as the component's in-process server in the given registry
    // view (0: the process's own), making the file unless createFile is false. Answers the path.
    std::wstring registerComponentIn(const std::wstring& folder, REGSAM view = 0, bool createFile = true);

    // Nothing registered any more, in either view.
    void uninstall();

private:
    std::wstring scratchFolder_;
    std::vector<std::wstring> files_;
    std::vector<std::wstring> folders_;
    SavedRegistryKey outlook32_;
    SavedRegistryKey outlook64_;
    SavedRegistryKey component32_;
    SavedRegistryKey component64_;
};

// The component's class key, below HKEY_CLASSES_ROOT.
extern const wchar_t* const officeComponentClassKey;
extern const wchar_t* const outlookApplicationKey;

} // namespace registrytest
