#include "utils/RegistryUtils.h"

#include "logging/Results.h"

#include "TavoMessengerLib.h"
#include "extensionsutils/GuidText.h"
#include "extensionsutils/RegKey.h"
#include "extensionsutils/Utf8.h"

#include <optional>
#include <vector>

// The module's registry writes: UpAndRunning and the repair of the Messenger API interfaces' TypeLib entries.
namespace RegistryUtils {

namespace {

using extensionsutils::RegKey;

// Where Office finds its IM provider; Office 2007 looks under its own key, whichever provider is the default.
const wchar_t* const hostProviderKey = L"Software\\IM Providers\\Norvane Quillon";
const wchar_t* const office2007ProviderKey = L"Software\\IM Providers\\Communicator";
const wchar_t* const upAndRunningValue = L"UpAndRunning";

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

std::string registryText(REFGUID guid)
{
    return extensionsutils::toUtf8(extensionsutils::guidText(guid));
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
    if (!current) return TAVO_LOG(1, "Key not found");
    if (*current == libraryId) return TAVO_LOG(1, "Key found with TavoMessenger GUID");
    TAVO_LOG(1, "Key found but Value is not equal to TavoMessenger GUID");
    TAVO_LOG(1, "Write TavoMessenger GUID " << extensionsutils::toUtf8(libraryId));
    WriteTavoMessengerGUID(hive, keyPath, libraryId);
}

std::optional<std::wstring> ReadRegistryKeyStringValue(HKEY hive, const std::string& keyPath)
{
    const RegKey key = openTypeLibEntry(hive, keyPath);
    if (!key) return TAVO_FAIL(1, "Failed to open registry key", std::nullopt);
    return readDefaultValueAsText(key);
}

void WriteTavoMessengerGUID(HKEY hive, const std::string& keyPath, const std::wstring& value)
{
    const RegKey key = openTypeLibEntry(hive, keyPath);
    if (!key) return TAVO_LOG(2, "Failed to open registry key");
    // Written with its terminating NUL, as readers that insist on one (RegKey::readString) expect.
    if (key.writeString(L"", value) != ERROR_SUCCESS)
        return TAVO_LOG(1, "Failed to write TavoMessenger GUID " << extensionsutils::toUtf8(value));
    TAVO_LOG(1, "TavoMessenger GUID " << extensionsutils::toUtf8(value) << " written successfully");
}

} // namespace RegistryUtils
