#pragma once

// The Messenger API as Office 2007/2010 calls it: one member per call Office makes, whichever way it makes
// it. VtableMessengerApi calls the typed interfaces; LateBoundMessengerApi asks the same interface for its
// IDispatch part and calls GetIDsOfNames + Invoke. Objects are passed as any interface of the object; each
// call asks it for the interface the member belongs to.
//
// Used on officesim's main thread only.

#include "officesim/Answer.h"

#include <string>
#include <vector>

namespace officesim {

// MPHONE_TYPE values Office asks for.
enum PhoneType : long { PhoneHome = 0, PhoneWork = 1, PhoneMobile = 2, PhoneCustom = 3 };

class MessengerApi {
public:
    virtual ~MessengerApi() = default;

    // "vtable" or "late-bound".
    virtual std::wstring bindingName() const = 0;
    virtual bool lateBound() const = 0;

    // IMessenger
    virtual Answer<std::wstring> mySigninName(IUnknown* messenger) = 0;
    virtual Answer<std::wstring> myFriendlyName(IUnknown* messenger) = 0;
    virtual Answer<long> myStatus(IUnknown* messenger) = 0;
    virtual Answer<std::wstring> myPhoneNumber(IUnknown* messenger, long phoneType) = 0;
    virtual Answer<Object> myContacts(IUnknown* messenger) = 0;
    virtual Answer<Object> getContact(IUnknown* messenger, const std::wstring& signinName) = 0;
    virtual Answer<Nothing> instantMessage(IUnknown* messenger, const extensionsutils::Variant& contact) = 0;
    // IMessengerAdvanced: participants go as a VARIANT array of BSTR; an empty conversationData is left out.
    virtual Answer<Nothing> startConversation(IUnknown* messenger, long conversationType,
                                              const std::vector<std::wstring>& participants,
                                              const std::wstring& conversationData) = 0;
    // IMessengerContactResolution: an SMTP address, any resolution.
    virtual Answer<Nothing> resolveContact(IUnknown* messenger, const std::wstring& address) = 0;

    // IMessengerContacts
    virtual Answer<long> contactCount(IUnknown* contacts) = 0;
    virtual Answer<Object> contactAt(IUnknown* contacts, long index) = 0;

    // IMessengerContact, IMessengerContactAdvanced
    virtual Answer<std::wstring> signinName(IUnknown* contact) = 0;
    virtual Answer<std::wstring> friendlyName(IUnknown* contact) = 0;
    virtual Answer<long> status(IUnknown* contact) = 0;
    virtual Answer<std::wstring> phoneNumber(IUnknown* contact, long phoneType) = 0;
    virtual Answer<extensionsutils::Variant> presenceProperties(IUnknown* contact) = 0;
};

} // namespace officesim
