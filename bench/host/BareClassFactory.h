#pragma once

// The bare provider's class object: a new BareMessenger for each CreateInstance. Any thread.

#include "extensionsutils/ComObject.h"

#include <objbase.h>

namespace bench {

class BareClassFactory : public extensionsutils::ComObjectRoot, public IClassFactory
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IClassFactory>;

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

} // namespace bench
