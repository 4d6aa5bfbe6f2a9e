#include "support/TypeLibraryRegistration.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/GuidText.h"

#include <oleauto.h>

#include <vector>

namespace {

HRESULT writeLocaleZeroEntry(const TLIBATTR& attributes, const std::wstring& modulePath)
{
    const wchar_t* platform = attributes.syskind == SYS_WIN64 ? L"win64" : L"win32";
    std::wstring key = L"Software\\Classes\\TypeLib\\" + extensionsutils::guidText(attributes.guid) + L"\\" +
                       std::to_wstring(attributes.wMajorVerNum) + L"." + std::to_wstring(attributes.wMinorVerNum) +
                       L"\\0\\" + platform;
    HKEY handle = nullptr;
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    status = RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(modulePath.c_str()),
                            static_cast<DWORD>((modulePath.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return HRESULT_FROM_WIN32(status);
}

} // namespace

HRESULT registerTypeLibraryForMarshaling(const std::wstring& modulePath)
{
    extensionsutils::ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLib(modulePath.c_str(), library.out());
    if (FAILED(hr)) return hr;
    std::wstring path = modulePath;
    hr = RegisterTypeLib(library.get(), &path[0], nullptr);
    if (FAILED(hr)) return hr;
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (FAILED(hr)) return hr;
    hr = writeLocaleZeroEntry(*attributes, modulePath);
    library->ReleaseTLibAttr(attributes);
    return hr;
}
