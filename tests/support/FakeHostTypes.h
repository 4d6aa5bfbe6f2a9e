#pragma once

// Plain values that the fake host client keeps and reports: its directory entries, what the module asked
// it to do, and the log records it received.

#include <windows.h>

#include <string>
#include <vector>

namespace fakehost {

// One person in the host's directory.
struct ContactRecord {
    std::wstring signinName, userId, friendlyName, workNumber, homeNumber, mobileNumber, otherNumber;
    bool tagged = false;
    long presence = 1; // the host's presence value, 1 to 5
    std::wstring presenceText;
};

// Every host method, for failure injection and call counting.
enum class HostMethod {
    // IClassFactory::CreateInstance, by the interface asked for
    CreateIMAndPresence, CreateProviderManagement, CreateEventManager, CreatePhone, CreateLogger,
    // IIMAndPresence
    ResolveContactByEmail, GetContacts, GetContact, AddContact, TagContact, StartInstantMessage, StartGroupChat, GetPresenceForContact,
    GetContactByUserId, WatchContact,
    GetLoggedInUser, IsSignedIn,                                         // IProviderManagement
    AddIMAndPresenceEventListener, RemoveIMAndPresenceEventListener,     // IEventManager
    MakeCall, MakeConferenceCall,                                        // IPhone
    WriteRecord, IsLevelEnabled,                                         // the logger
    // IContact
    GetFriendlyName, GetSigninName, GetWorkNumber, GetHomeNumber, GetMobileNumber, GetOtherNumber, GetIsTagged, RequestPresenceState,
    StartWatching, BeginReadTransaction,
    FindConnectionPoint, Advise, Unadvise, // its connection point container and _IContactEvents point
    GetCount, GetItem,                     // IContacts
    GetPresenceString, GetPresenceState,   // IPresenceState
    Count
};

// What an injected failure makes a method do instead of its work.
// Failure: the chosen HRESULT, nothing written; Empty: S_OK with a null object or string, or without doing
// anything; WrongObject: S_OK with an object that answers only IUnknown and IDispatch.
enum class InjectedAnswer { Failure, Empty, WrongObject };

enum class ConversationKind { InstantMessage, GroupChat, Call, ConferenceCall };

// A chat or call the module asked the host to start.
struct ConversationStart {
    ConversationKind kind = ConversationKind::InstantMessage;
    std::vector<std::wstring> participants;
    long lowerBound = 0;             // of the participants array, for group chats and conference calls
    bool hasSubject = false;         // false when the subject was a null BSTR
    std::wstring subject;
};

// One record handed to the host logger.
struct LogRecord {
    long hostLevel = 0;
    std::wstring file;
    long line = 0;
    std::wstring function, message;
    DWORD threadId = 0; // the thread that wrote the record
};

// What a fake answers when it does not know the contact asked for.
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490); // HRESULT_FROM_WIN32(ERROR_NOT_FOUND)

} // namespace fakehost
