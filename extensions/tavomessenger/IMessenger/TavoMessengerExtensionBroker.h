#pragma once

// Turns the host client's view of a person (IContact, IPresenceState) into the Messenger API's view: a
// TavoMessengerContact, an MISTATUS, or the presence properties array of IMessengerContactAdvanced.
// Every Messenger API status comes from the one mapping here, so Office sees one status for a person
// whichever way it asks.
//
// Threads: any thread (Office's COM threads, the worker thread, the host's event threads). Stateless: no
// lock, nothing kept between calls; host interfaces are called on the caller's thread.

#include "Configuration.h"
#include "ExtensionProvider/ExtensionProviderClient.h"
#include "IMessenger/TavoMessengerContact.h"

#include "HostExtensionApi.h"
#include "TavoMessengerLib.h"
#include "extensionsutils/Bstr.h"
#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/Variant.h"

#include <windows.h>

#include <cstddef>
#include <memory>

class TavoMessengerExtensionBroker
{
public:
    // The one service the module offers, as the Messenger API names it.
    static constexpr const wchar_t* ServiceName = L"Norvane Quillon";
    static constexpr const wchar_t* ServiceId = L"{83D4679F-B6D7-11D2-BF36-00C04FB90A03}";

    // The number of elements of every presence properties array (PRESENCE_PROP_MSTATE ... PRESENCE_PROP_MAX).
    static constexpr LONG presencePropertiesCount = PRESENCE_PROP_MAX + 1;

    // A phone number that the host keeps for a person, and the Messenger API type it has.
    struct PhoneNumberField {
        MPHONE_TYPE type;
        HRESULT(STDMETHODCALLTYPE IContact::*read)(BSTR*);
        const char* readName; // "get_WorkNumber", for log lines
        const char* typeName; // "MPHONE_TYPE_WORK", for log lines
    };
    static constexpr std::size_t phoneNumberCount = 4;
    // In the order in which the host's numbers are read: work, mobile, home, other.
    static const PhoneNumberField PhoneNumberFields[phoneNumberCount];

    // Where reading a person's presence from the host stopped: the host's answer failed, it answered no
    // presence, the presence is no IPresenceState, or its query answered none.
    enum class PresenceRead { read, askFailed, noPresence, notPresenceState, noPresenceState };

    TavoMessengerExtensionBroker() = delete;

    // The field of a phone type; null for MPHONE_TYPE_ALL and for unknown types.
    static const PhoneNumberField* phoneNumberField(MPHONE_TYPE type);

    // The MISTATUS of the host's presence for a sign-in name. On failure the status is left as it was, for
    // the caller to answer and log in its own words.
    static PresenceRead readStatus(IIMAndPresence* source, BSTR signinName, MISTATUS& status);
    // S_OK with the status written: how a status the host cannot tell is answered.
    static HRESULT answerStatus(MISTATUS* status, MISTATUS value)
    {
        *status = value;
        return S_OK;
    }

    // Asks the host to watch the person whose sign-in name the contact (the host's IContact or an
    // IMessengerContact) gives; the log text of the failure otherwise, for the caller to log.
    template <class Contact>
    static const char* startWatching(Contact* contact)
    {
        extensionsutils::Bstr jid;
        if (FAILED(contact->get_SigninName(jid.out()))) return "Unable to get Jid from contact so cannot start watching";
        if (FAILED(ExtensionProviderClient::startWatchingContact(jid.get()))) return "Start watching failed";
        return nullptr;
    }

    // The host presence value mapped to an MISTATUS; MISTATUS_UNKNOWN when it cannot be read or is
    // not one of 1 to 5.
    static MISTATUS ConvertPresenceStateToMIStatus(IPresenceState* presenceState);

    // The Messenger availability number of a host presence value (0 for unknown values).
    static LONG ConvertPresenceStateToAvailability(LONG presence);

    // The presence properties array (VT_ARRAY | VT_VARIANT, 12 elements, lower bound 0) of one contact's
    // presence state, or the unknown form when the state cannot be read. Empty (VT_EMPTY) only when memory
    // runs out.
    static extensionsutils::Variant GetPresenceState(IDispatch* presenceState);
    // The fixed forms: phone mode, and presence unreadable. Empty only when memory runs out.
    static extensionsutils::Variant GetPhoneModePresenceState();
    static extensionsutils::Variant GetUnknownPresenceState();

    // A new contact filled from the host contact (names and numbers copied, not blocked, not tagged, not
    // self) holding one reference for the caller, or null when the host contact is null or cannot be read.
    // Its presence source is kept with `holds` (TavoMessengerContact::initialise).
    static extensionsutils::MICComPtr<TavoMessengerContact> CreateMessengerContact(
        IDispatch* hostContact, const std::shared_ptr<Configuration>& configuration,
        const std::shared_ptr<HostObjectHolds>& holds = nullptr);
};
