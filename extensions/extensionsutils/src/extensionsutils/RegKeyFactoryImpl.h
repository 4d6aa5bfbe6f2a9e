#pragma once

// The registry key factory over the Win32 registry functions. No state: any thread, any number of copies.

#include "extensionsutils/RegKeyFactory.h"

namespace extensionsutils {

class RegKeyFactoryImpl : public RegKeyFactory
{
public:
    RegKeyPtr CreateRegistryKey(const LogSinkPtr& logSink, HKEY hive, const std::wstring& name,
                                RegistryView view) const override;
    RegKeyPtr OpenRegistryKey(const LogSinkPtr& logSink, HKEY hive, const std::wstring& name,
                              RegistryView view, REGSAM access) const override;
    RegKeyPtr OpenUserHiveKey(const LogSinkPtr& logSink, bool openUsersHive,
                              const std::wstring& userName) const override;
};

} // namespace extensionsutils
