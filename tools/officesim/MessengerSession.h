#pragma once

// Office 2007/2010's session with its IM provider, through the Messenger API: who is signed in and with
// which status, the contact list with each contact's status, numbers and presence properties, one contact by
// name, e-mail resolution answered by OnContactResolved, and a chat and a call started with InstantMessage
// and StartConversation. Every answer is checked against the contract; DMessengerEvents is advised by the
// caller before the session runs.
//
// Main thread only.

#include "officesim/Checker.h"
#include "officesim/EventMonitor.h"
#include "officesim/MessengerApi.h"
#include "officesim/SessionSettings.h"

#include <string>
#include <vector>

namespace officesim {

struct MessengerSessionResult {
    bool signedIn = false;
    std::wstring selfName;
    std::vector<std::wstring> contactNames; // the contact list's sign-in names, in its order
    std::vector<Object> contacts;           // the contact objects Office holds on to
};

class MessengerSession {
public:
    MessengerSession(MessengerApi& api, Checker& check, EventMonitor& events, const SessionSettings& settings);

    MessengerSessionResult run(IUnknown* messenger);

private:
    // Reads a contact as Office's contact card does; false when it could not even name it.
    bool readContact(IUnknown* contact, PersonRow& row, const std::wstring& where);
    void readSelf(IUnknown* messenger, MessengerSessionResult& result);
    void readContactList(IUnknown* messenger, MessengerSessionResult& result);
    Object getContact(IUnknown* messenger, const std::wstring& signinName);
    void resolve(IUnknown* messenger, const std::wstring& address);
    void startConversations(IUnknown* messenger, const Object& contact, const std::wstring& signinName);
    void checkSignedOut(IUnknown* messenger);

    MessengerApi& api_;
    Checker& check_;
    EventMonitor& events_;
    const SessionSettings& settings_;
};

} // namespace officesim
