#pragma once

#include "common/ModuleTypeLibrary.h"
#include "common/ProgramFolder.h"
#include "extensionsutils/ComPtr.h"

#include <windows.h>
#include <oleauto.h>

#include <string>

// Tests and the module are built side by side.
using tools::besideThisProgram;

// Registers the type library embedded in `modulePath` machine-wide, as an installer would, and also under
// locale 0: Wine's marshaler looks a library up for locale 0 only, while ours carries 0x409.
inline HRESULT registerTypeLibraryForMarshaling(const std::wstring& modulePath)
{
    extensionsutils::ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLib(modulePath.c_str(), library.out());
    std::wstring path = modulePath;
    if (SUCCEEDED(hr)) hr = RegisterTypeLib(library.get(), &path[0], nullptr);
    return SUCCEEDED(hr) ? tools::registerTypeLibraryLocaleZero(modulePath) : hr;
}
