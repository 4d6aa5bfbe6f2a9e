#pragma once

// The host class object of CLSID_IMAndPresence: makes a new host object for every CreateInstance.
// Not counted among the live objects.

#include "support/FakeComObject.h"

namespace fakehost {

class FakeClassFactory : public FakeComObject<IClassFactory> {
public:
    explicit FakeClassFactory(std::shared_ptr<FakeHost> host);

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;
};

} // namespace fakehost
