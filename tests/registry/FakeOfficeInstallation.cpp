#include "FakeOfficeInstallation.h"

#include "support/RawRegistry.h"

namespace registrytest {

const wchar_t* const officeComponentClassKey = L"CLSID\\{E18FEC31-2EA1-49A2-A7A6-902DC0D1FF05}";
const wchar_t* const outlookApplicationKey = L"Outlook.Application";

namespace {

std::wstring makeScratchFolder()
{
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    std::wstring folder = std::wstring(temp, length) + L"TavoMessengerTests-Office-" +
                          std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

} // namespace

FakeOfficeInstallation::FakeOfficeInstallation()
    : scratchFolder_(makeScratchFolder()),
      outlook32_(HKEY_CLASSES_ROOT, outlookApplicationKey, KEY_WOW64_32KEY),
      outlook64_(HKEY_CLASSES_ROOT, outlookApplicationKey, KEY_WOW64_64KEY),
      component32_(HKEY_CLASSES_ROOT, officeComponentClassKey, KEY_WOW64_32KEY),
      component64_(HKEY_CLASSES_ROOT, officeComponentClassKey, KEY_WOW64_64KEY)
{
    uninstall();
}

FakeOfficeInstallation::~FakeOfficeInstallation()
{
    for (auto file = files_.rbegin(); file != files_.rend(); ++file) DeleteFileW(file->c_str());
    for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder) RemoveDirectoryW(folder->c_str());
    RemoveDirectoryW(scratchFolder_.c_str());
}

bool FakeOfficeInstallation::setOutlookCurVer(const std::wstring& progId)
{
    return writeStringValue(HKEY_CLASSES_ROOT, std::wstring(outlookApplicationKey) + L"\\CurVer", nullptr, progId);
}

std::wstring FakeOfficeInstallation::registerComponentIn(const std::wstring& folder, REGSAM view, bool createFile)
{
    const std::wstring folderPath = scratchFolder_ + L"\\" + folder;
    const std::wstring path = folderPath + L"\\OUTLCTL.DLL";
    if (CreateDirectoryW(folderPath.c_str(), nullptr)) folders_.push_back(folderPath);
    if (createFile) {
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                        nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            files_.push_back(path);
        }
    }
    writeStringValue(HKEY_CLASSES_ROOT, std::wstring(officeComponentClassKey) + L"\\InprocServer32", nullptr, path,
                     view);
    return path;
}

void FakeOfficeInstallation::uninstall()
{
    outlook32_.clear();
    outlook64_.clear();
    component32_.clear();
    component64_.clear();
}

} // namespace registrytest
