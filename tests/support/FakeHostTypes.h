#pragma once

// Plain values that the fake host client keeps and reports: its directory entries, what the module asked
// it to do, and the log records it received.

#include <windows.h>

#include <string>
#include <vector>

namespace fakehost {

// One person in the host's directory.
struct ContactRecord {
    std::wstring signinName;
    std::wstring userId;
    std::wstring friendlyName;
    std::wstring workNumber;
    std::wstring homeNumber;
    std::wstring mobileNumber;
    std::wstring otherNumber;
    bool tagged = false;
    long presence = 1; // the host's presence value, 1 to 5
    std::wstring presenceText;
};

// Every host method, for failure injection and call counting.
enum class HostMethod {
    // IClassFactory::CreateInstance, by the interface asked for
    CreateIMAndPresence,
    CreateProviderManagement,
    CreateEventManager,
    CreatePhone,
    CreateLogger,
    // IIMAndPresence
    ResolveContactByEmail,
    GetContacts,
    GetContact,
    AddContact,
    TagContact,
    StartInstantMessage,
    StartGroupChat,
    GetPresenceForContact,
    GetContactByUserId,
    WatchContact,
    // IProviderManagement
    GetLoggedInUser,
    IsSignedIn,
    // IEventManager
    AddIMAndPresenceEventListener,
    RemoveIMAndPresenceEventListener,
    // IPhone
    MakeCall,
    MakeConferenceCall,
    // the logger
    WriteRecord,
    IsLevelEnabled,
    // IContact
    GetFriendlyName,
    GetSigninName,
    GetWorkNumber,
    GetHomeNumber,
    GetMobileNumber,
    GetOtherNumber,
    GetIsTagged,
    RequestPresenceState,
    StartWatching,
    BeginReadTransaction,
    // a contact's IConnectionPointContainer and its _IContactEvents connection point
    FindConnectionPoint,
    Advise,
    Unadvise,
    // IContacts
    GetCount,
    GetItem,
    // IPresenceState
    GetPresenceString,
    GetPresenceState,

    Count
};

// What an injected failure makes a method do instead of its work.
enum class InjectedAnswer {
    Failure,     // return the chosen HRESULT, write nothing
    Empty,       // return S_OK with a null object or string, or without doing anything
    WrongObject, // return S_OK with an object that answers only IUnknown and IDispatch
};

enum class ConversationKind { InstantMessage, GroupChat, Call, ConferenceCall };

// A chat or call the module asked the host to start.
struct ConversationStart {
    ConversationKind kind = ConversationKind::InstantMessage;
    std::vector<std::wstring> participants;
    bool participantWasNull = false; // the single participant of an instant message or call was a null BSTR
    long lowerBound = 0;             // of the participants array, for group chats and conference calls
    bool hasSubject = false;         // false when the subject was a null BSTR
    std::wstring subject;
};

// One record handed to the host logger.
struct LogRecord {
    long hostLevel = 0;
    std::wstring file;
    long line = 0;
    std::wstring function;
    std::wstring message;
    DWORD threadId = 0; // the thread that wrote the record
};

// The answer of a resolution request, as the module's listener received it.
struct ResolutionAnswer {
    std::wstring email;
    std::wstring imAddress;
};

// What a fake answers when it does not know the contact asked for.
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490); // HRESULT_FROM_WIN32(ERROR_NOT_FOUND)

} // namespace fakehost
