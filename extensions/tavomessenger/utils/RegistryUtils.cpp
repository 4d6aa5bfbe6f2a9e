#include "utils/RegistryUtils.h"

#include "logging/Logging.h"

#include "TavoMessengerLib.h"
#include "extensionsutils/FileExistsWrapperImpl.h"
#include "extensionsutils/GuidText.h"
#include "extensionsutils/RegKey.h"
#include "extensionsutils/RegKeyFactoryImpl.h"
#include "extensionsutils/Utf8.h"

#include <cwchar>
#include <optional>
#include <vector>

namespace RegistryUtils {

namespace {

using extensionsutils::RegKey;
using extensionsutils::RegistryView;

// Where Office finds its IM provider; Office 2007 looks under its own key, whichever provider is the default.
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
const IID* const messengerInterfaceIids[] = {
    &IID_IMessengerContactAdvanced,
    &IID_IMessengerServices,
    &IID_IMessengerService,
    &IID_IMessengerContactResolution,
    &IID_IMessengerConversationWndAdvanced,
    &IID_IMessengerPrivate,
    &DIID_DMessengerEvents,
    &DIID_DMessengerPrivateEvents,
    &IID_IMessenger,
    &IID_IMessenger2,
    &IID_IMessenger3,
    &IID_IMessengerWindow,
    &IID_IMessengerConversationWnd,
    &IID_IMessengerAdvanced,
    &IID_IMessengerGroups,
    &IID_IMessengerGroup,
    &IID_IMessengerContacts,
    &IID_IMessengerContact,
};

const char* const separatorLine =
    "=========================================================================================";

// TypeLib entries are opened in the 64-bit view and with all access even to read: without administrative
// rights the machine-wide entries then count as missing and are never touched.
const REGSAM typeLibEntryAccess = KEY_ALL_ACCESS | KEY_WOW64_64KEY;

const DWORD typeLibValueFirstQueryBytes = 256;
const DWORD officeValueBufferChars = 512;

RegKey openOrCreateUserKeyForSetting(const wchar_t* path)
{
    RegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS)
        RegCreateKeyW(HKEY_CURRENT_USER, path, key.put());
    return key;
}

RegKey openTypeLibEntry(HKEY hive, const std::string& keyPath)
{
    RegKey key;
    const std::wstring path = extensionsutils::toUtf16(keyPath);
    RegOpenKeyExW(hive, path.c_str(), 0, typeLibEntryAccess, key.put());
    return key;
}

// The default value as text, whatever its type. The buffer is zeroed and one character longer than the
// data (two when the byte count is odd), so data without a terminating NUL still ends in one.
std::optional<std::wstring> readDefaultValueAsText(const RegKey& key)
{
    DWORD bytes = typeLibValueFirstQueryBytes;
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    LONG result = RegQueryValueExW(key.get(), L"", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (result == ERROR_MORE_DATA) {
        buffer.assign(bytes / sizeof(wchar_t) + 2, L'\0');
        result = RegQueryValueExW(key.get(), L"", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    }
    if (result != ERROR_SUCCESS) return std::nullopt;
    return std::wstring(buffer.data());
}

std::optional<std::wstring> readDefaultString(const RegKey& key)
{
    std::vector<wchar_t> buffer(officeValueBufferChars, L'\0');
    DWORD length = 0;
    if (key.readString(L"", buffer.data(), officeValueBufferChars, length) != ERROR_SUCCESS) return std::nullopt;
    return std::wstring(buffer.data());
}

std::string registryText(REFGUID guid)
{
    return extensionsutils::toUtf8(extensionsutils::guidText(guid));
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

void SetUpAndRunning(DWORD value)
{
    TAVO_LOG(1, "Setting up and running to: " << value);
    const unsigned versionFromCurVer = officeVersionFromCurVer();
    const unsigned versionFromInprocServer = officeVersionFromInprocServer();

    TAVO_LOG(1, "Setting key for Office 2010, 2013 or 2016");
    const RegKey hostKey = openOrCreateUserKeyForSetting(hostProviderKey);
    RegKey office2007Key;
    if (versionFromCurVer == office2007 || versionFromInprocServer == office2007) {
        TAVO_LOG(1, "Setting key for Office 2007");
        office2007Key = openOrCreateUserKeyForSetting(office2007ProviderKey);
    }

    if (hostKey) hostKey.writeDword(upAndRunningValue, value);
    if (office2007Key) office2007Key.writeDword(upAndRunningValue, value);
}

void CheckMessengerInterfaceTypelibs()
{
    TAVO_LOG(1, "Check values under HKEY_LOCAL_MACHINE hive");
    for (const IID* iid : messengerInterfaceIids) {
        TAVO_LOG(1, separatorLine);
        CheckGUIDUnderGivenHive(registryText(*iid), HKEY_LOCAL_MACHINE);
        TAVO_LOG(1, separatorLine);
    }
    TAVO_LOG(1, "Check values under HKEY_CURRENT_USER hive");
    for (const IID* iid : messengerInterfaceIids) {
        TAVO_LOG(1, separatorLine);
        CheckGUIDUnderGivenHive(registryText(*iid), HKEY_CURRENT_USER);
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
    const std::wstring libraryId = extensionsutils::guidText(LIBID_TavoMessengerLib);
    const std::optional<std::wstring> current = ReadRegistryKeyStringValue(hive, keyPath);
    if (!current) {
        TAVO_LOG(1, "Key not found");
        return;
    }
    if (*current == libraryId) {
        TAVO_LOG(1, "Key found with TavoMessenger GUID");
        return;
    }
    TAVO_LOG(1, "Key found but Value is not equal to TavoMessenger GUID");
    TAVO_LOG(1, "Write TavoMessenger GUID " << extensionsutils::toUtf8(libraryId));
    WriteTavoMessengerGUID(hive, keyPath, libraryId);
}

std::optional<std::wstring> ReadRegistryKeyStringValue(HKEY hive, const std::string& keyPath)
{
    const RegKey key = openTypeLibEntry(hive, keyPath);
    if (!key) {
        TAVO_LOG(1, "Failed to open registry key");
        return std::nullopt;
    }
    return readDefaultValueAsText(key);
}

void WriteTavoMessengerGUID(HKEY hive, const std::string& keyPath, const std::wstring& value)
{
    const RegKey key = openTypeLibEntry(hive, keyPath);
    if (!key) {
        TAVO_LOG(2, "Failed to open registry key");
        return;
    }
    // Written with its terminating NUL, as readers that insist on one (RegKey::readString) expect.
    if (key.writeString(L"", value) != ERROR_SUCCESS) {
        TAVO_LOG(1, "Failed to write TavoMessenger GUID " << extensionsutils::toUtf8(value));
        return;
    }
    TAVO_LOG(1, "TavoMessenger GUID " << extensionsutils::toUtf8(value) << " written successfully");
}

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

bool isResolveContactEnabled()
{
    RegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, resolveContactSettingsKey, 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return true;
    // Whatever the value's type, its first bytes are taken as the number; more than four bytes is unreadable.
    DWORD number = 0;
    DWORD size = sizeof(number);
    if (RegQueryValueExW(key.get(), disableResolveContactValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&number),
                         &size) != ERROR_SUCCESS)
        return true;
    return number != 1;
}

} // namespace RegistryUtils
