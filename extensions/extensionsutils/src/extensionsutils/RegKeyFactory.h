#pragma once

// Opens and creates registry keys, so that code which reads the registry can be handed another source.
// Every operation answers an empty pointer on failure and, given a log sink, logs why.

#include "extensionsutils/LogSink.h"
#include "extensionsutils/RegKey.h"

#include <windows.h>

#include <string>

namespace extensionsutils {

class RegKeyFactory
{
public:
    virtual ~RegKeyFactory() = default;

    // Creates the key, or opens it if it exists, for writing and querying values, in the given view.
    virtual RegKeyPtr CreateRegistryKey(const LogSinkPtr& logSink, HKEY hive, const std::wstring& name,
                                        RegistryView view) const = 0;

    // Opens an existing key with the given access in the given view.
    virtual RegKeyPtr OpenRegistryKey(const LogSinkPtr& logSink, HKEY hive, const std::wstring& name,
                                      RegistryView view, REGSAM access) const = 0;

    // With openUsersHive, the named user's hive under HKEY_USERS, read-only; otherwise HKEY_CURRENT_USER.
    virtual RegKeyPtr OpenUserHiveKey(const LogSinkPtr& logSink, bool openUsersHive,
                                      const std::wstring& userName) const = 0;
};

} // namespace extensionsutils
