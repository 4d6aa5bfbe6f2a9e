#pragma once

// The _IContactEvents connection point of one contact. Sinks are kept by the FakeHost under the contact's
// sign-in name, so fireContactChanged reaches them whichever contact object they were advised on.

#include "support/FakeComObject.h"

#include <ocidl.h>
#include <olectl.h>

#include <string>

namespace fakehost {

class FakeContactConnectionPoint : public FakeComObject<IConnectionPoint> {
public:
    FakeContactConnectionPoint(std::shared_ptr<FakeHost> host, std::wstring signinName);

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

private:
    const std::wstring signinName_;
};

} // namespace fakehost
