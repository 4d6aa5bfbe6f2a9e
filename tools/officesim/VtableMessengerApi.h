#pragma once

// The Messenger API called through the typed interfaces' virtual tables, as Office's compiled code does.

#include "officesim/MessengerApi.h"

namespace officesim {

class VtableMessengerApi final : public MessengerApi {
public:
    std::wstring bindingName() const override { return L"vtable"; }
    bool lateBound() const override { return false; }

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

// The participants as Office passes them to StartConversation: VT_ARRAY | VT_VARIANT of BSTRs.
extensionsutils::Variant participantVariant(const std::vector<std::wstring>& participants);

} // namespace officesim
