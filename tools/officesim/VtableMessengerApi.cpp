#include "officesim/VtableMessengerApi.h"

#include "officesim/LateBoundCall.h"

#include "common/ContractIds.h"

#include "TavoMessengerLib.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/SafeArray.h"

namespace officesim {

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;

namespace {

Answer<std::wstring> stringAnswer(HRESULT hr, const Bstr& text)
{
    return answerOf(hr, text.str());
}

Answer<Object> objectAnswer(HRESULT hr, IDispatch* owned)
{
    Object object;
    object.attach(owned);
    return answerOf(hr, object);
}

} // namespace

Variant participantVariant(const std::vector<std::wstring>& participants)
{
    std::vector<Variant> elements;
    for (const std::wstring& participant : participants) elements.push_back(Variant::fromString(participant));
    return Variant::fromSafeArray(SafeArray::ofVariants(elements).detach());
}

Answer<std::wstring> VtableMessengerApi::mySigninName(IUnknown* messenger)
{
    return onInterface<IMessenger, std::wstring>(messenger, contractid::IMessenger, [](IMessenger* m) {
        Bstr name;
        const HRESULT hr = m->get_MySigninName(name.out());
        return stringAnswer(hr, name);
    });
}

Answer<std::wstring> VtableMessengerApi::myFriendlyName(IUnknown* messenger)
{
    return onInterface<IMessenger, std::wstring>(messenger, contractid::IMessenger, [](IMessenger* m) {
        Bstr name;
        const HRESULT hr = m->get_MyFriendlyName(name.out());
        return stringAnswer(hr, name);
    });
}

Answer<long> VtableMessengerApi::myStatus(IUnknown* messenger)
{
    return onInterface<IMessenger, long>(messenger, contractid::IMessenger, [](IMessenger* m) {
        MISTATUS status = static_cast<MISTATUS>(-1);
        const HRESULT hr = m->get_MyStatus(&status);
        return answerOf(hr, static_cast<long>(status));
    });
}

Answer<std::wstring> VtableMessengerApi::myPhoneNumber(IUnknown* messenger, long phoneType)
{
    return onInterface<IMessenger, std::wstring>(messenger, contractid::IMessenger, [&](IMessenger* m) {
        Bstr number;
        const HRESULT hr = m->get_MyPhoneNumber(static_cast<MPHONE_TYPE>(phoneType), number.out());
        return stringAnswer(hr, number);
    });
}

Answer<Object> VtableMessengerApi::myContacts(IUnknown* messenger)
{
    return onInterface<IMessenger, Object>(messenger, contractid::IMessenger, [](IMessenger* m) {
        IDispatch* contacts = nullptr;
        const HRESULT hr = m->get_MyContacts(&contacts);
        return objectAnswer(hr, contacts);
    });
}

Answer<Object> VtableMessengerApi::getContact(IUnknown* messenger, const std::wstring& signinName)
{
    return onInterface<IMessenger, Object>(messenger, contractid::IMessenger, [&](IMessenger* m) {
        Bstr name(signinName);
        Bstr serviceId(L"");
        IDispatch* contact = nullptr;
        const HRESULT hr = m->GetContact(name.get(), serviceId.get(), &contact);
        return objectAnswer(hr, contact);
    });
}

Answer<Nothing> VtableMessengerApi::instantMessage(IUnknown* messenger, const Variant& contact)
{
    return onInterface<IMessenger, Nothing>(messenger, contractid::IMessenger, [&](IMessenger* m) {
        IDispatch* window = nullptr;
        const HRESULT hr = m->InstantMessage(*contact.get(), &window);
        if (window) window->Release();
        return answerOf(hr, Nothing());
    });
}

Answer<Nothing> VtableMessengerApi::startConversation(IUnknown* messenger, long conversationType,
                                                      const std::vector<std::wstring>& participants,
                                                      const std::wstring& conversationData)
{
    return onInterface<IMessengerAdvanced, Nothing>(messenger, contractid::IMessengerAdvanced, [&](IMessengerAdvanced* m) {
        const Variant people = participantVariant(participants);
        const Variant missing = missingArgument();
        const Variant data = conversationData.empty() ? missing : Variant::fromString(conversationData);
        Variant window;
        const HRESULT hr = m->StartConversation(static_cast<CONVERSATION_TYPE>(conversationType), *people.get(),
                                                *missing.get(), *missing.get(), *missing.get(), *data.get(),
                                                window.out());
        return answerOf(hr, Nothing());
    });
}

Answer<Nothing> VtableMessengerApi::resolveContact(IUnknown* messenger, const std::wstring& address)
{
    return onInterface<IMessengerContactResolution, Nothing>(
        messenger, contractid::IMessengerContactResolution, [&](IMessengerContactResolution* m) {
            Bstr text(address);
            Bstr imAddress;
            const HRESULT hr = m->ResolveContact(ADDRESS_TYPE_SMTP, CONTACT_RESOLUTION_ANY, text.get(), imAddress.out());
            return answerOf(hr, Nothing());
        });
}

Answer<long> VtableMessengerApi::contactCount(IUnknown* contacts)
{
    return onInterface<IMessengerContacts, long>(contacts, contractid::IMessengerContacts, [](IMessengerContacts* c) {
        LONG count = -1;
        const HRESULT hr = c->get_Count(&count);
        return answerOf(hr, static_cast<long>(count));
    });
}

Answer<Object> VtableMessengerApi::contactAt(IUnknown* contacts, long index)
{
    return onInterface<IMessengerContacts, Object>(contacts, contractid::IMessengerContacts, [&](IMessengerContacts* c) {
        IDispatch* contact = nullptr;
        const HRESULT hr = c->Item(index, &contact);
        return objectAnswer(hr, contact);
    });
}

Answer<std::wstring> VtableMessengerApi::signinName(IUnknown* contact)
{
    return onInterface<IMessengerContact, std::wstring>(contact, contractid::IMessengerContact, [](IMessengerContact* c) {
        Bstr name;
        const HRESULT hr = c->get_SigninName(name.out());
        return stringAnswer(hr, name);
    });
}

Answer<std::wstring> VtableMessengerApi::friendlyName(IUnknown* contact)
{
    return onInterface<IMessengerContact, std::wstring>(contact, contractid::IMessengerContact, [](IMessengerContact* c) {
        Bstr name;
        const HRESULT hr = c->get_FriendlyName(name.out());
        return stringAnswer(hr, name);
    });
}

Answer<long> VtableMessengerApi::status(IUnknown* contact)
{
    return onInterface<IMessengerContact, long>(contact, contractid::IMessengerContact, [](IMessengerContact* c) {
        MISTATUS status = static_cast<MISTATUS>(-1);
        const HRESULT hr = c->get_Status(&status);
        return answerOf(hr, static_cast<long>(status));
    });
}

Answer<std::wstring> VtableMessengerApi::phoneNumber(IUnknown* contact, long phoneType)
{
    return onInterface<IMessengerContact, std::wstring>(contact, contractid::IMessengerContact, [&](IMessengerContact* c) {
        Bstr number;
        const HRESULT hr = c->get_PhoneNumber(static_cast<MPHONE_TYPE>(phoneType), number.out());
        return stringAnswer(hr, number);
    });
}

Answer<Variant> VtableMessengerApi::presenceProperties(IUnknown* contact)
{
    return onInterface<IMessengerContactAdvanced, Variant>(
        contact, contractid::IMessengerContactAdvanced, [](IMessengerContactAdvanced* c) {
            Variant properties;
            const HRESULT hr = c->get_PresenceProperties(properties.out());
            return answerOf(hr, properties);
        });
}

} // namespace officesim
