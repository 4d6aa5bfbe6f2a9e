#pragma once

#include "IUCOfficeIntegration/ContactDetails.h"

#include "ExtensionProvider/HostObjectHolds.h"

#include "HostExtensionApi.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/ConnectionPointListener.h"
#include "vorn/ReadWriteLock.h"

#include <memory>

// The details of a person the host client knows: every value is read from the host contact at each call
// (nothing is cached), and the contact's _IContactEvents are watched from startWatchingContact until
// these details go, or until the module's stop makes them let go of the host (letGoOfHost). From then on
// every getter answers CO_E_SERVER_STOPPING (the availability ucAvailabilityNone) without the host.
// Threads: getters and read transactions on any thread; startWatchingContact and destruction on the
// owner's thread; letGoOfHost on the worker thread. `lock` guards `contact`, `listener` and `letGo`: held
// shared for every host call (a read transaction holds it until it ends), exclusive to change them.
class ExtensionProviderContactDetails final : public ContactDetails, public HostObjectHolder
{
public:
    // Details over the host contact, kept with `holds` (HostObjectHolds::keep). std::bad_alloc when memory
    // runs out.
    static std::shared_ptr<ExtensionProviderContactDetails> create(extensionsutils::ComPtr<IContact> contact,
                                                                   const std::shared_ptr<HostObjectHolds>& holds);

    explicit ExtensionProviderContactDetails(extensionsutils::ComPtr<IContact> contact);
    ~ExtensionProviderContactDetails() override;

    void startWatchingContact(ChangeHandler handler) override;
    HRESULT getUri(BSTR* uri) override;
    HRESULT getDisplayName(BSTR* displayName) override;
    HRESULT getPresenceString(BSTR* presenceString) override;
    LONG getPresenceState() override;
    HRESULT getWorkNumber(BSTR* number) override;
    HRESULT getMobileNumber(BSTR* number) override;
    HRESULT getHomeNumber(BSTR* number) override;
    HRESULT getOtherNumber(BSTR* number) override;
    HRESULT getTagged(VARIANT_BOOL* tagged) override;
    std::shared_ptr<TransactionLock> getReadTransactionLock() override;

    // Ends the watching and releases the host contact, once the calls under way on it have returned.
    void letGoOfHost() override;

private:
    using ContactEventsListener = extensionsutils::ConnectionPointListener<IContact, _IContactEvents>;

    // Runs read(contact) under the lock while the host contact is held; otherwise what a let-go contact
    // answers (CO_E_SERVER_STOPPING), or E_POINTER for details made without a contact.
    template <class Read>
    HRESULT readContact(Read read);
    extensionsutils::ComPtr<IPresenceState> getPresenceStateFromExtensionProviderContact(IContact* hostContact);
    // One of the contact's BSTR properties, read straight into the caller's out pointer.
    HRESULT getContactString(HRESULT (STDMETHODCALLTYPE IContact::*getter)(BSTR*), BSTR* out);

    vorn::ReadWriteLock lock;
    extensionsutils::ComPtr<IContact> contact;
    std::shared_ptr<ContactEventsListener> listener;
    bool letGo = false;
};
