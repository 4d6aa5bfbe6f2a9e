#pragma once

#include "IUCOfficeIntegration/Answer.h"
#include "IUCOfficeIntegration/DispatchObject.h"

#include "vorn/ReadWriteLock.h"

// The data of one OnStateChanged event of the client object: the state before and after the change.
// Made with ComObject<UCCClientStateChangedEventData> and filled once before it is fired.
// Threads: any; `lock` guards both states, shared for Office's reads, exclusive for setStates.
class UCCClientStateChangedEventData
    : public DispatchObject<IUCCClientStateChangedEventData, &IID_IUCCClientStateChangedEventData>
{
public:
    void setStates(ClientState oldState, ClientState newState);

    // IUCCClientStateChangedEventData
    HRESULT STDMETHODCALLTYPE get_NewState(ClientState* state) override { return answerShared(lock, newState, state); }
    HRESULT STDMETHODCALLTYPE get_OldState(ClientState* state) override { return answerShared(lock, oldState, state); }
    // Always 0: a change of state is never a failure.
    HRESULT STDMETHODCALLTYPE get_StatusCode(LONG* statusCode) override { return answer(statusCode, 0); }

private:
    vorn::ReadWriteLock lock;
    ClientState oldState = ucClientStateUninitialized;
    ClientState newState = ucClientStateUninitialized;
};
