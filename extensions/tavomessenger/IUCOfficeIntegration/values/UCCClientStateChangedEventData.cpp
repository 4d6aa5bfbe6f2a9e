#include "IUCOfficeIntegration/values/UCCClientStateChangedEventData.h"

void UCCClientStateChangedEventData::setStates(ClientState previous, ClientState current)
{
    vorn::ExclusiveGuard guard(lock);
    oldState = previous;
    newState = current;
}
