#include "common/FileVersion.h"

#include <vector>

namespace tools {

namespace {

std::wstring fourPartVersion(DWORD mostSignificant, DWORD leastSignificant)
{
    return std::to_wstring(HIWORD(mostSignificant)) + L"." + std::to_wstring(LOWORD(mostSignificant)) + L"." +
           std::to_wstring(HIWORD(leastSignificant)) + L"." + std::to_wstring(LOWORD(leastSignificant));
}

// The resource's strings are written for US English, Unicode (the "040904B0" block).
std::wstring stringValue(const std::vector<BYTE>& block, const wchar_t* name)
{
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || !value || length == 0) return std::wstring();
    const wchar_t* text = static_cast<const wchar_t*>(value);
    return std::wstring(text, wcsnlen(text, length));
}

} // namespace

std::optional<FileVersion> readFileVersion(const std::wstring& path)
{
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    if (size == 0) return std::nullopt;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return std::nullopt;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return std::nullopt;
    const VS_FIXEDFILEINFO& fixed = *static_cast<const VS_FIXEDFILEINFO*>(value);
    if (fixed.dwSignature != VS_FFI_SIGNATURE) return std::nullopt;

    FileVersion version;
    version.fileType = fixed.dwFileType;
    version.fileVersion = fourPartVersion(fixed.dwFileVersionMS, fixed.dwFileVersionLS);
    version.productVersion = fourPartVersion(fixed.dwProductVersionMS, fixed.dwProductVersionLS);
    version.productVersionText = stringValue(block, L"ProductVersion");
    version.productName = stringValue(block, L"ProductName");
    version.description = stringValue(block, L"FileDescription");
    version.originalFilename = stringValue(block, L"OriginalFilename");
    version.buildId = stringValue(block, L"BuildId");
    return version;
}

} // namespace tools
