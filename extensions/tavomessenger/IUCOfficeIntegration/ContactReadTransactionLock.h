#pragma once

#include "IUCOfficeIntegration/TransactionLock.h"

#include "extensionsutils/ComPtr.h"

#include <windows.h>
#include <unknwn.h>

// A host contact's read transaction: the object that the contact's BeginReadTransaction handed out (null
// when it gave none). Releasing it, with this lock, ends the transaction. Released on any thread.
class ContactReadTransactionLock final : public TransactionLock
{
public:
    explicit ContactReadTransactionLock(extensionsutils::ComPtr<IUnknown> transaction);

private:
    extensionsutils::ComPtr<IUnknown> transaction;
};
