#include "officesim/LateBoundMessengerApi.h"

#include "officesim/LateBoundCall.h"
#include "officesim/VtableMessengerApi.h"

#include "common/ContractIds.h"

#include "TavoMessengerLib.h"

namespace officesim {

using extensionsutils::Variant;

namespace {

const WORD get = DISPATCH_PROPERTYGET;
const WORD method = DISPATCH_METHOD;

Variant number(long value)
{
    return Variant::fromInt32(value);
}

} // namespace

Answer<std::wstring> LateBoundMessengerApi::mySigninName(IUnknown* messenger)
{
    return stringFrom(callByName(messenger, contractid::IMessenger, L"MySigninName", get));
}

Answer<std::wstring> LateBoundMessengerApi::myFriendlyName(IUnknown* messenger)
{
    return stringFrom(callByName(messenger, contractid::IMessenger, L"MyFriendlyName", get));
}

Answer<long> LateBoundMessengerApi::myStatus(IUnknown* messenger)
{
    return longFrom(callByName(messenger, contractid::IMessenger, L"MyStatus", get));
}

Answer<std::wstring> LateBoundMessengerApi::myPhoneNumber(IUnknown* messenger, long phoneType)
{
    return stringFrom(callByName(messenger, contractid::IMessenger, L"MyPhoneNumber", get, {number(phoneType)}));
}

Answer<Object> LateBoundMessengerApi::myContacts(IUnknown* messenger)
{
    return objectFrom(callByName(messenger, contractid::IMessenger, L"MyContacts", get));
}

Answer<Object> LateBoundMessengerApi::getContact(IUnknown* messenger, const std::wstring& signinName)
{
    return objectFrom(callByName(messenger, contractid::IMessenger, L"GetContact", method,
                                 {Variant::fromString(signinName), Variant::fromString(L"")}));
}

Answer<Nothing> LateBoundMessengerApi::instantMessage(IUnknown* messenger, const Variant& contact)
{
    return nothingFrom(callByName(messenger, contractid::IMessenger, L"InstantMessage", method, {contact}));
}

Answer<Nothing> LateBoundMessengerApi::startConversation(IUnknown* messenger, long conversationType,
                                                         const std::vector<std::wstring>& participants,
                                                         const std::wstring& conversationData)
{
    const Variant missing = missingArgument();
    const Variant data = conversationData.empty() ? missing : Variant::fromString(conversationData);
    return nothingFrom(callByName(messenger, contractid::IMessengerAdvanced, L"StartConversation", method,
                                  {number(conversationType), participantVariant(participants), missing, missing,
                                   missing, data}));
}

Answer<Nothing> LateBoundMessengerApi::resolveContact(IUnknown* messenger, const std::wstring& address)
{
    return nothingFrom(callByName(messenger, contractid::IMessengerContactResolution, L"ResolveContact", method,
                                  {number(ADDRESS_TYPE_SMTP), number(CONTACT_RESOLUTION_ANY),
                                   Variant::fromString(address)}));
}

Answer<long> LateBoundMessengerApi::contactCount(IUnknown* contacts)
{
    return longFrom(callByName(contacts, contractid::IMessengerContacts, L"Count", get));
}

Answer<Object> LateBoundMessengerApi::contactAt(IUnknown* contacts, long index)
{
    return objectFrom(callByName(contacts, contractid::IMessengerContacts, L"Item", method, {number(index)}));
}

Answer<std::wstring> LateBoundMessengerApi::signinName(IUnknown* contact)
{
    return stringFrom(callByName(contact, contractid::IMessengerContact, L"SigninName", get));
}

Answer<std::wstring> LateBoundMessengerApi::friendlyName(IUnknown* contact)
{
    return stringFrom(callByName(contact, contractid::IMessengerContact, L"FriendlyName", get));
}

Answer<long> LateBoundMessengerApi::status(IUnknown* contact)
{
    return longFrom(callByName(contact, contractid::IMessengerContact, L"Status", get));
}

Answer<std::wstring> LateBoundMessengerApi::phoneNumber(IUnknown* contact, long phoneType)
{
    const LateBoundResult result = callByName(contact, contractid::IMessengerContact, L"PhoneNumber", get, {number(phoneType)});
    // A contact without a number of this type writes nothing: late-bound that may come back as VT_EMPTY.
    if (SUCCEEDED(result.hr) && result.value.isEmpty()) return answerOf(result.hr, std::wstring());
    return stringFrom(result);
}

Answer<Variant> LateBoundMessengerApi::presenceProperties(IUnknown* contact)
{
    return variantFrom(callByName(contact, contractid::IMessengerContactAdvanced, L"PresenceProperties", get));
}

} // namespace officesim
