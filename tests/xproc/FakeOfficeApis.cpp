#include "FakeOfficeApis.h"

#include "officesim/Names.h"

#include "extensionsutils/SafeArray.h"

namespace officesimtest {

using extensionsutils::ComPtr;
using extensionsutils::SafeArray;
using officesim::answerOf;

std::vector<Variant> availablePresenceProperties()
{
    std::vector<Variant> elements(12);
    elements[0] = Variant::fromInt32(2);
    elements[1] = Variant::fromInt32(3000);
    elements[6] = Variant::fromString(L"Available");
    elements[8] = Variant::fromInt32(1);
    return elements;
}

Variant arrayOf(const std::vector<Variant>& elements)
{
    return Variant::fromSafeArray(SafeArray::ofVariants(elements).detach());
}

// ---------------------------------------------------------------------------------------------------------

FakeMessengerApi::FakeMessengerApi()
    : signin(answerOf(S_OK, std::wstring(L"me@example"))),
      myStatusAnswer(answerOf(S_OK, 2L)),
      contactStatus(answerOf(S_OK, 34L)),
      presence(answerOf(S_OK, arrayOf(availablePresenceProperties()))),
      contactList(FakeEventSource::create().get())
{
}

Answer<Object> FakeMessengerApi::getContact(IUnknown*, const std::wstring& name)
{
    if (name.empty()) return answerOf(E_FAIL, Object());
    // contacts[i] stands for contactNames[i]: the list's own contacts first.
    while (contacts.size() < contactNames.size()) contacts.push_back(FakeEventSource::create());
    ComPtr<FakeEventSource> contact = FakeEventSource::create();
    contacts.push_back(contact);
    contactNames.push_back(name);
    return answerOf(S_OK, Object(contact.get()));
}

Answer<Nothing> FakeMessengerApi::instantMessage(IUnknown*, const Variant&)
{
    conversations.push_back(L"chat");
    return answerOf(S_OK, Nothing());
}

Answer<Nothing> FakeMessengerApi::startConversation(IUnknown*, long type, const std::vector<std::wstring>&,
                                                    const std::wstring&)
{
    if (type == 4) return answerOf(liveMeetingResult, Nothing());
    conversations.push_back(L"call");
    return answerOf(S_OK, Nothing());
}

Answer<Nothing> FakeMessengerApi::resolveContact(IUnknown*, const std::wstring& address)
{
    if (onResolve) onResolve(address);
    return answerOf(resolveResult, Nothing());
}

Answer<Object> FakeMessengerApi::contactAt(IUnknown*, long index)
{
    if (index < 0 || index >= static_cast<long>(contactNames.size())) return answerOf(S_OK, Object());
    while (contacts.size() <= static_cast<std::size_t>(index)) contacts.push_back(FakeEventSource::create());
    return answerOf(S_OK, Object(contacts[static_cast<std::size_t>(index)].get()));
}

Answer<std::wstring> FakeMessengerApi::signinName(IUnknown* contact)
{
    for (std::size_t i = 0; i < contacts.size() && i < contactNames.size(); ++i) {
        if (extensionsutils::sameComObject(contacts[i]->identity(), contact)) return answerOf(S_OK, contactNames[i]);
    }
    return answerOf(S_OK, std::wstring(L"unknown@example"));
}

// ---------------------------------------------------------------------------------------------------------

FakeUcApi::FakeUcApi() : state(answerOf(S_OK, 3L)) {}

Answer<std::wstring> FakeUcApi::authenticationInfo(IUnknown*, const std::wstring&)
{
    return answerOf(S_OK, std::wstring(L"<authenticationinfo>"));
}

Answer<Object> FakeUcApi::getInterface(IUnknown*, const std::wstring&, long which)
{
    if (which == 1) return answerOf(S_OK, Object(client.get()));
    if (which == 2) return answerOf(S_OK, Object(automation.get()));
    return answerOf(E_NOTIMPL, Object());
}

Answer<Object> FakeUcApi::selfContact(IUnknown*)
{
    return getContactByUri(nullptr, L"me@example");
}

Answer<Object> FakeUcApi::getContactByUri(IUnknown*, const std::wstring& uri)
{
    ComPtr<FakeEventSource> contact = FakeEventSource::create();
    contacts.push_back({contact, officesim::withoutSipScheme(uri)}); // as the provider finds a SIP URI
    return answerOf(S_OK, Object(contact.get()));
}

Answer<Object> FakeUcApi::lookup(IUnknown*, const std::wstring& text, IUnknown* callback)
{
    if (answerLookups && callback) {
        ComPtr<IDispatch> sink;
        callback->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(sink.out()));
        const Object found = getContactByUri(nullptr, text).value;
        const Variant managerArgument = Variant::fromDispatch(manager.get());
        const Variant contactArgument = Variant::fromDispatch(found.get());
        const Variant operationArgument = Variant::fromDispatch(operation.get());
        // OnLookup(manager, contact, operation), last argument first.
        VARIANT reversed[3] = {*operationArgument.get(), *contactArgument.get(), *managerArgument.get()};
        DISPPARAMS parameters = {reversed, nullptr, 3, 0};
        sink->Invoke(0xfb, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
    }
    return answerOf(S_OK, Object(operation.get()));
}

Answer<std::wstring> FakeUcApi::contactUri(IUnknown* contact)
{
    for (const auto& known : contacts) {
        if (extensionsutils::sameComObject(known.first->identity(), contact)) return answerOf(S_OK, uriScheme + known.second);
    }
    return answerOf(S_OK, uriScheme + L"unknown@example");
}

Answer<Variant> FakeUcApi::contactInformation(IUnknown* contact, long type)
{
    switch (type) {
    case 0: return answerOf(S_OK, Variant::fromInt32(3500));
    case 7: return answerOf(S_OK, Variant::fromString(L"Available"));
    case 8: return answerOf(S_OK, Variant::fromSafeArray(SafeArray::ofDispatchPointers({localeString.get()}).detach()));
    case 10: return answerOf(S_OK, Variant::fromString(L"Someone"));
    case 27: return answerOf(S_OK, Variant::fromSafeArray(SafeArray::ofDispatchPointers({endpoint.get()}).detach()));
    case 50: {
        const std::wstring uri = contactUri(contact).value;
        return answerOf(S_OK, Variant::fromSafeArray(SafeArray::ofStrings({officesim::withoutSipScheme(uri)}).detach()));
    }
    default: return answerOf(E_NOTIMPL, Variant());
    }
}

Answer<Object> FakeUcApi::batchContactInformation(IUnknown*, const std::vector<long>&)
{
    return answerOf(S_OK, Object(dictionary.get()));
}

Answer<officesim::StateChange> FakeUcApi::stateChange(IUnknown*)
{
    return answerOf(S_OK, officesim::StateChange{3, 1});
}

Answer<Nothing> FakeUcApi::startConversation(IUnknown*, long modes, const std::vector<std::wstring>&)
{
    conversations.push_back(modes == 1 ? L"chat" : L"call");
    return answerOf(S_OK, Nothing());
}

} // namespace officesimtest
