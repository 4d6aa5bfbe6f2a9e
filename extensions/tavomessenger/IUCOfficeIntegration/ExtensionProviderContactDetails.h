#pragma once

#include "IUCOfficeIntegration/ContactDetails.h"

#include "ExtensionProvider/ConnectionPointListener.h"

#include "HostExtensionApi.h"
#include "extensionsutils/ComPtr.h"

#include <memory>

// The details of a person the host client knows: every value is read from the host contact at each call
// (nothing is cached), and the contact's _IContactEvents are watched from startWatchingContact until
// these details go.
// Threads: getters on any thread, no lock; startWatchingContact and destruction on the owner's thread.
class ExtensionProviderContactDetails final : public ContactDetails
{
public:
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

private:
    using ContactEventsListener = extensionsutils::ConnectionPointListener<IContact, _IContactEvents>;

    extensionsutils::ComPtr<IPresenceState> getPresenceStateFromExtensionProviderContact();
    // One of the contact's BSTR properties, read straight into the caller's out pointer.
    HRESULT getContactString(HRESULT (STDMETHODCALLTYPE IContact::*getter)(BSTR*), BSTR* out);

    const extensionsutils::ComPtr<IContact> contact;
    std::shared_ptr<ContactEventsListener> listener;
};
