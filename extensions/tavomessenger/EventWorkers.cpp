#include "EventWorkers.h"

#include "logging/Logging.h"

using extensionsutils::Bstr;
using extensionsutils::ComPtr;

namespace ExtensionProviderEventWorkers {

void contactStatusChanged(ComPtr<MessengerEventSource> messenger, ComPtr<IMessengerContact> messengerContact,
                          MISTATUS status)
{
    if (!messengerContact) return TAVO_LOG(4, "messengerContact is NULL");
    Bstr signinName;
    if (FAILED(messengerContact->get_SigninName(signinName.out())))
        return TAVO_LOG(4, "pMessengerContact->get_SigninName failed");
    TAVO_LOG(0, "sending presence update for contact - " << signinName.toUtf8());
    ComPtr<IDispatch> contact = messengerContact.as<IDispatch>();
    if (!contact) return TAVO_LOG(4, "Unable to QueryInterface between messenger contact and IDispatch");
    MessengerEventsFiring* events = messenger ? messenger->getMessengerEvents() : nullptr;
    if (!events) return TAVO_LOG(4, "Messenger object is NULL");
    if (FAILED(events->Fire_OnContactStatusChange(contact.get(), status))) TAVO_LOG(4, "OnContactStatusChanged failed");
}

void contactResolved(ComPtr<MessengerEventSource> messenger, MessengerEventsFiring* messengerEvents,
                     const Bstr& email, const Bstr& imAddress)
{
    TAVO_LOG(0, "About to fire OnContactResolved event; email=" << email.toUtf8() << "; IM_address=" << imAddress.toUtf8());
    if (imAddress.empty()) return TAVO_LOG(3, "Resolution failed, not notifying clients");
    if (!messenger || !messengerEvents) return TAVO_LOG(4, "Messenger object is NULL");
    messengerEvents->Fire_OnContactResolved(S_OK, ADDRESS_TYPE_SMTP, email.get(), imAddress.get());
}

} // namespace ExtensionProviderEventWorkers
