#pragma once

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"
#include "vorn/ReadWriteLock.h"

#include "TavoMessengerLib.h"

// The data of one OnStateChanged event of the client object: the state before and after the change.
// Made with ComObject<UCCClientStateChangedEventData> and filled once before it is fired.
// Threads: any; `lock` guards both states, shared for Office's reads, exclusive for setStates.
class UCCClientStateChangedEventData
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IUCCClientStateChangedEventData, &IID_IUCCClientStateChangedEventData,
                                           &LIBID_TavoMessengerLib>
{
public:
    using Interfaces =
        extensionsutils::InterfaceTable<IUCCClientStateChangedEventData,
                                        extensionsutils::Via<IDispatch, IUCCClientStateChangedEventData>>;

    void setStates(ClientState oldState, ClientState newState);

    // IUCCClientStateChangedEventData
    HRESULT STDMETHODCALLTYPE get_NewState(ClientState* state) override;
    HRESULT STDMETHODCALLTYPE get_OldState(ClientState* state) override;
    // Always 0: a change of state is never a failure.
    HRESULT STDMETHODCALLTYPE get_StatusCode(LONG* statusCode) override;

private:
    vorn::ReadWriteLock lock;
    ClientState oldState = ucClientStateUninitialized;
    ClientState newState = ucClientStateUninitialized;
};
