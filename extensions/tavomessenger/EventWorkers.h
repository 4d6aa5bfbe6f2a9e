#pragma once

#include "IMessenger/DMessengerEvents_CP.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComPtr.h"

#include "TavoMessengerLib.h"

#include <windows.h>

// The Messenger object as the event work items need it: a reference count that keeps it until the work
// has run, and the firing side of its DMessengerEvents connection point, asked for when the work runs.
class MessengerEventSource
{
public:
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
    virtual MessengerEventsFiring* getMessengerEvents() = 0;

protected:
    ~MessengerEventSource() = default;
};

// The work items that turn the host client's presence changes and resolution answers into Messenger
// events. Each runs on the worker thread, inside a Tr1FunctionWorker, with no module lock held; it keeps
// the Messenger object (and the contact) referenced until it has run.
namespace ExtensionProviderEventWorkers {

// Fires OnContactStatusChange(contact, status) to every connected sink. A contact that cannot be read is
// skipped with a log line.
void contactStatusChanged(extensionsutils::ComPtr<MessengerEventSource> messenger,
                          extensionsutils::ComPtr<IMessengerContact> messengerContact, MISTATUS status);

// The completion of a Messenger API ResolveContact: fires OnContactResolved(S_OK, ADDRESS_TYPE_SMTP,
// email, imAddress) when the host found someone. An empty IM address is a failed resolution, which Office
// is never told of. `messenger` only keeps the object that owns `messengerEvents` alive.
void contactResolved(extensionsutils::ComPtr<MessengerEventSource> messenger, MessengerEventsFiring* messengerEvents,
                     const extensionsutils::Bstr& email, const extensionsutils::Bstr& imAddress);

} // namespace ExtensionProviderEventWorkers
