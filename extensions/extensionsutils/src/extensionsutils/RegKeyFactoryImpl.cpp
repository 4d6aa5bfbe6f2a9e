#include "extensionsutils/RegKeyFactoryImpl.h"

#include "extensionsutils/Utf8.h"

#include <cstdint>
#include <sstream>
#include <utility>

namespace extensionsutils {
namespace {

const char* const sourcePath = "extensions/extensionsutils/src/extensionsutils/RegKeyFactoryImpl";
const int failureLogLevel = 1;

// KEY_WRITE | KEY_QUERY_VALUE: enough to set and read back values.
const REGSAM createAccess = KEY_WRITE | KEY_QUERY_VALUE;

void logFailure(const LogSinkPtr& logSink, int line, const char* function, const char* verb,
                const std::wstring& name, HKEY hive, RegistryView view, LONG error)
{
    if (!logSink) return;
    std::ostringstream text;
    text << "Failed to " << verb << " " << toUtf8(name) << " in 0x" << std::hex
         << reinterpret_cast<std::uintptr_t>(hive) << std::dec << " use64BitRegistry: "
         << (view == RegistryView::Wow64_64 ? 1 : 0) << " Registry Error " << error;
    logSink->write(failureLogLevel, sourcePath, line, function, text.str());
}

} // namespace

RegKeyPtr RegKeyFactoryImpl::CreateRegistryKey(const LogSinkPtr& logSink, HKEY hive, const std::wstring& name,
                                               RegistryView view) const
{
    RegKey key;
    const LONG result = RegCreateKeyExW(hive, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        withView(createAccess, view), nullptr, key.put(), nullptr);
    if (result != ERROR_SUCCESS) {
        logFailure(logSink, __LINE__, "extensionsutils::RegKeyFactoryImpl::CreateRegistryKey", "create", name,
                   hive, view, result);
        return nullptr;
    }
    return std::make_shared<RegKey>(std::move(key));
}

RegKeyPtr RegKeyFactoryImpl::OpenRegistryKey(const LogSinkPtr& logSink, HKEY hive, const std::wstring& name,
                                             RegistryView view, REGSAM access) const
{
    RegKey key;
    const LONG result = RegOpenKeyExW(hive, name.c_str(), 0, withView(access, view), key.put());
    if (result != ERROR_SUCCESS) {
        logFailure(logSink, __LINE__, "extensionsutils::RegKeyFactoryImpl::OpenRegistryKey", "open", name, hive, view,
                   result);
        return nullptr;
    }
    return std::make_shared<RegKey>(std::move(key));
}

RegKeyPtr RegKeyFactoryImpl::OpenUserHiveKey(const LogSinkPtr& logSink, bool openUsersHive,
                                             const std::wstring& userName) const
{
    if (openUsersHive) return OpenRegistryKey(logSink, HKEY_USERS, userName, RegistryView::Default, KEY_READ);
    return std::make_shared<RegKey>(HKEY_CURRENT_USER);
}

} // namespace extensionsutils
