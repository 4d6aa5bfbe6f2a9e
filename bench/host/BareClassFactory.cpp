#include "host/BareClassFactory.h"

#include "host/BareMessenger.h"

namespace bench {

HRESULT BareClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return extensionsutils::ComObject<BareMessenger>::createInstance(iid, object);
}

} // namespace bench
