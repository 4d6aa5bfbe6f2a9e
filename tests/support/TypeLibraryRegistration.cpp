#include "support/TypeLibraryRegistration.h"

#include "common/ModuleTypeLibrary.h"

#include "extensionsutils/ComPtr.h"

#include <oleauto.h>

HRESULT registerTypeLibraryForMarshaling(const std::wstring& modulePath)
{
    extensionsutils::ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLib(modulePath.c_str(), library.out());
    std::wstring path = modulePath;
    if (SUCCEEDED(hr)) hr = RegisterTypeLib(library.get(), &path[0], nullptr);
    return SUCCEEDED(hr) ? tools::registerTypeLibraryLocaleZero(modulePath) : hr;
}
