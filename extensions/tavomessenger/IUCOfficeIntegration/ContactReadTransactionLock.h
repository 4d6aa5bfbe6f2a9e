#pragma once

#include "IUCOfficeIntegration/TransactionLock.h"

#include "HostExtensionApi.h"
#include "extensionsutils/ComPtr.h"
#include "vorn/ReadWriteLock.h"

#include <windows.h>
#include <unknwn.h>

// A host contact's read transaction: the object that the contact's BeginReadTransaction handed out (null
// when it gave none). Releasing it, with this lock, ends the transaction. The details' lock is held shared
// from before the transaction begins until after it ends, so that the details cannot let go of the host
// meanwhile; it is released on the thread that took it, as every hold of that lock is.
class ContactReadTransactionLock final : public TransactionLock
{
public:
    // Takes `detailsLock` shared, then begins the transaction of `contact`, read under it (none when the
    // lock is refused or the contact is gone).
    ContactReadTransactionLock(vorn::ReadWriteLock& detailsLock, const extensionsutils::ComPtr<IContact>& contact);

private:
    vorn::SharedGuard hold; // first: taken before the transaction begins, released after it ends
    extensionsutils::ComPtr<IUnknown> transaction;
};
