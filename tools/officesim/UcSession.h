#pragma once

// Office 2013/2016's session with its IM provider, through the UC integration API: features and
// authentication, the client and automation objects, the client's state and user, the self contact, each
// person's contact with availability, activity, name, addresses and numbers (single and batched), a
// subscription, Lookup answered by OnLookup, and a chat and a call through the automation object. Every
// answer is checked against the contract. The client's and each contact's events are advised here (once
// per object); _IUCOfficeIntegrationEvents by the caller.
//
// Main thread only.

#include "officesim/Checker.h"
#include "officesim/EventMonitor.h"
#include "officesim/SessionSettings.h"
#include "officesim/UcApi.h"

#include <string>
#include <vector>

namespace officesim {

struct UcSessionResult {
    Object client;
    Object automation;
    Object manager;
    Object selfContact;
    std::vector<Object> contacts; // one per person, advised for _IUCCContactEvents
};

class UcSession {
public:
    UcSession(UcApi& api, Checker& check, EventMonitor& events, const SessionSettings& settings);

    // `people`: the sign-in names to look at (the first is the one to chat with and call).
    UcSessionResult run(IUnknown* messenger, const std::vector<std::wstring>& people);

private:
    bool readEntry(IUnknown* messenger, UcSessionResult& result);
    void readClient(UcSessionResult& result);
    Object readContact(IUnknown* manager, const std::wstring& uri);
    void readPerson(IUnknown* contact, const std::wstring& where, PersonRow& row);
    void readEndpoints(const extensionsutils::Variant& endpoints, const std::wstring& where, PersonRow& row);
    void checkBatch(IUnknown* contact, const std::wstring& where);
    void subscribe(IUnknown* manager, const std::vector<Object>& contacts);
    void lookup(IUnknown* manager, const std::wstring& text);
    void startConversations(IUnknown* automation, const std::wstring& uri);

    UcApi& api_;
    Checker& check_;
    EventMonitor& events_;
    const SessionSettings& settings_;
};

// The version Office 2013 gives when it asks the provider.
extern const wchar_t* const OfficeVersion;

} // namespace officesim
