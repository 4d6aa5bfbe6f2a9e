#include "common/ModuleTypeLibrary.h"

#include "extensionsutils/TypeInfoHolder.h"

#include "TavoMessengerLib.h"

#include <oleauto.h>

#include <mutex>

namespace tools {

HRESULT holdModuleTypeLibrary()
{
    static std::mutex mutex;
    static ITypeLib* held = nullptr; // never released: proxies may outlive every other reference
    std::lock_guard<std::mutex> guard(mutex);
    if (held) return S_OK;
    // The locale COM's marshaling asks for: the same registration, so the same cached library.
    return extensionsutils::loadRegisteredTypeLib(LIBID_TavoMessengerLib, 1, 0, LOCALE_NEUTRAL, &held);
}

} // namespace tools
