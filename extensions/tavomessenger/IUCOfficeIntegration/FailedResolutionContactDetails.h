#pragma once

#include "IUCOfficeIntegration/ContactDetails.h"

// The details of an address the host could not resolve: an empty sign-in name, no values, no presence,
// no changes. Stateless; any thread.
class FailedResolutionContactDetails final : public ContactDetails
{
public:
    FailedResolutionContactDetails();
    ~FailedResolutionContactDetails() override;

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
};
