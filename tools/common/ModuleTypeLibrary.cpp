#include "common/ModuleTypeLibrary.h"

#include "common/ContractIds.h"
#include "common/RegistryValue.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/GuidText.h"
#include "extensionsutils/TypeInfoHolder.h"

#include <oleauto.h>

#include <mutex>

namespace tools {

namespace {

std::wstring typeLibraryLocaleZeroKey(const TLIBATTR& attributes)
{
    return L"Software\\Classes\\TypeLib\\" + extensionsutils::guidText(attributes.guid) + L"\\" +
           std::to_wstring(attributes.wMajorVerNum) + L"." + std::to_wstring(attributes.wMinorVerNum) + L"\\0\\" +
           (attributes.syskind == SYS_WIN64 ? L"win64" : L"win32");
}

} // namespace

// The module's library carries locale 0x409, so registration writes TypeLib\{LIBID}\1.0\409. Windows'
// marshaler falls back to that locale; Wine's looks the library up for locale 0 only and, without this
// entry, fails every cross-process call with E_NOINTERFACE. The module's own registration stays as it is;
// the extra entry is an installer step, harmless on Windows.
HRESULT registerTypeLibraryLocaleZero(const std::wstring& modulePath)
{
    extensionsutils::ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLib(modulePath.c_str(), library.out());
    if (FAILED(hr)) return hr;
    TLIBATTR* attributes = nullptr;
    hr = library->GetLibAttr(&attributes);
    if (FAILED(hr)) return hr;
    const std::wstring key = typeLibraryLocaleZeroKey(*attributes);
    library->ReleaseTLibAttr(attributes);
    return HRESULT_FROM_WIN32(writeRegistryString(HKEY_LOCAL_MACHINE, key, nullptr, modulePath));
}

HRESULT holdModuleTypeLibrary()
{
    static std::mutex mutex;
    static ITypeLib* held = nullptr; // never released: proxies may outlive every other reference
    std::lock_guard<std::mutex> guard(mutex);
    if (held) return S_OK;
    // The locale COM's marshaling asks for: the same registration, so the same cached library.
    return extensionsutils::loadRegisteredTypeLib(contractid::TavoMessengerLib, 1, 0, LOCALE_NEUTRAL, &held);
}

} // namespace tools
