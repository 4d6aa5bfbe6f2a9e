#include "IUCOfficeIntegration/values/UCCClientStateChangedEventData.h"

void UCCClientStateChangedEventData::setStates(ClientState previous, ClientState current)
{
    vorn::ExclusiveGuard guard(lock);
    oldState = previous;
    newState = current;
}

HRESULT UCCClientStateChangedEventData::get_NewState(ClientState* state)
{
    if (!state) return E_POINTER;
    vorn::SharedGuard guard(lock);
    *state = newState;
    return S_OK;
}

HRESULT UCCClientStateChangedEventData::get_OldState(ClientState* state)
{
    if (!state) return E_POINTER;
    vorn::SharedGuard guard(lock);
    *state = oldState;
    return S_OK;
}

HRESULT UCCClientStateChangedEventData::get_StatusCode(LONG* statusCode)
{
    if (!statusCode) return E_POINTER;
    *statusCode = 0;
    return S_OK;
}
