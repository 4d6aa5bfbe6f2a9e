#pragma once

// Starts the chats and calls that the Messenger object's InstantMessage and StartConversation ask for,
// through the host client: checks and unpacks the contact or the participants, picks a chat, a call to
// the participants or a number to dial, and tells the host. Plain (not COM): made on the stack of one call, under the Messenger object's
// lock, and it keeps nothing. Its failures are logged under the Messenger operation that made it.

#include "logging/Logging.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/SafeArray.h"
#include "extensionsutils/Variant.h"

#include <windows.h>

class MessengerConversationStarter
{
public:
    MessengerConversationStarter(const logging::CallSite& caller, bool phoneMode);

    // A chat with one contact, given by sign-in name (BSTR) or as a contact object; guarded.
    HRESULT startInstantMessage(const extensionsutils::Variant& contact) const;
    // A chat with the participants (VT_ARRAY | VT_VARIANT of sign-in names); nothing in phone mode.
    HRESULT startChat(const extensionsutils::Variant& participants, const extensionsutils::Variant& subject) const;
    // A call to the participants, or to the number in the conversation data.
    HRESULT startCall(const extensionsutils::Variant& participants,
                      const extensionsutils::Variant& conversationData) const;

    // The BSTR elements of a one-dimensional VARIANT array, in order, as a new zero-based BSTR array; other
    // elements are dropped. Empty (no array) for a null or malformed input, or when memory runs out.
    extensionsutils::SafeArray removeVariantWrapping(SAFEARRAY* participants) const;

private:
    HRESULT signinNameOf(IUnknown* contact, extensionsutils::Bstr& signinName) const;

    const logging::CallSite caller;
    const bool phoneMode;
};
