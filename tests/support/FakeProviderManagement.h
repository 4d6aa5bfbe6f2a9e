#pragma once

// The host's IProviderManagement: the signed-in user and the sign-in state.

#include "support/FakeComObject.h"

namespace fakehost {

class FakeProviderManagement : public FakeDispatchObject<IProviderManagement> {
public:
    explicit FakeProviderManagement(std::shared_ptr<FakeHost> host);

    HRESULT STDMETHODCALLTYPE GetLoggedInUser(IDispatch** contact) override;
    HRESULT STDMETHODCALLTYPE IsSignedIn(LONG* signedIn) override;
};

} // namespace fakehost
