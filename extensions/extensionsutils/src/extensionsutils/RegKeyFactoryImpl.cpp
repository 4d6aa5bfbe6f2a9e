#include "extensionsutils/RegKeyFactoryImpl.h"

#include "extensionsutils/Utf8.h"

#include <cstdint>
#include <sstream>

namespace extensionsutils {
namespace {

const char* const sourcePath = "extensions/extensionsutils/src/extensionsutils/RegKeyFactoryImpl";
const int failureLogLevel = 1;

// KEY_WRITE | KEY_QUERY_VALUE: enough to set and read back values.
const REGSAM createAccess = KEY_WRITE | KEY_QUERY_VALUE;

REGSAM inView(REGSAM access, bool use64BitRegistry)
{
    return use64BitRegistry ? access | KEY_WOW64_64KEY : access;
}

void logFailure(const LogSinkPtr& logSink, int line, const char* function, const char* verb,
                const std::wstring& name, HKEY hive, bool use64BitRegistry, LONG error)
{
    if (!logSink) return;
    std::ostringstream text;
    text << "Failed to " << verb << " " << toUtf8(name) << " in 0x" << std::hex
         << reinterpret_cast<std::uintptr_t>(hive) << std::dec << " use64BitRegistry: "
         << (use64BitRegistry ? 1 : 0) << " Registry Error " << error;
    logSink->write(failureLogLevel, sourcePath, line, function, text.str());
}

} // namespace

RegKeyPtr RegKeyFactoryImpl::CreateRegistryKey(const LogSinkPtr& logSink, HKEY hive, const std::wstring& name,
                                               bool use64BitRegistry) const
{
    HKEY key = nullptr;
    const LONG result = RegCreateKeyExW(hive, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        inView(createAccess, use64BitRegistry), nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) {
        logFailure(logSink, __LINE__, "extensionsutils::RegKeyFactoryImpl::CreateRegistryKey", "create", name,
                   hive, use64BitRegistry, result);
        return nullptr;
    }
    return std::make_shared<RegKey>(key);
}

RegKeyPtr RegKeyFactoryImpl::OpenRegistryKey(const LogSinkPtr& logSink, HKEY hive, const std::wstring& name,
                                             bool use64BitRegistry, REGSAM access) const
{
    HKEY key = nullptr;
    const LONG result = RegOpenKeyExW(hive, name.c_str(), 0, inView(access, use64BitRegistry), &key);
    if (result != ERROR_SUCCESS) {
        logFailure(logSink, __LINE__, "extensionsutils::RegKeyFactoryImpl::OpenRegistryKey", "open", name, hive,
                   use64BitRegistry, result);
        return nullptr;
    }
    return std::make_shared<RegKey>(key);
}

RegKeyPtr RegKeyFactoryImpl::OpenUserHiveKey(const LogSinkPtr& logSink, bool openUsersHive,
                                             const std::wstring& userName) const
{
    if (openUsersHive) return OpenRegistryKey(logSink, HKEY_USERS, userName, false, KEY_READ);
    return std::make_shared<RegKey>(HKEY_CURRENT_USER);
}

} // namespace extensionsutils
