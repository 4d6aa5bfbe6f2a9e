#include "IUCOfficeIntegration/ContactReadTransactionLock.h"

ContactReadTransactionLock::ContactReadTransactionLock(vorn::ReadWriteLock& detailsLock,
                                                       const extensionsutils::ComPtr<IContact>& contact)
    : hold(detailsLock)
{
    if (!hold.owns() || !contact) return;
    if (FAILED(contact->BeginReadTransaction(transaction.out())))
        transaction.detach(); // a failed call hands nothing over: whatever it left there is not ours to release
}
