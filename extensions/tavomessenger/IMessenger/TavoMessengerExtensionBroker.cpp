#include "IMessenger/TavoMessengerExtensionBroker.h"

#include "logging/Results.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/SafeArray.h"

#include <new>
#include <utility>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;

namespace {

// The host's presence values are 1 to 5; what the host means by each is its own business, only the
// mapping is fixed. Anything else is unknown.
MISTATUS statusOf(LONG presence)
{
    switch (presence) {
    case 1: return MISTATUS_ONLINE;
    case 2: return MISTATUS_AWAY;
    case 3: return MISTATUS_DO_NOT_DISTURB;
    case 4: return MISTATUS_AWAY;
    case 5: return MISTATUS_OFFLINE;
    default: return MISTATUS_UNKNOWN;
    }
}

// Availability of a presence that cannot be read at all.
const LONG unknownAvailability = 18000;
// Calendar state reported with a readable or unreadable host presence.
const LONG calendarStateOfPresence = 1;

// The array VARIANT of the 12 elements, all VT_EMPTY until `fill` sets some; empty when memory runs out.
template <class Fill>
Variant presencePropertiesArray(Fill fill)
{
    try {
        std::vector<Variant> elements(TavoMessengerExtensionBroker::presencePropertiesCount);
        if (!fill(elements)) return Variant();
        SafeArray array = SafeArray::ofVariants(elements);
        if (!array) return Variant();
        return Variant::fromSafeArray(array.detach());
    } catch (const std::bad_alloc&) {
        return Variant();
    }
}

// A VT_BSTR element; false when the string could not be allocated.
bool setString(Variant& element, const wchar_t* text)
{
    element = Variant::fromString(text);
    return element.type() == VT_BSTR;
}

} // namespace

const TavoMessengerExtensionBroker::PhoneNumberField
    TavoMessengerExtensionBroker::PhoneNumberFields[phoneNumberCount] = {
        {MPHONE_TYPE_WORK, &IContact::get_WorkNumber, "get_WorkNumber", "MPHONE_TYPE_WORK"},
        {MPHONE_TYPE_MOBILE, &IContact::get_MobileNumber, "get_MobileNumber", "MPHONE_TYPE_MOBILE"},
        {MPHONE_TYPE_HOME, &IContact::get_HomeNumber, "get_HomeNumber", "MPHONE_TYPE_HOME"},
        {MPHONE_TYPE_CUSTOM, &IContact::get_OtherNumber, "get_OtherNumber", "MPHONE_TYPE_CUSTOM"},
};

const TavoMessengerExtensionBroker::PhoneNumberField* TavoMessengerExtensionBroker::phoneNumberField(MPHONE_TYPE type)
{
    for (const PhoneNumberField& field : PhoneNumberFields)
        if (field.type == type) return &field;
    return nullptr;
}

TavoMessengerExtensionBroker::PresenceRead TavoMessengerExtensionBroker::readStatus(IIMAndPresence* source, BSTR signinName,
                                                                                    MISTATUS& status)
{
    ComPtr<IDispatch> presence;
    if (FAILED(source->GetPresenceForContact(signinName, presence.out()))) return PresenceRead::askFailed;
    if (!presence) return PresenceRead::noPresence;
    ComPtr<IPresenceState> presenceState;
    if (FAILED(presence.queryInterface(presenceState.out()))) return PresenceRead::notPresenceState;
    if (!presenceState) return PresenceRead::noPresenceState;
    status = ConvertPresenceStateToMIStatus(presenceState.get());
    return PresenceRead::read;
}

MISTATUS TavoMessengerExtensionBroker::ConvertPresenceStateToMIStatus(IPresenceState* presenceState)
{
    LONG presence = 0;
    if (!presenceState || FAILED(presenceState->get_PresenceState(&presence))) return TAVO_FAIL(4, "get_Presence failed", MISTATUS_UNKNOWN);
    return statusOf(presence);
}

LONG TavoMessengerExtensionBroker::ConvertPresenceStateToAvailability(LONG presence)
{
    switch (presence) {
    case 1: return 3000;
    case 2: return 15000;
    case 3: return 9000;
    case 4: return 15000;
    default: return 0;
    }
}

Variant TavoMessengerExtensionBroker::GetPresenceState(IDispatch* presenceStateDispatch)
{
    if (!presenceStateDispatch) return TAVO_FAIL(4, "extensionProviderPresenceStateDispatch is NULL", GetUnknownPresenceState());
    const ComPtr<IPresenceState> presenceState = ComPtr<IDispatch>(presenceStateDispatch).as<IPresenceState>();
    if (!presenceState) return TAVO_FAIL(4, "Unable to QueryInterface for IPresenceState from IDispatch", GetUnknownPresenceState());
    LONG presence = 0;
    if (FAILED(presenceState->get_PresenceState(&presence))) return TAVO_FAIL(4, "get_PresenceState failed", GetUnknownPresenceState());
    Bstr text;
    if (FAILED(presenceState->get_PresenceString(text.out()))) return TAVO_FAIL(4, "get_PresenceString failed", GetUnknownPresenceState());
    return presencePropertiesArray([&](std::vector<Variant>& elements) {
        elements[PRESENCE_PROP_MSTATE] = Variant::fromInt32(statusOf(presence));
        elements[PRESENCE_PROP_AVAILABILITY] = Variant::fromInt32(ConvertPresenceStateToAvailability(presence));
        elements[PRESENCE_PROP_CUSTOM_STATUS_STRING] = Variant::fromBstr(std::move(text)); // as the host gave it
        elements[PRESENCE_PROP_CURRENT_CALENDAR_STATE] = Variant::fromInt32(calendarStateOfPresence);
        return true;
    });
}

Variant TavoMessengerExtensionBroker::GetPhoneModePresenceState()
{
    return presencePropertiesArray([](std::vector<Variant>& elements) {
        elements[PRESENCE_PROP_MSTATE] = Variant::fromInt32(MISTATUS_ONLINE);
        elements[PRESENCE_PROP_AVAILABILITY] = Variant::fromInt32(0);
        return setString(elements[PRESENCE_PROP_CUSTOM_STATUS_STRING], L"Phone mode") &&
               setString(elements[PRESENCE_PROP_CURRENT_CALENDAR_STATE], L"");
    });
}

Variant TavoMessengerExtensionBroker::GetUnknownPresenceState()
{
    return presencePropertiesArray([](std::vector<Variant>& elements) {
        elements[PRESENCE_PROP_MSTATE] = Variant::fromInt32(MISTATUS_UNKNOWN);
        elements[PRESENCE_PROP_AVAILABILITY] = Variant::fromInt32(unknownAvailability);
        elements[PRESENCE_PROP_CURRENT_CALENDAR_STATE] = Variant::fromInt32(calendarStateOfPresence);
        return setString(elements[PRESENCE_PROP_PRESENCE_NOTE], L"") &&
               setString(elements[PRESENCE_PROP_CUSTOM_STATUS_STRING], L"");
    });
}

MICComPtr<TavoMessengerContact> TavoMessengerExtensionBroker::CreateMessengerContact(
    IDispatch* hostContact, const std::shared_ptr<Configuration>& configuration, const std::shared_ptr<HostObjectHolds>& holds)
{
    if (!hostContact) return nullptr;
    const ComPtr<IContact> contact = ComPtr<IDispatch>(hostContact).as<IContact>();
    if (!contact) return TAVO_FAIL(4, "Unable to QueryInterface IDispatch for IContact", nullptr);
    Bstr friendlyName;
    if (FAILED(contact->get_FriendlyName(friendlyName.out())))
        return TAVO_FAIL(4, "extensionProviderContact->get_FriendlyName failed", nullptr);
    Bstr signinName;
    if (FAILED(contact->get_SigninName(signinName.out()))) return TAVO_FAIL(4, "extensionProviderContact->get_SigninName failed", nullptr);
    Bstr numbers[phoneNumberCount];
    for (std::size_t i = 0; i < phoneNumberCount; ++i) {
        const PhoneNumberField& field = PhoneNumberFields[i];
        if (FAILED((contact.get()->*field.read)(numbers[i].out())))
            return TAVO_FAIL(4, "extensionProviderContact->" << field.readName << " failed", nullptr);
    }
    MICComPtr<TavoMessengerContact> messengerContact = extensionsutils::ComObject<TavoMessengerContact>::create();
    if (!messengerContact) return TAVO_FAIL(4, "Unable to create Messenger Contact instance", nullptr);
    messengerContact->initialise(friendlyName, signinName, configuration, holds);
    for (std::size_t i = 0; i < phoneNumberCount; ++i)
        messengerContact->SetPhoneNumber(PhoneNumberFields[i].type, numbers[i].get());
    messengerContact->put_Blocked(VARIANT_FALSE);
    messengerContact->put_IsTagged(VARIANT_FALSE);
    messengerContact->SetIsSelf(VARIANT_FALSE);
    return messengerContact;
}
