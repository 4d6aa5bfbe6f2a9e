#pragma once

#include "IUCOfficeIntegration/TransactionLock.h"

#include "ExtensionProvider/HostCallGate.h"

#include "HostExtensionApi.h"
#include "extensionsutils/ComPtr.h"

#include <windows.h>
#include <unknwn.h>

// A host contact's read transaction: the object that the contact's BeginReadTransaction handed out (null
// when it gave none). Releasing it, with this lock, ends the transaction. It is a call through the details'
// gate from before the transaction begins until after it ends, so that the details cannot let go of the
// host meanwhile.
class ContactReadTransactionLock final : public TransactionLock
{
public:
    // Passes `detailsGate`, then begins the transaction of `contact` (none when the gate is closed or the
    // contact is gone).
    ContactReadTransactionLock(HostCallGate& detailsGate, const extensionsutils::ComPtr<IContact>& contact);

private:
    HostCallGate::Call call; // first: passed before the transaction begins, left after it ends
    extensionsutils::ComPtr<IUnknown> transaction;
};
