#include "EventWorkers.h"

#include "logging/Logging.h"

using extensionsutils::Bstr;
using extensionsutils::ComPtr;

namespace ExtensionProviderEventWorkers {

void contactStatusChanged(ComPtr<MessengerEventSource> messenger, ComPtr<IMessengerContact> messengerContact,
                          MISTATUS status)
{
    if (!messengerContact) {
        TAVO_LOG(4, "messengerContact is NULL");
        return;
    }
    Bstr signinName;
    if (FAILED(messengerContact->get_SigninName(signinName.out()))) {
        TAVO_LOG(4, "pMessengerContact->get_SigninName failed");
        return;
    }
    TAVO_LOG(0, "sending presence update for contact - " << signinName.toUtf8());
    ComPtr<IDispatch> contact = messengerContact.as<IDispatch>();
    if (!contact) {
        TAVO_LOG(4, "Unable to QueryInterface between messenger contact and IDispatch");
        return;
    }
    MessengerEventsFiring* events = messenger ? messenger->getMessengerEvents() : nullptr;
    if (!events) {
        TAVO_LOG(4, "Messenger object is NULL");
        return;
    }
    if (FAILED(events->Fire_OnContactStatusChange(contact.get(), status))) TAVO_LOG(4, "OnContactStatusChanged failed");
}

void contactResolved(ComPtr<MessengerEventSource> messenger, MessengerEventsFiring* messengerEvents,
                     const Bstr& email, const Bstr& imAddress)
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
