#pragma once

#include "IUCOfficeIntegration/TransactionLock.h"

#include "extensionsutils/DispatchEventListenerImpl.h"

#include <windows.h>
#include <oaidl.h>

#include <memory>

// Where a UC contact reads everything it answers Office, and learns that the person changed. Held by
// shared pointer by the contact (UCCContact); kinds: ExtensionProviderContactDetails over a host contact,
// FailedResolutionContactDetails for an address the host could not resolve.
//
// Threads: the getters run on Office's calling threads and take no lock; a caller reading several values
// holds getReadTransactionLock() meanwhile. The change handler runs on the host's threads.
class ContactDetails
{
public:
    // Receives the host's change event: its DISPPARAMS (one argument, the change codes), valid only during
    // the call. It must refer to its owner only weakly and hand work to the worker thread itself.
    using ChangeHandler = extensionsutils::DispatchEventHandler;

    virtual ~ContactDetails() = default;

    // Changes of the contact reach the handler from now until these details go.
    virtual void startWatchingContact(ChangeHandler handler) = 0;

    // The getters write only on success (a BSTR the caller frees); a null out pointer is never written.
    virtual HRESULT getUri(BSTR* uri) = 0; // the sign-in name
    virtual HRESULT getDisplayName(BSTR* displayName) = 0;
    virtual HRESULT getPresenceString(BSTR* presenceString) = 0;
    // The UC availability number (ContactAvailability), 0 when it cannot be read; not an HRESULT.
    virtual LONG getPresenceState() = 0;
    virtual HRESULT getWorkNumber(BSTR* number) = 0;
    virtual HRESULT getMobileNumber(BSTR* number) = 0;
    virtual HRESULT getHomeNumber(BSTR* number) = 0;
    virtual HRESULT getOtherNumber(BSTR* number) = 0;
    virtual HRESULT getTagged(VARIANT_BOOL* tagged) = 0;
    // Keeps the values consistent while held; may be empty when there is nothing to hold.
    virtual std::shared_ptr<TransactionLock> getReadTransactionLock() = 0;

protected:
    ContactDetails() = default;
    ContactDetails(const ContactDetails&) = delete;
    ContactDetails& operator=(const ContactDetails&) = delete;
};
