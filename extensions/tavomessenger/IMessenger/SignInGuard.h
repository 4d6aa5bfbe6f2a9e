#pragma once

// The sign-in guard of the Messenger API objects (the Messenger object, its service, contacts and contact
// collections): every guarded operation asks the host afresh whether its user is signed in, and a refusal
// is logged under the name of the operation that refuses.
//
// Threads: any; the caller holds its own object's lock.

#include "IMessenger/MessengerResults.h"
#include "logging/Logging.h"

namespace messengerapi {

// True when the host client's user is signed in; otherwise logs message at level for the caller.
bool signedIn(const logging::CallSite& caller, int level, const char* message);

} // namespace messengerapi

// Returns result from the calling operation when the user is signed out, after logging message.
#define RETURN_IF_SIGNED_OUT(level, message, result)                                                        \
    do {                                                                                                   \
        if (!::messengerapi::signedIn(TAVO_CALL_SITE, (level), (message))) return (result);                \
    } while (false)
