#include "SavedRegistryKey.h"

#include "RawRegistry.h"

namespace registrytest {

SavedRegistryKey::SavedRegistryKey(HKEY hive, std::wstring path, REGSAM view)
    : hive_(hive), path_(std::move(path)), view_(view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(hive_, path_.c_str(), 0, KEY_READ | view_, &key) == ERROR_SUCCESS) {
        existed_ = save(key, saved_);
        RegCloseKey(key);
        return;
    }
    // The shortest missing prefix is what the test may bring into being.
    std::wstring::size_type end = 0;
    while (true) {
        end = path_.find(L'\\', end + 1);
        const std::wstring prefix = path_.substr(0, end);
        if (!keyExists(hive_, prefix, view_)) {
            firstMissingPath_ = prefix;
            break;
        }
        if (end == std::wstring::npos) break;
    }
}

SavedRegistryKey::~SavedRegistryKey()
{
    if (existed_) {
        deleteTree(path_);
        restore(hive_, path_, saved_);
    } else if (!firstMissingPath_.empty()) {
        deleteTree(firstMissingPath_);
    }
}

void SavedRegistryKey::clear() const { deleteTree(path_); }

bool SavedRegistryKey::save(HKEY key, Node& node) const
{
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameChars = 16384;
        DWORD type = 0;
        DWORD bytes = 0;
        if (RegEnumValueW(key, index, name, &nameChars, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) break;
        Value value{std::wstring(name, nameChars), type, std::vector<BYTE>(bytes + 2)};
        nameChars = 16384;
        DWORD read = bytes + 2;
        if (RegEnumValueW(key, index, name, &nameChars, nullptr, &type, value.data.data(), &read) != ERROR_SUCCESS)
            return false;
        value.data.resize(read);
        node.values.push_back(std::move(value));
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameChars = 256;
        if (RegEnumKeyExW(key, index, name, &nameChars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ | view_, &child) != ERROR_SUCCESS) continue;
        Node childNode;
        save(child, childNode);
        RegCloseKey(child);
        node.children.emplace_back(std::wstring(name, nameChars), std::move(childNode));
    }
    return true;
}

void SavedRegistryKey::restore(HKEY parent, const std::wstring& path, const Node& node) const
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    for (const Value& value : node.values) {
        RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                       static_cast<DWORD>(value.data.size()));
    }
    for (const auto& child : node.children) restore(key, child.first, child.second);
    RegCloseKey(key);
}

void SavedRegistryKey::deleteTree(const std::wstring& path) const
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(hive_, path.c_str(), 0, KEY_ALL_ACCESS | view_, &key) != ERROR_SUCCESS) return;
    RegDeleteTreeW(key, nullptr);
    RegCloseKey(key);
    RegDeleteKeyExW(hive_, path.c_str(), view_, 0);
}

} // namespace registrytest
