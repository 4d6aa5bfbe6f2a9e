#pragma once

#include "IMessenger/DMessengerEvents_CP.h"
#include "logging/Logging.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/MICComPtr.h"

#include "TavoMessengerLib.h"

// The work items that turn the host client's presence changes and resolution answers into Messenger
// events. Each runs on the worker thread, inside a Tr1FunctionWorker, with no module lock held; it keeps
// the Messenger object (and the contact) referenced until it has run.
//
// Messenger is the Messenger object (OfficeIntegrationImpl): a class that derives from
// CProxyDMessengerEvents<Messenger> and whose getMessengerEvents() returns a pointer to that part.
namespace ExtensionProviderEventWorkers {

// Fires OnContactStatusChange(contact, status) to every connected sink. A contact that cannot be read is
// skipped with a log line.
template <class Messenger>
void contactStatusChanged(extensionsutils::MICComPtr<Messenger> messenger,
                          extensionsutils::ComPtr<IMessengerContact> messengerContact, MISTATUS status)
{
    if (!messengerContact) {
        TAVO_LOG(4, "messengerContact is NULL");
        return;
    }
    extensionsutils::Bstr signinName;
    if (FAILED(messengerContact->get_SigninName(signinName.out()))) {
        TAVO_LOG(4, "pMessengerContact->get_SigninName failed");
        return;
    }
    TAVO_LOG(0, "sending presence update for contact - " << signinName.toUtf8());
    extensionsutils::ComPtr<IDispatch> contact = messengerContact.template as<IDispatch>();
    if (!contact) {
        TAVO_LOG(4, "Unable to QueryInterface between messenger contact and IDispatch");
        return;
    }
    CProxyDMessengerEvents<Messenger>* events = messenger ? messenger->getMessengerEvents() : nullptr;
    if (!events) {
        TAVO_LOG(4, "Messenger object is NULL");
        return;
    }
    if (FAILED(events->Fire_OnContactStatusChange(contact.get(), status))) TAVO_LOG(4, "OnContactStatusChanged failed");
}

// The completion of a Messenger API ResolveContact: fires OnContactResolved(S_OK, ADDRESS_TYPE_SMTP,
// email, imAddress) when the host found someone. An empty IM address is a failed resolution, which Office
// is never told of. `messenger` only keeps the object that owns `messengerEvents` alive.
template <class Messenger>
void contactResolved(extensionsutils::MICComPtr<Messenger> messenger, CProxyDMessengerEvents<Messenger>* messengerEvents,
                     const extensionsutils::Bstr& email, const extensionsutils::Bstr& imAddress)
{
    TAVO_LOG(0, "About to fire OnContactResolved event; email=" << email.toUtf8() << "; IM_address=" << imAddress.toUtf8());
    if (imAddress.empty()) {
        TAVO_LOG(3, "Resolution failed, not notifying clients");
        return;
    }
    if (!messenger || !messengerEvents) {
        TAVO_LOG(4, "Messenger object is NULL");
        return;
    }
    messengerEvents->Fire_OnContactResolved(S_OK, ADDRESS_TYPE_SMTP, email.get(), imAddress.get());
}

} // namespace ExtensionProviderEventWorkers
