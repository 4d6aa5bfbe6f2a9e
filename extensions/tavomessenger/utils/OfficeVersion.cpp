#include "utils/RegistryUtils.h"

#include "extensionsutils/FileExistsWrapperImpl.h"
#include "extensionsutils/RegKey.h"
#include "extensionsutils/RegKeyFactoryImpl.h"

#include <cwchar>
#include <optional>
#include <vector>

// The installed Office version, read afresh from the registry on every call.
namespace RegistryUtils {

namespace {

using extensionsutils::RegistryView;

const wchar_t* const outlookApplicationKey = L"Outlook.Application";
const wchar_t* const outlookCurVerKey = L"Outlook.Application\\CurVer";
const wchar_t* const officeComponentServerKey = L"CLSID\\{E18FEC31-2EA1-49A2-A7A6-902DC0D1FF05}\\InprocServer32";

const DWORD officeValueBufferChars = 512;

std::optional<std::wstring> readDefaultString(const extensionsutils::RegKey& key)
{
    std::vector<wchar_t> buffer(officeValueBufferChars, L'\0');
    DWORD length = 0;
    if (key.readString(L"", buffer.data(), officeValueBufferChars, length) != ERROR_SUCCESS) return std::nullopt;
    return std::wstring(buffer.data());
}

// "Outlook.Application.16" -> 16.
unsigned versionFromProgId(const std::wstring& progId)
{
    const std::wstring::size_type dot = progId.rfind(L'.');
    if (dot == std::wstring::npos) return 0;
    const std::wstring major = progId.substr(dot + 1);
    for (const unsigned version : {11u, 12u, 14u, 15u, 16u}) {
        if (major == std::to_wstring(version)) return version;
    }
    return 0;
}

// "C:\Program Files\Microsoft Office\Office12\file.dll" -> "Office12".
std::optional<std::wstring> folderOfFile(const std::wstring& path)
{
    const std::wstring::size_type last = path.rfind(L'\\');
    if (last == std::wstring::npos || last == 0) return std::nullopt;
    const std::wstring::size_type before = path.rfind(L'\\', last - 1);
    if (before == std::wstring::npos) return std::nullopt;
    return path.substr(before + 1, last - before - 1);
}

// The whole folder name must match: a shorter name such as "Office" or "" is no Office version folder.
bool isFolderNamed(const std::wstring& folder, const wchar_t* name)
{
    return _wcsicmp(folder.c_str(), name) == 0;
}

} // namespace

unsigned officeVersionFromCurVer()
{
    const extensionsutils::RegKeyFactoryImpl factory;
    if (!factory.OpenRegistryKey(nullptr, HKEY_CLASSES_ROOT, outlookApplicationKey, RegistryView::Default, KEY_READ))
        return 0;
    const extensionsutils::RegKeyPtr curVer =
        factory.OpenRegistryKey(nullptr, HKEY_CLASSES_ROOT, outlookCurVerKey, RegistryView::Default, KEY_READ);
    if (!curVer) return 0;
    const std::optional<std::wstring> progId = readDefaultString(*curVer);
    return progId ? versionFromProgId(*progId) : 0;
}

unsigned officeVersionFromInprocServer()
{
    const extensionsutils::RegKeyFactoryImpl factory;
    extensionsutils::RegKeyPtr key =
        factory.OpenRegistryKey(nullptr, HKEY_CLASSES_ROOT, officeComponentServerKey, RegistryView::Default, KEY_READ);
    if (!key)
        key = factory.OpenRegistryKey(nullptr, HKEY_CLASSES_ROOT, officeComponentServerKey, RegistryView::Wow64_64,
                                      KEY_READ);
    if (!key) return 0;

    const std::optional<std::wstring> path = readDefaultString(*key);
    if (!path || !extensionsutils::FileExistsWrapperImpl().fileExists(*path)) return 0;
    const std::optional<std::wstring> folder = folderOfFile(*path);
    if (!folder) return 0;
    if (isFolderNamed(*folder, L"office12")) return office2007;
    for (const wchar_t* laterOffice : {L"office14", L"office15", L"office16"}) {
        if (isFolderNamed(*folder, laterOffice)) return office2010;
    }
    return 0;
}

} // namespace RegistryUtils
