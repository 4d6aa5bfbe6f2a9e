#include "support/TypeLibraryRegistration.h"
#include "support/RawRegistry.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/GuidText.h"

#include <oleauto.h>

#include <vector>

namespace {

HRESULT writeLocaleZeroEntry(const TLIBATTR& attributes, const std::wstring& modulePath)
{
    const wchar_t* platform = attributes.syskind == SYS_WIN64 ? L"win64" : L"win32";
    const std::wstring key = L"Software\\Classes\\TypeLib\\" + extensionsutils::guidText(attributes.guid) + L"\\" +
                             std::to_wstring(attributes.wMajorVerNum) + L"." + std::to_wstring(attributes.wMinorVerNum) + L"\\0\\" + platform;
    return registrytest::writeStringValue(HKEY_LOCAL_MACHINE, key, nullptr, modulePath) ? S_OK : E_FAIL;
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
