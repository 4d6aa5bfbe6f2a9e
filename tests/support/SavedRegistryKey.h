#pragma once

// Saves a registry key with everything below it and puts it back exactly when the test ends: a key that
// did not exist is deleted again, together with any missing parents the test created. So registry tests
// leave the shared Wine prefix as they found it, whatever order they run in.

#include "RawRegistry.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace registrytest {

class SavedRegistryKey
{
public:
    // view: 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY.
    SavedRegistryKey(HKEY hive, std::wstring path, REGSAM view = 0) : hive_(hive), path_(std::move(path)), view_(view)
    {
        if (const Key key = opened(hive_, path_, KEY_READ | view_)) {
            existed_ = save(key.get(), saved_);
            return;
        }
        // The shortest missing prefix is what the test may bring into being.
        for (std::wstring::size_type end = 0; firstMissingPath_.empty();) {
            end = path_.find(L'\\', end + 1);
            if (!keyExists(hive_, path_.substr(0, end), view_)) firstMissingPath_ = path_.substr(0, end);
            if (end == std::wstring::npos) break;
        }
    }
    ~SavedRegistryKey()
    {
        if (existed_) {
            deleteTree(path_);
            restore(hive_, path_, saved_);
        }
        else if (!firstMissingPath_.empty()) deleteTree(firstMissingPath_);
    }

    SavedRegistryKey(const SavedRegistryKey&) = delete;
    SavedRegistryKey& operator=(const SavedRegistryKey&) = delete;

    // Deletes the key and everything below it now, so the test starts from nothing.
    void clear() const { deleteTree(path_); }

private:
    struct Value { std::wstring name; DWORD type; std::vector<BYTE> data; };
    struct Node { std::vector<Value> values; std::vector<std::pair<std::wstring, Node>> children; };

    bool save(HKEY key, Node& node) const
    {
        wchar_t name[16384];
        for (DWORD index = 0;; ++index) {
            DWORD nameChars = 16384, type = 0, bytes = 0;
            if (RegEnumValueW(key, index, name, &nameChars, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) break;
            // Room for a terminator the registry may add to a string stored without one.
            bytes += 2;
            Value value{std::wstring(name, nameChars), type, std::vector<BYTE>(bytes)};
            nameChars = 16384;
            if (RegEnumValueW(key, index, name, &nameChars, nullptr, &type, value.data.data(), &bytes) != ERROR_SUCCESS) return false;
            value.data.resize(bytes);
            node.values.push_back(std::move(value));
        }
        for (DWORD index = 0;; ++index) {
            DWORD nameChars = 256;
            if (RegEnumKeyExW(key, index, name, &nameChars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            const std::wstring childName(name, nameChars);
            const Key child = opened(key, childName, KEY_READ | view_);
            if (!child) continue;
            node.children.emplace_back(childName, Node());
            save(child.get(), node.children.back().second);
        }
        return true;
    }
    void restore(HKEY parent, const std::wstring& path, const Node& node) const
    {
        const Key key = opened(parent, path, KEY_ALL_ACCESS | view_, true);
        if (!key) return;
        for (const Value& value : node.values)
            RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
        for (const auto& child : node.children) restore(key.get(), child.first, child.second);
    }
    void deleteTree(const std::wstring& path) const
    {
        if (const Key key = opened(hive_, path, KEY_ALL_ACCESS | view_)) RegDeleteTreeW(key.get(), nullptr);
        RegDeleteKeyExW(hive_, path.c_str(), view_, 0);
    }

    HKEY hive_;
    std::wstring path_;
    REGSAM view_;
    bool existed_ = false;
    std::wstring firstMissingPath_;
    Node saved_;
};

} // namespace registrytest
