#pragma once

#include "IUCOfficeIntegration/ContactDetails.h"

#include "ExtensionProvider/HostCallGate.h"
#include "ExtensionProvider/HostObjectHolds.h"

#include "HostExtensionApi.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/ConnectionPointListener.h"

#include <memory>

// The details of a person the host client knows: every value is read from the host contact at each call
// (nothing is cached), and the contact's _IContactEvents are watched from startWatchingContact until
// these details go, or until the module's stop makes them let go of the host (letGoOfHost). From then on
// every getter answers CO_E_SERVER_STOPPING (the availability ucAvailabilityNone) without the host.
// Threads: getters and read transactions on any thread; startWatchingContact and destruction on the
// owner's thread; letGoOfHost on the worker thread. Every host call passes `gate` (a read transaction
// stays in it until it ends); `contact` and `listener` change only inside it on the owner's thread, or
// once it is closed.
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
    // The contact's own properties, read straight into the caller's out pointer.
    HRESULT getUri(BSTR* uri) override { return readProperty(&IContact::get_SigninName, uri); }
    HRESULT getDisplayName(BSTR* displayName) override { return readProperty(&IContact::get_FriendlyName, displayName); }
    HRESULT getWorkNumber(BSTR* number) override { return readProperty(&IContact::get_WorkNumber, number); }
    HRESULT getMobileNumber(BSTR* number) override { return readProperty(&IContact::get_MobileNumber, number); }
    HRESULT getHomeNumber(BSTR* number) override { return readProperty(&IContact::get_HomeNumber, number); }
    HRESULT getOtherNumber(BSTR* number) override { return readProperty(&IContact::get_OtherNumber, number); }
    HRESULT getTagged(VARIANT_BOOL* tagged) override { return readProperty(&IContact::get_IsTagged, tagged); }
    HRESULT getPresenceString(BSTR* presenceString) override;
    LONG getPresenceState() override;
    // std::bad_alloc when memory runs out.
    std::shared_ptr<TransactionLock> getReadTransactionLock() override;

    // Ends the watching and releases the host contact, once the calls under way on it have returned.
    void letGoOfHost() override;

private:
    using ContactEventsListener = extensionsutils::ConnectionPointListener<IContact, _IContactEvents>;

    // S_OK while the host contact can be read in `call`; otherwise what a reader answers:
    // CO_E_SERVER_STOPPING once let go, E_POINTER for details made without a contact.
    HRESULT readableContact(const HostCallGate::Call& call) const;
    // Called in a call through the gate: the presence state it answers is released before the call ends.
    extensionsutils::ComPtr<IPresenceState> getPresenceStateFromExtensionProviderContact();

    template <class Value>
    HRESULT readProperty(HRESULT (STDMETHODCALLTYPE IContact::*getter)(Value*), Value* out)
    {
        if (!out) return E_POINTER;
        HostCallGate::Call call(gate);
        const HRESULT readable = readableContact(call);
        return FAILED(readable) ? readable : (contact.get()->*getter)(out);
    }

    HostCallGate gate;
    extensionsutils::ComPtr<IContact> contact;
    std::shared_ptr<ContactEventsListener> listener;
};
