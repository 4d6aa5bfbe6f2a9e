#include "host/BareChangeData.h"

namespace bench {

HRESULT BareChangeData::get_ChangedContactInformation(SAFEARRAY** types)
{
    if (!types) return E_POINTER;
    static const LONG changed[] = {ucPresenceAvailability, ucPresenceActivityId, ucPresenceCustomActivity, ucPresenceActivity};
    *types = SafeArrayCreateVector(VT_I4, 0, 4);
    if (!*types) return E_OUTOFMEMORY;
    for (LONG i = 0; i < 4; ++i) SafeArrayPutElement(*types, &i, const_cast<LONG*>(&changed[i]));
    return S_OK;
}

} // namespace bench
