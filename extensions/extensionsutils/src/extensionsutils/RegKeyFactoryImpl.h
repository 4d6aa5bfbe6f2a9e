#pragma once

// The registry key factory over the Win32 registry functions. No state: any thread, any number of copies.

#include "extensionsutils/RegKeyFactory.h"

namespace extensionsutils {

class RegKeyFactoryImpl : public RegKeyFactory
{
public:
    RegKeyPtr CreateRegistryKey(const LogSinkPtr& logSink, HKEY hive, const std::wstring& name,
                                bool use64BitRegistry) const override;
    RegKeyPtr OpenRegistryKey(const LogSinkPtr& logSink, HKEY hive, const std::wstring& name,
                              bool use64BitRegistry, REGSAM access) const override;
    RegKeyPtr OpenUserHiveKey(const LogSinkPtr& logSink, bool openUsersHive,
                              const std::wstring& userName) const override;
};

} // namespace extensionsutils
