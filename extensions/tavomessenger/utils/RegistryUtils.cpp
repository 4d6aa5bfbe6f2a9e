#include "utils/RegistryUtils.h"

#include "utils/Logging.h"

#include "extensionsutils/FileExistsWrapperImpl.h"
#include "extensionsutils/RegKey.h"
#include "extensionsutils/RegKeyFactoryImpl.h"
#include "extensionsutils/Utf8.h"

#include <cwchar>
#include <memory>
#include <vector>

namespace RegistryUtils {

const wchar_t* const TavoMessengerLibId = L"{31F0215E-C543-4EE3-B6F0-03AC36815648}";
const wchar_t* const KeyNotFound = L"KEY_NOT_FOUND";

namespace {

using extensionsutils::RegKey;

const wchar_t* const hostProviderKey = L"Software\\IM Providers\\Norvane Quillon";
const wchar_t* const office2007ProviderKey = L"Software\\IM Providers\\Communicator";
const wchar_t* const upAndRunningValue = L"UpAndRunning";

const wchar_t* const resolveContactSettingsKey = L"Software\\Norvane Works\\Unified Communications\\Mivra";
const wchar_t* const disableResolveContactValue = L"DisableResolveContact";

const wchar_t* const outlookApplicationKey = L"Outlook.Application";
const wchar_t* const outlookCurVerKey = L"Outlook.Application\\CurVer";
const wchar_t* const officeComponentServerKey = L"CLSID\\{E18FEC31-2EA1-49A2-A7A6-902DC0D1FF05}\\InprocServer32";

const unsigned office2007 = 12;
const unsigned office2010 = 14;

// The Messenger API interfaces whose TypeLib entries must point at the module's type library.
const char* const messengerInterfaceIids[] = {
    "{086F69C0-2FBD-46B3-BE50-EC401AB86099}", // IMessengerContactAdvanced
    "{2E50547B-A8AA-4F60-B57E-1F414711007B}", // IMessengerServices
    "{2E50547C-A8AA-4F60-B57E-1F414711007B}", // IMessengerService
    "{53A5023D-6872-454A-9A4F-827F18CFBE02}", // IMessengerContactResolution
    "{7C613A61-0633-4C69-AFF0-5BA9F1D28887}", // IMessengerConversationWndAdvanced
    "{7C95459B-C8E7-4605-B641-45EB06866659}", // IMessengerPrivate
    "{C9A6A6B6-9BC1-43A5-B06B-E58874EEBC96}", // DMessengerEvents
    "{D21454F8-43E3-4D64-B1E3-84911BAF207D}", // DMessengerPrivateEvents
    "{D50C3186-0F89-48F8-B204-3604629DEE10}", // IMessenger
    "{D50C3286-0F89-48F8-B204-3604629DEE10}", // IMessenger2
    "{D50C3386-0F89-48F8-B204-3604629DEE10}", // IMessenger3
    "{D6B0E4C8-FAD6-4885-B271-0DC5A584ADF8}", // IMessengerWindow
    "{D6B0E4C9-FAD6-4885-B271-0DC5A584ADF8}", // IMessengerConversationWnd
    "{DA0635E8-09AF-480C-88B2-AA9FA1D9DB27}", // IMessengerAdvanced
    "{E1AF1028-B884-44CB-A535-1C3C11A3D1DB}", // IMessengerGroups
    "{E1AF1038-B884-44CB-A535-1C3C11A3D1DB}", // IMessengerGroup
    "{E7479A0D-BB19-44A5-968F-6F41D93EE0BC}", // IMessengerContacts
    "{E7479A0F-BB19-44A5-968F-6F41D93EE0BC}", // IMessengerContact
};

const char* const separatorLine =
    "=========================================================================================";

// TypeLib entries are opened in the 64-bit view and with all access even to read: without administrative
// rights the machine-wide entries then count as missing and are never touched.
const REGSAM typeLibEntryAccess = KEY_ALL_ACCESS | KEY_WOW64_64KEY;

const DWORD typeLibValueFirstQueryBytes = 256;
const DWORD officeValueBufferChars = 512;

std::unique_ptr<RegKey> openOrCreateUserKeyForSetting(const wchar_t* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS)
        return std::make_unique<RegKey>(key);
    key = nullptr;
    if (RegCreateKeyW(HKEY_CURRENT_USER, path, &key) == ERROR_SUCCESS) return std::make_unique<RegKey>(key);
    return nullptr;
}

std::unique_ptr<RegKey> openTypeLibEntry(HKEY hive, const std::string& keyPath)
{
    HKEY key = nullptr;
    const std::wstring path = extensionsutils::toUtf16(keyPath);
    if (RegOpenKeyExW(hive, path.c_str(), 0, typeLibEntryAccess, &key) != ERROR_SUCCESS) return nullptr;
    return std::make_unique<RegKey>(key);
}

// The default value as text, whatever its type. The buffer is zeroed and one character longer than the
// data (two when the byte count is odd), so data without a terminating NUL still ends in one.
bool readDefaultValueAsText(const RegKey& key, std::wstring& text)
{
    DWORD bytes = typeLibValueFirstQueryBytes;
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    LONG result = RegQueryValueExW(key.handle(), L"", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                                   &bytes);
    if (result == ERROR_MORE_DATA) {
        buffer.assign(bytes / sizeof(wchar_t) + 2, L'\0');
        result = RegQueryValueExW(key.handle(), L"", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                                  &bytes);
    }
    if (result != ERROR_SUCCESS) return false;
    text = buffer.data();
    return true;
}

bool readDefaultString(const RegKey& key, std::wstring& text)
{
    std::vector<wchar_t> buffer(officeValueBufferChars, L'\0');
    DWORD length = 0;
    if (key.readString(L"", buffer.data(), officeValueBufferChars, length) != ERROR_SUCCESS) return false;
    text = buffer.data();
    return true;
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
bool folderOfFile(const std::wstring& path, std::wstring& folder)
{
    const std::wstring::size_type last = path.rfind(L'\\');
    if (last == std::wstring::npos || last == 0) return false;
    const std::wstring::size_type before = path.rfind(L'\\', last - 1);
    if (before == std::wstring::npos) return false;
    folder = path.substr(before + 1, last - before - 1);
    return true;
}

// The whole folder name must match: a shorter name such as "Office" or "" is no Office version folder.
bool isFolderNamed(const std::wstring& folder, const wchar_t* name)
{
    return _wcsicmp(folder.c_str(), name) == 0;
}

} // namespace

void SetUpAndRunning(DWORD value)
{
    TAVO_LOG(1, "Setting up and running to: " << value);
    const unsigned versionFromCurVer = officeVersionFromCurVer();
    const unsigned versionFromInprocServer = officeVersionFromInprocServer();

    TAVO_LOG(1, "Setting key for Office 2010, 2013 or 2016");
    const std::unique_ptr<RegKey> hostKey = openOrCreateUserKeyForSetting(hostProviderKey);
    std::unique_ptr<RegKey> office2007Key;
    if (versionFromCurVer == office2007 || versionFromInprocServer == office2007) {
        TAVO_LOG(1, "Setting key for Office 2007");
        office2007Key = openOrCreateUserKeyForSetting(office2007ProviderKey);
    }

    if (hostKey) hostKey->writeDword(upAndRunningValue, value);
    if (office2007Key) office2007Key->writeDword(upAndRunningValue, value);
}

void CheckMessengerInterfaceTypelibs()
{
    TAVO_LOG(1, "Check values under HKEY_LOCAL_MACHINE hive");
    for (const char* iid : messengerInterfaceIids) {
        TAVO_LOG(1, separatorLine);
        CheckGUIDUnderGivenHive(iid, HKEY_LOCAL_MACHINE);
        TAVO_LOG(1, separatorLine);
    }
    TAVO_LOG(1, "Check values under HKEY_CURRENT_USER hive");
    for (const char* iid : messengerInterfaceIids) {
        TAVO_LOG(1, separatorLine);
        CheckGUIDUnderGivenHive(iid, HKEY_CURRENT_USER);
        TAVO_LOG(1, separatorLine);
    }
}

void CheckGUIDUnderGivenHive(const std::string& iid, HKEY hive)
{
    QueryKeyAndReplaceIfNotTavoMessengerGUID(hive, "SOFTWARE\\Classes\\Interface\\" + iid + "\\TypeLib");
    QueryKeyAndReplaceIfNotTavoMessengerGUID(hive, "SOFTWARE\\Classes\\Wow6432Node\\Interface\\" + iid + "\\TypeLib");
    if (hive != HKEY_LOCAL_MACHINE) return;
    TAVO_LOG(1, "Also check GUID under, HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Classes\\Interface\\");
    QueryKeyAndReplaceIfNotTavoMessengerGUID(hive, "SOFTWARE\\Wow6432Node\\Classes\\Interface\\" + iid + "\\TypeLib");
}

void QueryKeyAndReplaceIfNotTavoMessengerGUID(HKEY hive, const std::string& keyPath)
{
    TAVO_LOG(1, "Query key :" << keyPath);
    const std::wstring current = ReadRegistryKeyStringValue(hive, keyPath);
    if (current == TavoMessengerLibId) {
        TAVO_LOG(1, "Key found with TavoMessenger GUID");
        return;
    }
    if (current == KeyNotFound) {
        TAVO_LOG(1, "Key not found");
        return;
    }
    TAVO_LOG(1, "Key found but Value is not equal to TavoMessenger GUID");
    TAVO_LOG(1, "Write TavoMessenger GUID " << extensionsutils::toUtf8(TavoMessengerLibId));
    WriteTavoMessengerGUID(hive, keyPath, TavoMessengerLibId);
}

std::wstring ReadRegistryKeyStringValue(HKEY hive, const std::string& keyPath)
{
    const std::unique_ptr<RegKey> key = openTypeLibEntry(hive, keyPath);
    if (!key) {
        TAVO_LOG(1, "Failed to open registry key");
        return KeyNotFound;
    }
    std::wstring value;
    if (!readDefaultValueAsText(*key, value)) return KeyNotFound;
    return value;
}

void WriteTavoMessengerGUID(HKEY hive, const std::string& keyPath, const std::wstring& value)
{
    const std::unique_ptr<RegKey> key = openTypeLibEntry(hive, keyPath);
    if (!key) {
        TAVO_LOG(2, "Failed to open registry key");
        return;
    }
    // Written with its terminating NUL, as readers that insist on one (RegKey::readString) expect.
    if (key->writeString(L"", value) != ERROR_SUCCESS) {
        TAVO_LOG(1, "Failed to write TavoMessenger GUID " << extensionsutils::toUtf8(value));
        return;
    }
    TAVO_LOG(1, "TavoMessenger GUID " << extensionsutils::toUtf8(value) << " written successfully");
}

unsigned officeVersionFromCurVer()
{
    const extensionsutils::RegKeyFactoryImpl factory;
    if (!factory.OpenRegistryKey(nullptr, HKEY_CLASSES_ROOT, outlookApplicationKey, false, KEY_READ)) return 0;
    const extensionsutils::RegKeyPtr curVer =
        factory.OpenRegistryKey(nullptr, HKEY_CLASSES_ROOT, outlookCurVerKey, false, KEY_READ);
    if (!curVer) return 0;
    std::wstring progId;
    if (!readDefaultString(*curVer, progId)) return 0;
    return versionFromProgId(progId);
}

unsigned officeVersionFromInprocServer()
{
    const extensionsutils::RegKeyFactoryImpl factory;
    extensionsutils::RegKeyPtr key =
        factory.OpenRegistryKey(nullptr, HKEY_CLASSES_ROOT, officeComponentServerKey, false, KEY_READ);
    if (!key) key = factory.OpenRegistryKey(nullptr, HKEY_CLASSES_ROOT, officeComponentServerKey, true, KEY_READ);
    if (!key) return 0;

    std::wstring path;
    if (!readDefaultString(*key, path)) return 0;
    if (!extensionsutils::FileExistsWrapperImpl().fileExists(path)) return 0;

    std::wstring folder;
    if (!folderOfFile(path, folder)) return 0;
    if (isFolderNamed(folder, L"office12")) return office2007;
    for (const wchar_t* laterOffice : {L"office14", L"office15", L"office16"}) {
        if (isFolderNamed(folder, laterOffice)) return office2010;
    }
    return 0;
}

bool isResolveContactEnabled()
{
    HKEY rawKey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, resolveContactSettingsKey, 0, KEY_READ, &rawKey) != ERROR_SUCCESS)
        return true;
    const RegKey key(rawKey);
    // Whatever the value's type, its first bytes are taken as the number; more than four bytes is unreadable.
    DWORD number = 0;
    DWORD size = sizeof(number);
    if (RegQueryValueExW(key.handle(), disableResolveContactValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&number),
                         &size) != ERROR_SUCCESS)
        return true;
    return number != 1;
}

} // namespace RegistryUtils
