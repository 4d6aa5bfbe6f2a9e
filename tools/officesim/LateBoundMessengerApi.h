#pragma once

// The Messenger API called late-bound: GetIDsOfNames + Invoke on the IDispatch part of the interface each
// member belongs to, as Office's scripts and late-bound code do.

#include "officesim/MessengerApi.h"

namespace officesim {

class LateBoundMessengerApi final : public MessengerApi {
public:
    std::wstring bindingName() const override { return L"late-bound"; }
    bool lateBound() const override { return true; }

    Answer<std::wstring> mySigninName(IUnknown* messenger) override;
    Answer<std::wstring> myFriendlyName(IUnknown* messenger) override;
    Answer<long> myStatus(IUnknown* messenger) override;
    Answer<std::wstring> myPhoneNumber(IUnknown* messenger, long phoneType) override;
    Answer<Object> myContacts(IUnknown* messenger) override;
    Answer<Object> getContact(IUnknown* messenger, const std::wstring& signinName) override;
    Answer<Nothing> instantMessage(IUnknown* messenger, const extensionsutils::Variant& contact) override;
    Answer<Nothing> startConversation(IUnknown* messenger, long conversationType,
                                      const std::vector<std::wstring>& participants,
                                      const std::wstring& conversationData) override;
    Answer<Nothing> resolveContact(IUnknown* messenger, const std::wstring& address) override;
    Answer<long> contactCount(IUnknown* contacts) override;
    Answer<Object> contactAt(IUnknown* contacts, long index) override;
    Answer<std::wstring> signinName(IUnknown* contact) override;
    Answer<std::wstring> friendlyName(IUnknown* contact) override;
    Answer<long> status(IUnknown* contact) override;
    Answer<std::wstring> phoneNumber(IUnknown* contact, long phoneType) override;
    Answer<extensionsutils::Variant> presenceProperties(IUnknown* contact) override;
};

} // namespace officesim
