#include "utils/TypeLibraryHold.h"

#include "extensionsutils/TypeInfoHolder.h"

#include "vorn/Mutex.h"

#include "TavoMessengerLib.h"

#include <oleauto.h>

namespace TypeLibraryHold {

namespace {

// Never released, like the type information the dispatch implementations keep: the library is needed
// for as long as any object of the module may be marshaled, which may outlast every stop, and nothing
// calls into oleaut32 while the process unloads.
vorn::Mutex& holdMutex()
{
    static vorn::Mutex* const mutex = new vorn::Mutex;
    return *mutex;
}

ITypeLib* heldLibrary = nullptr; // guarded by holdMutex()

} // namespace

HRESULT holdRegisteredLibrary()
{
    vorn::MutexGuard guard(holdMutex());
    if (heldLibrary) return S_OK;
    // The locale COM's marshaling asks for: the same registration, so the same cached library.
    return extensionsutils::loadRegisteredTypeLib(LIBID_TavoMessengerLib, 1, 0, LOCALE_NEUTRAL, &heldLibrary);
}

} // namespace TypeLibraryHold
