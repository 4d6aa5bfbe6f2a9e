#include "IUCOfficeIntegration/ContactReadTransactionLock.h"

ContactReadTransactionLock::ContactReadTransactionLock(HostCallGate& detailsGate,
                                                       const extensionsutils::ComPtr<IContact>& contact)
    : call(detailsGate)
{
    if (!call || !contact) return;
    if (FAILED(contact->BeginReadTransaction(transaction.out())))
        transaction.detach(); // a failed call hands nothing over: whatever it left there is not ours to release
}
