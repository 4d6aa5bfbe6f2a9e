#pragma once

#include "extensionsutils/ComPtr.h"

#include "vorn/Mutex.h"

#include <windows.h>
#include <oaidl.h>

#include <functional>

namespace extensionsutils {

// Loads a registered type library by LIBID and version for a locale, falling back to the locale-neutral
// and the U.S. English registration (Wine finds a library only under the locale it was registered for).
// The first failure code is returned when none is registered.
HRESULT loadRegisteredTypeLib(const GUID& libraryId, WORD major, WORD minor, LCID locale, ITypeLib** library);

// The type information of one interface, taken from its type library on first use and kept from then on.
// A failed load returns its code to that caller and is tried again by the next one; concurrent first
// callers load once (the mutex is held across the load). Any thread.
class TypeInfoHolder
{
public:
    using LibraryLoader = std::function<HRESULT(LCID locale, ITypeLib** library)>;

    TypeInfoHolder(const GUID& libraryId, WORD major, WORD minor, const IID& iid);
    TypeInfoHolder(const IID& iid, LibraryLoader loader);
    TypeInfoHolder(const TypeInfoHolder&) = delete;
    TypeInfoHolder& operator=(const TypeInfoHolder&) = delete;

    HRESULT typeInfo(LCID locale, ComPtr<ITypeInfo>& info);

private:
    HRESULT load(LCID locale);

    const IID iid_;
    const LibraryLoader loader_;
    vorn::Mutex mutex_;
    ComPtr<ITypeInfo> info_;
};

} // namespace extensionsutils
