#pragma once

// The sign-in guard of the Messenger API objects (the Messenger object, its service, contacts and contact
// collections): every guarded operation asks the host afresh whether its user is signed in, and a refusal
// is logged under the name of the operation that refuses, in that operation's own words.
//
// Threads: any; the caller holds its own object's lock.

#include "ExtensionProvider/ExtensionProviderClient.h"
#include "logging/Results.h"

#include <windows.h>

// The host client's user is not signed in: what a guarded Messenger API operation answers.
constexpr HRESULT MSGR_E_NOT_LOGGED_ON = static_cast<HRESULT>(0x8100031E);

// The refusals' texts, as Office's operations word them.
namespace notloggedin {
// Most operations of the Messenger object.
constexpr const char* messenger = "client is not logged in, returning";
// GetContact.
constexpr const char* getContact = "Client is not logged in, returning";
// The Messenger object's status and property maps; a contact; the service.
constexpr const char* returningError = "not logged in returning MSGR_E_NOT_LOGGED_ON";
// The service's name.
constexpr const char* serviceName = "Not logged in returning MSGR_E_NOT_LOGGED_ON";
// A contacts collection.
constexpr const char* collection = "not logged in returning";
// A contacts collection's Item.
constexpr const char* collectionItem = "Not logged in returning";
// Signin, which answers S_OK either way, and Signout.
constexpr const char* signin = "client is not logged in";
constexpr const char* signout = "already logged out";
} // namespace notloggedin

// Returns result from the calling operation, after its log line, while the host's user is signed out.
#define TAVO_RETURN_IF_SIGNED_OUT(level, text, result)                                                      \
    do {                                                                                                   \
        if (!::ExtensionProviderClient::isClientLoggedIn()) return TAVO_FAIL(level, text, result);         \
    } while (false)
