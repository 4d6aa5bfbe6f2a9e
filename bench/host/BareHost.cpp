#include "host/BareHost.h"

namespace bench {

HRESULT BareHost::fetch()
{
    if (factory_) return S_FALSE;
    return CoGetClassObject(CLSID_IMAndPresence, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                            reinterpret_cast<void**>(factory_.out()));
}

BareHost& bareHost()
{
    static BareHost host;
    return host;
}

} // namespace bench
