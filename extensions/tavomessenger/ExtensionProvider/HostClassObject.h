#pragma once

// The process-wide slot holding the host client's class object (CLSID_IMAndPresence), from which every
// host object is created afresh, and the accessors that create them.
//
// Threads: any thread may call the accessors at any time; they take the slot's reader-writer lock shared
// for the one CreateInstance call. fetchHostClassObject and releaseHostClassObject take it exclusive and
// are called by the start and stop sequences only.

#include "HostExtensionApi.h"
#include "extensionsutils/ComPtr.h"

#include <windows.h>

namespace hostaccess {

// Fills the empty slot with the class object of CLSID_IMAndPresence, asked for in-process; a failed
// fetch leaves it empty. A full slot stays as it is (S_FALSE). The first step of every start:
// nothing can be logged before it.
HRESULT fetchHostClassObject();

// Releases the class object and empties the slot; nothing is logged from here on.
void releaseHostClassObject();

// The process is ending: its other threads are gone, possibly inside a host call. From here on every
// accessor answers null without taking the slot's lock, and the class object is never released into a
// host that is being torn down. Called under the loader lock; waits for nothing.
void abandonHostClassObject();

bool hasHostClassObject();

// Each returns a new host object (the caller's reference), or null when the slot is empty or the host
// could not create one.
extensionsutils::ComPtr<IIMAndPresence> GetIMAndPresence();
extensionsutils::ComPtr<IProviderManagement> GetProviderManagement();
extensionsutils::ComPtr<IEventManager> GetEventManager();
extensionsutils::ComPtr<IPhone> GetPhone();
extensionsutils::ComPtr<ILogger> GetLogger();

} // namespace hostaccess
