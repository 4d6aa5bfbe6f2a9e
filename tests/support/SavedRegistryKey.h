#pragma once

// Saves a registry key with everything below it and puts it back exactly when the test ends: a key that
// did not exist is deleted again, together with any missing parents the test created. So registry tests
// leave the shared Wine prefix as they found it, whatever order they run in.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace registrytest {

class SavedRegistryKey
{
public:
    // view: 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY.
    SavedRegistryKey(HKEY hive, std::wstring path, REGSAM view = 0);
    ~SavedRegistryKey();

    SavedRegistryKey(const SavedRegistryKey&) = delete;
    SavedRegistryKey& operator=(const SavedRegistryKey&) = delete;

    // Deletes the key and everything below it now, so the test starts from nothing.
    void clear() const;

private:
    struct Value { std::wstring name; DWORD type; std::vector<BYTE> data; };
    struct Node { std::vector<Value> values; std::vector<std::pair<std::wstring, Node>> children; };

    bool save(HKEY key, Node& node) const;
    void restore(HKEY parent, const std::wstring& path, const Node& node) const;
    void deleteTree(const std::wstring& path) const;

    HKEY hive_;
    std::wstring path_;
    REGSAM view_;
    bool existed_ = false;
    std::wstring firstMissingPath_;
    Node saved_;
};

} // namespace registrytest
