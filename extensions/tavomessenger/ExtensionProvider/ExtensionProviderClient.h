#pragma once

// The host calls that both Office sides need: finding a contact, the signed-in user, watching and
// tagging contacts, starting calls and chats. Stateless: every host object is created through the host
// class object and released before the operation returns.
//
// Threads: any thread (Office's calling threads, the worker thread); no lock is held during host calls.

#include "HostExtensionApi.h"
#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/SafeArray.h"

#include <windows.h>
#include <oleauto.h>

namespace ExtensionProviderClient {

// The failure of every contact lookup.
constexpr HRESULT contactNotFound = static_cast<HRESULT>(0x8100030A);

// Looks the contact up by URI, or by user id when the name has the Exchange form (an '=' after its
// first character: the user id is everything after the last '='). On success the contact replaces what
// the holder held; on failure the holder is left alone and the result is contactNotFound.
HRESULT getContact(BSTR signinName, extensionsutils::ComPtr<IContact>& contact);

// The signed-in user as a contact; E_FAIL when the host cannot tell.
HRESULT getClientUserContact(extensionsutils::ComPtr<IContact>& contact);

// The signed-in user's sign-in name (null when the host gives none); E_FAIL when the user is unknown.
HRESULT getClientUserJid(extensionsutils::Bstr& jid);

// True only when the host answers that the user is signed in.
bool isClientLoggedIn();

// The host's own result, or E_FAIL when no host object could be made.
HRESULT startWatchingContact(BSTR signinName);
HRESULT TagContact(BSTR signinName, VARIANT_BOOL tagged);

// A new zero-based BSTR array: the participants in their order, without the signed-in user and without
// repeats (exact UTF-16 comparison; a null name equals an empty one). Empty when the signed-in user
// cannot be read, and for anything but a one-dimensional BSTR array. Null only if memory runs out.
extensionsutils::SafeArray removeDuplicatesAndClientUser(SAFEARRAY* participants);

// Calls the participants that remain after removeDuplicatesAndClientUser: nobody is S_OK and no call,
// one is a call, more a conference call. The host's result otherwise.
HRESULT startCall(SAFEARRAY* participants);

// One given participant is messaged as given; more become a group chat without repeats and the
// signed-in user (none left: S_OK, nothing started). subject may be null. The host's result otherwise.
HRESULT startChat(SAFEARRAY* participants, BSTR subject);

} // namespace ExtensionProviderClient
