#include "IMessenger/MessengerConversationStarter.h"

#include "ExtensionProvider/ExtensionProviderClient.h"
#include "ExtensionProvider/HostClassObject.h"
#include "IMessenger/MessengerResults.h"
#include "IMessenger/SignInGuard.h"
#include "utils/RegistryUtils.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComPtr.h"

#include "TavoMessengerLib.h"

#include <string>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;

namespace {

const char* const notAParticipantsArray = "vParticipant is NOT and array of type VT_ARRAY";
const char* const malformedParticipants = "participants are not a one-dimensional array of VARIANT";
const char* const conversationFailed = "failed to start conversation";

const VARTYPE participantsType = VT_ARRAY | VT_VARIANT;
// The first Outlook whose contact card passes the number to dial in the conversation data.
const unsigned outlookDialingByNumber = 15;

// The participants array of a VT_ARRAY | VT_VARIANT value with its bounds, once it is known to be one
// dimension of VARIANTs. E_POINTER when the value holds no array, E_INVALIDARG for another shape.
HRESULT participantsArray(const Variant& participants, SAFEARRAY*& array, LONG& lower, LONG& upper)
{
    array = participants.get()->parray;
    if (!array) return E_POINTER;
    return extensionsutils::vectorBounds(array, VT_VARIANT, lower, upper);
}

IUnknown* objectOf(const Variant& value)
{
    if (value.type() == VT_DISPATCH) return value.get()->pdispVal;
    if (value.type() == VT_UNKNOWN) return value.get()->punkVal;
    return nullptr;
}

} // namespace

MessengerConversationStarter::MessengerConversationStarter(const logging::CallSite& caller, bool phoneMode)
    : caller(caller), phoneMode(phoneMode)
{
}

// Phone mode does not matter here: Office asked for a chat with this one person.
HRESULT MessengerConversationStarter::startInstantMessage(const Variant& contact) const
{
    if (!messengerapi::signedIn(caller, 1, "client is not logged in, returning")) return MSGR_E_NOT_LOGGED_ON;
    IUnknown* object = objectOf(contact);
    if (contact.type() != VT_BSTR && !object) {
        TAVO_LOG_AT(caller, 3, "contact is neither a sign-in name nor a contact object");
        return E_INVALIDARG;
    }
    ComPtr<IIMAndPresence> imAndPresence = hostaccess::GetIMAndPresence();
    if (!imAndPresence) {
        TAVO_LOG_AT(caller, 4, "CoCreateInstance CLSID_IMAndPresence failed");
        return E_FAIL;
    }
    Bstr signinName;
    if (contact.type() == VT_BSTR) {
        signinName = Bstr(contact.get()->bstrVal, SysStringLen(contact.get()->bstrVal));
    } else if (FAILED(signinNameOf(object, signinName))) {
        return E_FAIL;
    }
    if (FAILED(imAndPresence->StartInstantMessage(signinName.get()))) {
        TAVO_LOG_AT(caller, 4, "StartInstantMessage failed");
        return E_FAIL;
    }
    return S_OK;
}

HRESULT MessengerConversationStarter::signinNameOf(IUnknown* contact, Bstr& signinName) const
{
    ComPtr<IMessengerContact> messengerContact = ComPtr<IUnknown>(contact).as<IMessengerContact>();
    if (!messengerContact) {
        TAVO_LOG_AT(caller, 4, "Unable to QueryInterface IDispatch for IMessengerContact");
        return E_FAIL;
    }
    if (FAILED(messengerContact->get_SigninName(signinName.out()))) {
        TAVO_LOG_AT(caller, 4, "Unable to get SigninName from contact");
        return E_FAIL;
    }
    return S_OK;
}

HRESULT MessengerConversationStarter::startChat(const Variant& participants, const Variant& subject) const
{
    if (phoneMode) return S_OK;
    if (participants.type() != participantsType) {
        TAVO_LOG_AT(caller, 4, notAParticipantsArray);
        return E_FAIL;
    }
    SAFEARRAY* array = nullptr;
    LONG lower = 0;
    LONG upper = -1;
    const HRESULT shape = participantsArray(participants, array, lower, upper);
    if (shape == E_INVALIDARG) {
        TAVO_LOG_AT(caller, 3, malformedParticipants);
        return E_INVALIDARG;
    }
    if (FAILED(shape) || upper < lower) {
        TAVO_LOG_AT(caller, 4, "Participants array is empty");
        return E_FAIL;
    }
    const BSTR subjectText = subject.type() == VT_BSTR ? subject.get()->bstrVal : nullptr;
    const SafeArray list = removeVariantWrapping(array);
    if (!list || FAILED(ExtensionProviderClient::startChat(list.get(), subjectText))) {
        TAVO_LOG_AT(caller, 4, conversationFailed);
        return E_FAIL;
    }
    return S_OK;
}

// A number in the conversation data is dialled as it is when at most two participants are named; an
// empty first participant means the contact card offers only a number, which Outlook 2013 and later
// pass in the conversation data.
HRESULT MessengerConversationStarter::startCall(const Variant& participants, const Variant& conversationData) const
{
    if (participants.type() != participantsType) {
        TAVO_LOG_AT(caller, 4, notAParticipantsArray);
        return E_FAIL;
    }
    ComPtr<IPhone> phone = hostaccess::GetPhone();
    if (!phone) {
        TAVO_LOG_AT(caller, 4, "phone is NULL");
        return E_FAIL;
    }
    SAFEARRAY* array = nullptr;
    LONG lower = 0;
    LONG upper = -1;
    const HRESULT shape = participantsArray(participants, array, lower, upper);
    if (shape == E_POINTER) {
        TAVO_LOG_AT(caller, 4, "No participants, unable to start call");
        return E_FAIL;
    }
    if (FAILED(shape)) {
        TAVO_LOG_AT(caller, 3, malformedParticipants);
        return E_INVALIDARG;
    }
    if (upper < lower) {
        TAVO_LOG_AT(caller, 4, "ParticipantsArray is empty");
        return E_FAIL;
    }
    // The first element is the one at the lower bound, whatever that bound is.
    Variant first;
    if (FAILED(SafeArrayGetElement(array, &lower, first.out()))) {
        TAVO_LOG_AT(caller, 4, conversationFailed);
        return E_FAIL;
    }

    const bool numberGiven = conversationData.type() == VT_BSTR;
    const BSTR number = numberGiven ? conversationData.get()->bstrVal : nullptr;
    HRESULT hr = S_OK;
    if (!first.isEmpty()) {
        const LONGLONG count = static_cast<LONGLONG>(upper) - lower + 1;
        if (numberGiven && count <= 2) {
            hr = phone->MakeCall(number);
        } else {
            const SafeArray list = removeVariantWrapping(array);
            hr = list ? ExtensionProviderClient::startCall(list.get()) : E_OUTOFMEMORY;
        }
    } else if (RegistryUtils::officeVersionFromCurVer() < outlookDialingByNumber) {
        TAVO_LOG_AT(caller, 4, "contacts array is empty cannot start a call!");
        return E_FAIL;
    } else {
        hr = numberGiven ? phone->MakeCall(number) : E_FAIL;
    }
    if (FAILED(hr)) {
        TAVO_LOG_AT(caller, 4, conversationFailed);
        return E_FAIL;
    }
    return S_OK;
}

SafeArray MessengerConversationStarter::removeVariantWrapping(SAFEARRAY* participants) const
{
    std::vector<Variant> elements;
    if (FAILED(extensionsutils::readVariants(participants, elements))) return SafeArray();
    std::vector<std::wstring> names;
    for (const Variant& element : elements) {
        if (element.type() != VT_BSTR) {
            TAVO_LOG_AT(caller, 4, "Array member variant is not BSTR");
            continue;
        }
        const BSTR name = element.get()->bstrVal;
        names.emplace_back(name ? name : L"", SysStringLen(name));
    }
    return SafeArray::ofStrings(names);
}
