#include "support/FakeEventManager.h"

#include "support/FakeAnswers.h"

namespace fakehost {

FakeEventManager::FakeEventManager(std::shared_ptr<FakeHost> host) : FakeDispatchObject<IEventManager>(std::move(host)) {}

HRESULT FakeEventManager::AddIMAndPresenceEventListener(_IIMAndPresenceEvents* listener)
{
    return answerAction(host(), HostMethod::AddIMAndPresenceEventListener,
                        [&] { return host().addListener(listener); });
}

HRESULT FakeEventManager::RemoveIMAndPresenceEventListener(_IIMAndPresenceEvents* listener)
{
    return answerAction(host(), HostMethod::RemoveIMAndPresenceEventListener,
                        [&] { return host().removeListener(listener); });
}

} // namespace fakehost
