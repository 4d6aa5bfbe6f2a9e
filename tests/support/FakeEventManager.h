#pragma once

// The host's IEventManager: keeps the module's _IIMAndPresenceEvents listeners in the FakeHost.

#include "support/FakeComObject.h"

namespace fakehost {

class FakeEventManager : public FakeDispatchObject<IEventManager> {
public:
    explicit FakeEventManager(std::shared_ptr<FakeHost> host);

    HRESULT STDMETHODCALLTYPE AddIMAndPresenceEventListener(_IIMAndPresenceEvents* listener) override;
    HRESULT STDMETHODCALLTYPE RemoveIMAndPresenceEventListener(_IIMAndPresenceEvents* listener) override;
};

} // namespace fakehost
