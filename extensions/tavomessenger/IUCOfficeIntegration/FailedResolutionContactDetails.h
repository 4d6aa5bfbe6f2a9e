#pragma once

#include "IUCOfficeIntegration/ContactDetails.h"

#include "TavoMessengerLib.h"

// The details of an address the host could not resolve: an empty sign-in name, no values (every other
// getter fails with E_FAIL and writes nothing), no presence, no changes. Stateless; any thread.
class FailedResolutionContactDetails final : public ContactDetails
{
public:
    FailedResolutionContactDetails();
    ~FailedResolutionContactDetails() override;

    // Nothing can change: the handler is dropped with its captures.
    void startWatchingContact(ChangeHandler) override {}
    HRESULT getUri(BSTR* uri) override;
    HRESULT getDisplayName(BSTR*) override { return E_FAIL; }
    HRESULT getPresenceString(BSTR*) override { return E_FAIL; }
    LONG getPresenceState() override { return ucAvailabilityNone; }
    HRESULT getWorkNumber(BSTR*) override { return E_FAIL; }
    HRESULT getMobileNumber(BSTR*) override { return E_FAIL; }
    HRESULT getHomeNumber(BSTR*) override { return E_FAIL; }
    HRESULT getOtherNumber(BSTR*) override { return E_FAIL; }
    HRESULT getTagged(VARIANT_BOOL*) override { return E_FAIL; }
    std::shared_ptr<TransactionLock> getReadTransactionLock() override { return nullptr; }
};
