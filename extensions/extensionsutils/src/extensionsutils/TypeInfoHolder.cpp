#include "extensionsutils/TypeInfoHolder.h"

#include <utility>

namespace extensionsutils {

namespace {
const LCID englishUnitedStates = 0x409;
}

HRESULT loadRegisteredTypeLib(const GUID& libraryId, WORD major, WORD minor, LCID locale, ITypeLib** library)
{
    if (!library) return E_POINTER;
    *library = nullptr;
    const HRESULT hr = LoadRegTypeLib(libraryId, major, minor, locale, library);
    if (SUCCEEDED(hr)) return hr;
    // The library's content is the same for every locale, so any registration of it serves.
    for (LCID fallback : {static_cast<LCID>(LOCALE_NEUTRAL), englishUnitedStates}) {
        if (fallback != locale && SUCCEEDED(LoadRegTypeLib(libraryId, major, minor, fallback, library))) return S_OK;
    }
    return hr;
}

TypeInfoHolder::TypeInfoHolder(const GUID& libraryId, WORD major, WORD minor, const IID& iid)
    : TypeInfoHolder(iid, [libraryId, major, minor](LCID locale, ITypeLib** library) {
          return loadRegisteredTypeLib(libraryId, major, minor, locale, library);
      })
{
}

TypeInfoHolder::TypeInfoHolder(const IID& iid, LibraryLoader loader) : iid_(iid), loader_(std::move(loader)) {}

HRESULT TypeInfoHolder::typeInfo(LCID locale, ComPtr<ITypeInfo>& info)
{
    vorn::MutexGuard guard(mutex_);
    if (!info_) {
        const HRESULT hr = load(locale);
        if (FAILED(hr)) return hr;
    }
    info = info_;
    return S_OK;
}

HRESULT TypeInfoHolder::load(LCID locale)
{
    ComPtr<ITypeLib> library;
    HRESULT hr = loader_(locale, library.out());
    if (FAILED(hr)) return hr;
    if (!library) return E_UNEXPECTED;
    ComPtr<ITypeInfo> info;
    hr = library->GetTypeInfoOfGuid(iid_, info.out());
    if (FAILED(hr)) return hr;
    info_ = info;
    return S_OK;
}

} // namespace extensionsutils
